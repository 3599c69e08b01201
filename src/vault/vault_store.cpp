#include "vault/vault_store.h"

namespace vk::vault {

Path vaultPathIn(const Path& folder) {
    // Joined as text: for a bare drive such as "C:" the path operator would give a relative "C:data.enc".
    Path::string_type text = folder.native();
    text += Path::preferred_separator;
    text.append(kVaultFileName.begin(), kVaultFileName.end());
    return Path(std::move(text));
}

Path temporaryPathFor(const Path& vaultPath) {
    Path::string_type text = vaultPath.native();
    constexpr std::string_view kSuffix = ".tmp";
    text.append(kSuffix.begin(), kSuffix.end());
    return Path(std::move(text));
}

bool fileExists(FileSystem& files, const Path& path) {
    try {
        const Path::string_type& text = path.native();
        size_t separator = text.rfind(Path::preferred_separator);
        Path::string_type name = separator == Path::string_type::npos ? text : text.substr(separator + 1);
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
