#pragma once
// The open vault: the file it lives in, what unlocks it, its entries in display order, the file as
// this copy last read or wrote it, and the changes the file does not hold yet. No window code:
// each operation returns what happened, and the program tells the user.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vault/entry_list.h"
#include "vault/file_system.h"
#include "vault/fingerprint.h"
#include "vault/vault_store.h"

namespace vk::vault {

class VaultSession {
public:
    VaultSession(FileSystem& files, Path path, CollationKey collationKey);
    VaultSession(const VaultSession&) = delete;
    VaultSession& operator=(const VaultSession&) = delete;

    const Path& path() const { return path_; }
    FileSystem& files() const { return *files_; }
    // Works on another file system (tests make one fail) or at another place from now on.
    void useFileSystem(FileSystem& files) { files_ = &files; }
    void moveTo(Path path) { path_ = std::move(path); }

    // Reads the vault as it stands at start, creating a Fresh one when there is none. `guarded`
    // tells whether a master password guards it; otherwise the user must create one.
    IoResult inspect(bool& guarded);
    // Whether `password` is the master password of the vault that inspect read.
    bool isMasterPassword(std::string_view password) const;
    // Opens the vault with its master password: the entries are loaded into the list.
    IoResult open(std::string_view masterPassword);
    // Gives the vault its first master password. Entries already in the file (a restored backup,
    // a hand edit) stay in it and are loaded into the list.
    IoResult create(std::string_view masterPassword);
    // Whether a master password opened or created the vault.
    bool isOpen() const { return !key_.masterPassword.empty(); }

    // Whether the file now differs from what this copy last read or wrote: anything else that
    // changed it meanwhile (a sync tool, a restored backup) must not be overwritten unasked.
    IoResult changedOnDisk(bool& changed);
    // Writes the master password and every entry, in display order, over the vault, atomically.
    IoResult save();

    EntryList& entries() { return entries_; }
    const EntryList& entries() const { return entries_; }

    // Whether the list holds a change the file does not: set before a save is tried (a save that
    // fails in any way leaves it set), cleared when one succeeds.
    bool hasUnsavedChanges() const { return unsaved_; }
    void markUnsaved() { unsaved_ = true; }
    // How many changes to the entries the file does not hold yet.
    std::uint64_t unsavedChangeCount() const { return entries_.changes() - savedChanges_; }

private:
    // What unlocks the open vault: its master password, which a save writes as line 1.
    struct Key {
        std::string masterPassword;
    };

    VaultStore store();
    void remember(const VaultStore& store);

    FileSystem* files_;
    Path path_;
    EntryList entries_;
    Key key_;
    std::string storedPassword_;  // line 1 of the vault as inspect read it
    std::optional<Fingerprint> known_;
    bool unsaved_ = false;
    std::uint64_t savedChanges_ = 0;
};

}  // namespace vk::vault
