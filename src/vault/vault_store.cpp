#include "vault/vault_store.h"

namespace vk::vault {

Path vaultPathIn(const Path& folder) {
    // Joined with a separator even after a bare drive such as "C:", which would otherwise name a relative path.
    Path text = folder;
    text += kPathSeparator;
    text.append(kVaultFileName.begin(), kVaultFileName.end());
    return text;
}

Path temporaryPathFor(const Path& vaultPath) {
    Path text = vaultPath;
    constexpr std::string_view kSuffix = ".tmp";
    text.append(kSuffix.begin(), kSuffix.end());
    return text;
}

bool fileExists(FileSystem& files, const Path& path) {
    try {
        size_t separator = path.rfind(kPathSeparator);
        Path name = separator == Path::npos ? path : path.substr(separator + 1);
        if (name.empty()) return false;
        auto found = files.firstOrdinaryFileName(path);
        return found && files.sameFileName(*found, name);
    } catch (...) {
        // Every doubt means "not there": the caller then only appends an empty line.
        return false;
    }
}

IoResult VaultStore::ensureVaultFile() {
    if (fileExists(files_, path_)) return std::nullopt;
    // Appending rather than creating: a vault that is there but hidden keeps its content.
    return files_.append(path_, kLineEnd);
}

IoResult VaultStore::readStoredPassword(std::string& password) {
    if (auto error = ensureVaultFile()) return error;
    std::string bytes;
    if (auto error = files_.readAll(path_, bytes)) return error;
    password = storedPasswordOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::loadEntries(std::vector<Entry>& entries) {
    if (auto error = ensureVaultFile()) return error;
    std::string bytes;
    if (auto error = files_.readAll(path_, bytes)) return error;
    entries = entriesOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::loadEntries(EntryTable& entries) {
    if (auto error = ensureVaultFile()) return error;
    std::string bytes;
    if (auto error = files_.readAll(path_, bytes)) return error;
    entries = entryTableOf(std::move(bytes));
    return std::nullopt;
}

IoResult VaultStore::createVault(std::string_view masterPassword) {
    return saveVault(createdVault(masterPassword));
}

IoResult VaultStore::saveVault(std::string_view content) {
    if (auto error = ensureVaultFile()) return error;
    return files_.replaceAtomically(path_, temporaryPathFor(path_), content);
}

}  // namespace vk::vault
