#include "vault/vault_session.h"

namespace vk::vault {

VaultSession::VaultSession(FileSystem& files, Path path, CollationKey collationKey)
    : files_(&files), path_(std::move(path)), entries_(collationKey) {}

VaultStore VaultSession::store() { return VaultStore(*files_, path_); }

void VaultSession::remember(const VaultStore& store) {
    if (store.seen()) known_ = *store.seen();
}

IoResult VaultSession::inspect(bool& guarded) {
    VaultStore vault = store();
    std::string password;
    if (IoResult result = vault.readStoredPassword(password); result.failed()) return result;
    remember(vault);
    storedPassword_ = std::move(password);
    guarded = !storedPassword_.empty();
    return IoResult::success();
}

bool VaultSession::isMasterPassword(std::string_view password) const {
    return !storedPassword_.empty() && password == storedPassword_;
}

IoResult VaultSession::open(std::string_view masterPassword) {
    VaultStore vault = store();
    EntryTable table;
    if (IoResult result = vault.loadEntries(table); result.failed()) return result;
    remember(vault);
    key_.masterPassword = masterPassword;
    entries_.addAll(std::move(table));
    return IoResult::success();
}

IoResult VaultSession::create(std::string_view masterPassword) {
    VaultStore vault = store();
    EntryTable kept;
    if (IoResult result = vault.createVault(masterPassword, &kept); result.failed()) return result;
    remember(vault);
    key_.masterPassword = masterPassword;
    entries_.addAll(std::move(kept));
    return IoResult::success();
}

IoResult VaultSession::changedOnDisk(bool& changed) {
    changed = false;
    if (!known_) return IoResult::success();
    return store().changedSince(*known_, changed);
}

IoResult VaultSession::save() {
    markUnsaved();
    // Without its master password the vault would be written as one that has none yet.
    if (!isOpen()) return IoError{0, "The vault is not open.", {}};
    VaultStore vault = store();
    // Written from the list piece by piece: a big vault is never held twice over.
    auto content = [this](const PieceWriter& write) { return writeVaultContent(key_.masterPassword, entries_, write); };
    if (IoResult result = vault.saveVault(content); result.failed()) return result;
    remember(vault);
    unsaved_ = false;
    savedChanges_ = entries_.changes();
    return IoResult::success();
}

}  // namespace vk::vault
