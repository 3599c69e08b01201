#pragma once
// The vault's commands, as the program runs them on the vault beside the executable: the one-copy
// claim, the gate's reading, opening and creating of the file, every change of the entries and its
// save, a new key, import and export. It changes the entries through the open vault, then tells the
// view; what the user must be told it tells in boxes of its own, modal to the window the command
// came from, and through its narrow host.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vault_claim.h"
#include "platform/app_info.h"
#include "platform/settings.h"
#include "vault/entry_csv.h"
#include "vault/vault_session.h"

namespace vk {

class VaultController {
public:
    // What the controller asks of the program around it: the view of the entries, the status line,
    // the gate's dialog and the column chooser.
    class Host {
    public:
        // The entries are about to change, and have changed: the view keeps the same entries
        // selected. Loaded: the view shows the entries anew, nothing selected.
        virtual void entriesChanging() = 0;
        virtual void entriesChanged() = 0;
        virtual void entriesLoaded() = 0;
        virtual void setStatusText(const std::string& text) = 0;
        virtual std::string statusText() const = 0;
        // Runs `work` once the command that is running now is over (and has said what it did).
        virtual void afterCommand(std::function<void()> work) = 0;
        // The File menu offers what fits the vault's format.
        virtual void showVaultFormat(vault::VaultFormat format) = 0;
        // The vault is open: the main window takes over from the gate.
        virtual void showUnlocked() = 0;
        // The gate asks for a new master password instead (the file lost its own), or for the one
        // the file now has.
        virtual void askForNewPassword() = 0;
        virtual void askForPassword() = 0;
        // A file to import whose columns are in doubt: the user chooses them.
        virtual void askForColumns(const std::wstring& path, vault::CsvText text, const vault::CsvGuess& guess) = 0;
        // The vault file got another master password elsewhere: the user is asked for it. False
        // when the program cannot ask now (the dialog it would ask in is busy).
        virtual bool askForChangedVaultPassword() = 0;
        // What a command did, in a box modal to `owner`.
        virtual void report(HWND owner, const std::wstring& text, const std::string& title) = 0;
        virtual void endProgramAtOnce() = 0;
        virtual const std::string& appTitle() const = 0;
        virtual const std::string& product() const = 0;  // the product name, under which settings are kept

    protected:
        ~Host() = default;
    };

    // `files` and `crypto` are the machine's (tests give their own); the vault is `data.enc` in
    // `folder`, the program's own folder.
    VaultController(Host& host, vault::FileSystem& files, vault::Cryptography* crypto, const SettingsStore& settings,
                    std::wstring folder);
    VaultController(const VaultController&) = delete;
    VaultController& operator=(const VaultController&) = delete;

    // Claims the vault for this copy of the program; false when anything else holds it (the
    // holder was brought forward, or the user told), and this copy must end without touching it.
    bool claim();

    // The gate. Reads the vault at start (a missing one is made Fresh), and says what must be said
    // before a password is asked for: `state` tells whether one guards it. False when the vault
    // cannot be used: the user was told why and the program has ended.
    // At an unlock the vault is read again by the same path, but what was said once at start (the
    // vault's other names) is not said again.
    enum class Reading { AtStart, AtUnlock };
    bool inspect(vault::VaultState& state, Reading reading = Reading::AtStart);
    // Opens the vault with the password typed: false when it is not the master password. Otherwise
    // the vault is open and the main window shown, or the gate asks again (the file changed), or a
    // failure was told and the program ended.
    bool unlock(std::string_view password);
    // Gives the vault the new master password and shows the main window.
    void create(std::string_view password);

    // Locks the open vault: its entries and what unlocks it are dropped and wiped, unless a change
    // is unsaved: then they are kept, out of sight, for the unlock.
    void lock();
    // Whether the locked vault kept its entries; then the master password alone unlocks them (the
    // status line says again what is unsaved), and the file is not read.
    bool keptWhileLocked() const { return vault_.isOpen(); }
    bool unlockKept(HWND owner, std::string_view password);

    // Changes of the entries, through the open vault; the view is told. save() writes them.
    vault::EntryId addEntry(const vault::Entry& entry);
    // False when no entry has this identity any more.
    bool replaceEntry(vault::EntryId id, const vault::Entry& entry);
    bool removeEntry(vault::EntryId id);
    void sortEntries(bool sorted, int sortKey, vault::SortOrder order);
    // Rewrites the whole vault; on failure the user is told in a box modal to `owner` (none: one
    // quiet attempt) and may retry. False when the file still holds its previous content.
    bool save(HWND owner);

    // Whether the password is the open vault's master password; a failure of the system's
    // cryptography is told in a box modal to `owner`.
    bool isMasterPassword(HWND owner, std::string_view password);
    // Seals the vault with a new key from `password` in `format` and saves it. On success the
    // status line says `done` and when; otherwise the vault keeps its key and the file what it held.
    bool saveWithNewKey(HWND owner, std::string_view password, vault::VaultFormat format, const std::string& done);

    // Entries in from another program's CSV export, and out to a CSV file; boxes are modal to `owner`.
    void importEntries(HWND owner);
    void importInLayout(HWND owner, const std::wstring& path, const vault::CsvText& text, const vault::CsvLayout& layout);
    void exportEntries(HWND owner);

    // Earlier versions (earlier_versions.cpp).
    struct EarlierVersion {
        vault::KeptVersion kept;
        std::string keptAt;   // in the user's time zone and format
        std::string entries;  // how many it holds, or why it cannot be read
        bool restorable = false;
    };
    // The versions kept, newest first; a folder that cannot be read is told in a box modal to `owner`.
    std::vector<EarlierVersion> earlierVersions(HWND owner);
    // Asks, keeps the vault as it is as a version, then makes the version the vault and shows it;
    // boxes are modal to `owner`. True when the vault is the version now.
    bool restoreVersion(HWND owner, const EarlierVersion& version);
    // Before a save: the vault file as it is becomes an earlier version when one is due (`always`:
    // in any case). A version that cannot be kept never stops the save; the status line says why,
    // once for the same reason.
    void keepEarlierVersion(bool always = false);

    // Another program's change of the vault file (outside_changes.cpp).
    enum class OutsideChange {
        None,           // the file is as this copy last read or wrote it
        BroughtIn,      // read again, or merged with the change here
        CannotBringIn,  // damaged, newer, not a vault, no longer encrypted, or its password refused
        AskingPassword  // it has another master password, which the user is asked for
    };
    // Brings in what another program saved to the vault file since this copy last read or wrote
    // it: reads it again when nothing here is unsaved, merges it with the change here otherwise;
    // boxes are modal to `owner`. A merge is left for the save that follows.
    OutsideChange bringInOutsideChange(HWND owner);
    // The same, when the program notices it (the main window activated, a while without use): a
    // merge is saved at once.
    void checkVaultFile(HWND owner);
    // The master password typed for the vault file changed elsewhere: false when it is not its
    // password. Closed without it: the file is not brought in, and a save asks before replacing it.
    bool changedVaultPasswordEntered(HWND owner, std::string_view password);
    void changedVaultPasswordDeclined();
    // The vault's format may have changed (its key came from another copy): the menu and the
    // "Encrypted Vaults" mark follow it.
    void showAndRememberFormat();

    const vault::VaultSession& vault() const { return vault_; }
    vault::VaultSession& vault() { return vault_; }
    Host& host() { return host_; }
    const Host& host() const { return host_; }
    const SettingsStore& settings() const { return settings_; }
    const std::wstring& programFolder() const { return folder_; }

private:
    // Runs a change of the entries between the view's two calls.
    template <typename Change>
    auto changeEntries(Change change) {
        host_.entriesChanging();
        struct Tell {
            Host& host;
            ~Tell() { host.entriesChanged(); }
        } tell{host_};
        return change();
    }

    // Adds a sentence to the status line once the running command has said its own.
    void addStatusNote(const std::string& note);
    // Runs a check of a password that derives a key (with the hourglass); a failure of the system's
    // cryptography is told in a box modal to `owner`.
    bool checkPassword(HWND owner, const std::function<bool(bool& failed)>& check);
    // Seals every kept version as the vault is sealed now, after its key changed from `old`; asks
    // before it removes one that cannot be.
    void resealEarlierVersions(HWND owner, const vault::VaultKey& old);
    // Takes another program's readable change of the file into the list.
    void takeOutsideChange(HWND owner, vault::ChangedFile file);
    void tellMergeConflicts(HWND owner, const std::vector<vault::TakenChange::Conflict>& conflicts);

    Host& host_;
    const SettingsStore& settings_;
    std::wstring folder_;
    vault::VaultSession vault_;
    std::optional<VaultClaim> claim_;
    // The changed file whose master password is asked for; a file that is not brought in (its
    // password declined, or not a vault this copy can read), which is not asked about again.
    std::optional<vault::ChangedFile> waitingFile_;
    std::optional<vault::Fingerprint> declinedFile_;
    std::string versionProblemTold_;  // why the last version could not be kept, once told
};

}  // namespace vk
