#pragma once
// The open vault: the file it lives in, what unlocks it, its entries in display order, the file as
// this copy last read or wrote it, and the changes the file does not hold yet. No window code:
// each operation returns what happened, and the program tells the user.
//
// A vault is kept in one of two formats. Scrambled, the default: every byte's top bit flipped,
// the master password as line 1, readable by anyone who has the file. Encrypted, by the user's
// choice: the same lines sealed with a key derived from the master password (encrypted_vault.h).
// A save writes the format that was read; only a new key changes it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vault/encrypted_vault.h"
#include "vault/entry_list.h"
#include "vault/file_system.h"
#include "vault/fingerprint.h"
#include "vault/vault_store.h"
#include "vault/vault_versions.h"

namespace vk::vault {

enum class VaultFormat { Scrambled, Encrypted };

// What the vault file is at start.
enum class VaultState {
    Fresh,         // no master password yet: the user creates one
    Guarded,       // a master password guards it
    Damaged,       // an encrypted vault whose header is damaged, or a file of nothing but zero bytes
    NewerVersion,  // an encrypted vault that a newer version of the program wrote
};

// What inspect found: the state, and what the file is, which the gate may have to tell the user
// before it asks for a password.
struct VaultFound {
    VaultState state = VaultState::Fresh;
    VaultFormat format = VaultFormat::Scrambled;  // Encrypted for an encrypted vault, whole or not
    std::uint64_t size = 0;                       // in bytes
};

// What came of opening the vault with a password.
enum class OpenOutcome {
    Opened,
    WrongPassword,
    Damaged,
    NewerVersion,
    CryptographyFailed,
    // The file is no longer the one inspect found (a sync tool, a restored backup): it was
    // inspected again, nothing was loaded, and found() tells what it is now; or it is gone, and
    // nothing was made in its place: the gate inspects it again.
    FileChanged,
};

// What a vault file (a kept version, or the vault as another program left it) is to the open vault.
enum class FileOpening {
    Opened,              // with the open vault's key
    OtherPassword,       // scrambled, with another master password as its first line
    Unencrypted,         // scrambled, where the open vault is encrypted
    OtherKey,            // encrypted with keys the open vault does not have (or encrypted where it is not)
    Damaged,             // an encrypted file whose header or content is damaged
    NewerVersion,        // encrypted by a newer version of the program
    NotAVault,           // empty, without a master password, or nothing but zero bytes
    CryptographyFailed,  // the system's cryptography failed to open it
};
// Whether the file's entries could be read.
inline bool readable(FileOpening opening) {
    return opening == FileOpening::Opened || opening == FileOpening::OtherPassword ||
           opening == FileOpening::Unencrypted;
}
// It holds passwords in the clear: they are wiped when it goes.
struct OpenedFile {
    FileOpening opening = FileOpening::NotAVault;
    EntryTable entries;   // when readable
    std::string content;  // when readable: the vault's lines, scrambled, as a scrambled vault holds them

    OpenedFile() = default;
    OpenedFile(OpenedFile&&) = default;
    OpenedFile& operator=(OpenedFile&&) = default;
    ~OpenedFile() {
        entries.wipe();
        wipeSecret(content);
    }
};

// The vault file as another program changed it since this copy last read or wrote it.
struct ChangedFile {
    Fingerprint fingerprint;
    std::string bytes;  // the file
    OpenedFile opened;

    ChangedFile() = default;
    ChangedFile(ChangedFile&&) = default;
    ChangedFile& operator=(ChangedFile&&) = default;
    ~ChangedFile() { wipeSecret(bytes); }
};
// What taking another program's change did: the list holds the file's entries again (nothing here
// was unsaved), or the merge of both; the merge may have to be saved still.
struct TakenChange {
    bool merged = false;
    bool unsaved = false;
    // Entries that both sides touched (see entry_merge.h): the base entry, ours and theirs (none
    // where that side deleted it).
    struct Conflict {
        Entry base;
        std::optional<Entry> ours, theirs;
    };
    std::vector<Conflict> conflicts;
};

// A kept version that could not be sealed with the vault's new key, and why.
struct UnsealedVersion {
    Path path;
    std::string reason;
};

// What unlocks the open vault, and what a save seals it with: the master password, which a
// scrambled vault holds as its first line, or an encrypted vault's keys (its password is not
// kept). It moves but never copies, and wipes the password when it goes.
class VaultKey {
public:
    VaultKey() = default;
    VaultKey(VaultKey&& other) noexcept;
    VaultKey& operator=(VaultKey&& other) noexcept;
    VaultKey(const VaultKey&) = delete;
    VaultKey& operator=(const VaultKey&) = delete;
    ~VaultKey();

    static VaultKey scrambled(std::string_view masterPassword);
    static VaultKey encrypted(VaultKeys keys);

    VaultFormat format() const { return keys_ ? VaultFormat::Encrypted : VaultFormat::Scrambled; }
    bool empty() const { return !keys_ && masterPassword_.empty(); }

private:
    friend class VaultSession;
    std::string masterPassword_;      // a scrambled vault's
    std::optional<VaultKeys> keys_;  // an encrypted vault's
};

class VaultSession {
public:
    // `crypto` is the system's cryptography, which an encrypted vault needs; none: such a vault
    // cannot be opened or made.
    VaultSession(FileSystem& files, Path path, CollationKey collationKey, Cryptography* crypto);
    VaultSession(const VaultSession&) = delete;
    VaultSession& operator=(const VaultSession&) = delete;

    const Path& path() const { return path_; }
    FileSystem& files() const { return files_; }

    // Reads the vault as it stands at start, creating a Fresh one when there is none.
    IoResult inspect(VaultFound& found);
    // What the last inspection found.
    const VaultFound& found() const { return found_; }
    // Opens the vault that inspect found guarded with the password the user typed: the entries
    // are loaded into the list when it is the master password. The file is read once, and only
    // what inspect saw is opened: a file changed since then is inspected again instead
    // (FileChanged). An encrypted vault's keys are derived first, which takes a moment.
    IoResult open(std::string_view password, OpenOutcome& outcome);
    // Gives the vault that inspect found Fresh its first master password (Opened). Entries already
    // in the file (a restored backup, a hand edit) stay in it and are loaded into the list. A file
    // changed since inspect is inspected again instead (FileChanged), and not written.
    IoResult create(std::string_view masterPassword, OpenOutcome& outcome);
    // Whether a master password opened or created the vault.
    bool isOpen() const { return !key_.empty(); }
    // Closes the vault, as a lock does: its entries and what unlocks it are dropped and wiped, and
    // it must be inspected and opened again from its file.
    void close();
    VaultFormat format() const { return key_.format(); }

    // Whether `password` is the open vault's master password. False too when the system's
    // cryptography fails (then `failed` is set).
    bool isMasterPassword(std::string_view password, bool& failed);
    // A key for the open vault from a master password, in a format: an encrypted vault's keys get
    // a new salt and today's iterations. Nothing when the system's cryptography failed.
    std::optional<VaultKey> makeKey(std::string_view masterPassword, VaultFormat format);
    // Seals the vault with another key from the next save on; gives back the one it had.
    VaultKey replaceKey(VaultKey key);
    // Why the system's cryptography failed, the last time an open, a check of the master password
    // or a new key failed for that reason: the system's status, for the user's message.
    const CryptographyFailure& cryptographyFailure() const { return cryptographyFailure_; }
    // An encrypted vault whose keys took fewer iterations than today's: worth new keys.
    bool keyWeakerThanToday() const { return key_.keys_ && key_.keys_->fewerIterationsThanToday(); }

    // Whether the file now differs from what this copy last read or wrote: anything else that
    // changed it meanwhile (a sync tool, a restored backup) must not be overwritten unasked.
    IoResult changedOnDisk(bool& changed);
    // Writes every entry, in display order, over the vault, atomically, in the key's format. Refused
    // while entries are missing (see missingEntries).
    IoResult save();
    // How many fewer entries the list holds than the file did when last read or written, beyond
    // those the user's commands removed: entries lost by a fault, which a save must not make final.
    std::uint64_t missingEntries() const;
    // The entries as they are now are what the vault holds, removals included: after a command
    // that takes entries out as a whole (a restore, a merge of deletions made elsewhere).
    void takeEntriesAsChosen() { rememberEntriesWritten(); }

    // Earlier versions (session_versions.cpp).
    // How many earlier versions a save keeps: 0 keeps none.
    void keepVersions(int count) { versionsKept_ = count; }
    int versionsKept() const { return versionsKept_; }
    // The folder of the versions: beside the vault file itself, so that every path to the vault finds it.
    Path versionsFolder();
    IoResult listVersions(std::vector<KeptVersion>& newestFirst);
    // Keeps the vault file as it is now as an earlier version before a save, when one is due (see
    // VaultVersions::due) or `always`; then keeps only the newest. `kept` says whether it did.
    IoResult keepVersion(Seconds now, bool always, bool& kept);
    // A kept version, opened with the open vault's key.
    IoResult openVersion(const Path& version, OpenedFile& opened);
    // The list holds the entries of a restored version from now on (the same entries keep their
    // identities), as one unsaved change.
    void takeEntries(EntryTable entries);
    // After the key changed from `old`: every kept version is sealed with the open vault's key, or
    // scrambled under its master password, each atomically; those that cannot be are returned.
    std::vector<UnsealedVersion> resealVersions(const VaultKey& old);
    // Removes a kept version.
    IoResult removeVersion(const Path& version) { return files_.remove(version); }

    // Another program's change of the file (session_sync.cpp).
    // Reads the file, when it changed since this copy last read or wrote it (`changed`), and opens it
    // with the open vault's key.
    IoResult readChangedFile(bool& changed, ChangedFile& file);
    // Opens a changed file that has another key (or master password) with its password; from now on
    // the vault is sealed with that key, and `previous` is the one it had. False when it is not its
    // password, or the system's cryptography failed (`failed`).
    bool openChangedFileWith(ChangedFile& file, std::string_view password, VaultKey& previous, bool& failed);
    // Takes a readable changed file: the list holds its entries when nothing here is unsaved, or the
    // merge of both (the base being the vault as this copy last read or wrote it).
    TakenChange takeChangedFile(ChangedFile file);

    EntryList& entries() { return entries_; }
    const EntryList& entries() const { return entries_; }

    // Whether the list holds a change the file does not: marked before a save of a change is
    // tried (a save that fails in any way leaves it set), cleared when a save succeeds.
    bool hasUnsavedChanges() const { return unsaved_; }
    void markUnsaved() { unsaved_ = true; }
    // How many changes to the entries the file does not hold yet.
    std::uint64_t unsavedChangeCount() const { return entries_.changes() - savedChanges_; }

private:
    VaultStore store();
    void remember(const VaultStore& store);
    // What the file holds from now on: the entries as the list has them.
    void rememberEntriesWritten();
    // The vault file went while the gate waited: it is inspected again, and nothing is made meanwhile.
    IoResult vaultGone(OpenOutcome& outcome);
    // Takes the file's bytes as what the gate works on from now on.
    void inspectBytes(const std::string& bytes, const Fingerprint& fingerprint);
    void openScrambled(std::string bytes, std::string_view password, OpenOutcome& outcome);
    void openEncrypted(std::string bytes, std::string_view password, OpenOutcome& outcome);
    // The vault's content as the encrypted format seals it, into encryptedFile_ (empty when the
    // system's cryptography failed): the scrambled lines, with an empty first line where a
    // scrambled vault keeps its master password, encrypted where they were written. A failure,
    // memory running out among them, leaves no unencrypted content behind.
    IoResult sealContent();
    // A vault file's content with a key: its entries and what they are to the key.
    OpenedFile openWithKey(std::string bytes, const VaultKey& key);
    // The entries as a vault file sealed with the open vault's key, in `file`.
    IoResult sealedFile(const EntryTable& entries, std::string& file);
    // The vault as this copy last read or wrote it, as entries.
    EntryTable baseEntries() const;

    FileSystem& files_;
    const Path path_;
    Cryptography* crypto_;
    EntryList entries_;
    VaultKey key_;
    VaultFound found_;
    std::string storedPassword_;  // line 1 of a scrambled vault as inspect read it
    std::optional<Fingerprint> known_;
    // The encrypted file as the last save wrote it: its memory serves the next save again, which
    // spares a big vault the cost of fresh pages at every save.
    std::string encryptedFile_;
    CryptographyFailure cryptographyFailure_;
    // The vault's content as this copy last read or wrote it, scrambled as a scrambled vault holds
    // it: the base of a merge with another program's change.
    std::string baseContent_;
    std::string written_;  // what a save is writing, until it becomes the base
    VaultVersions versions_{files_};
    int versionsKept_ = 10;
    bool unsaved_ = false;
    std::uint64_t savedChanges_ = 0;
    // The entries the file held when last read or written, and the removals counted by then.
    std::uint64_t fileEntries_ = 0;
    std::uint64_t removalsWritten_ = 0;
};

}  // namespace vk::vault
