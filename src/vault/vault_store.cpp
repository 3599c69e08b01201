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

IoResult VaultStore::readVaultFile(std::string& bytes) {
    if (auto error = ensureVaultFile()) return error;
    return files_.readAll(path_, bytes);
}

IoResult VaultStore::readVault(std::string& bytes) {
    if (auto error = readVaultFile(bytes)) return error;
    seen_ = fingerprintOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::readStoredPassword(std::string& password) {
    std::string bytes;
    if (auto error = readVault(bytes)) return error;
    password = storedPasswordOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::loadEntries(EntryTable& entries) {
    std::string bytes;
    if (auto error = readVaultFile(bytes)) return error;
    // Fingerprinted as the table unscrambles it: one pass over a big vault instead of two.
    FingerprintBuilder read;
    entries = entryTableOf(std::move(bytes), &read);
    seen_ = read.result();
    return std::nullopt;
}

IoResult VaultStore::createVault(std::string_view masterPassword, EntryTable* kept) {
    std::string bytes;
    if (auto error = readVault(bytes)) return error;
    std::string content = withMasterPassword(bytes, masterPassword);
    if (auto error = saveVault(content)) return error;
    if (kept) *kept = entryTableOf(std::move(content));
    return std::nullopt;
}

IoResult VaultStore::saveVault(const ContentSource& content) {
    // The vault is nearly always there: it is looked for by name only when it cannot be named.
    Path target;
    if (files_.finalPath(path_, target)) {
        if (auto error = ensureVaultFile()) return error;
        if (auto error = files_.finalPath(path_, target)) return error;
    }
    // Fingerprinted piece by piece as it is written, while each piece is still at hand.
    FingerprintBuilder written;
    auto fingerprinted = [&](const PieceWriter& write) {
        return content([&](std::string_view piece) {
            written.add(piece);
            return write(piece);
        });
    };
    if (auto error = files_.replaceAtomically(target, temporaryPathFor(target), fingerprinted)) return error;
    seen_ = written.result();
    return std::nullopt;
}

IoResult VaultStore::saveVault(std::string_view content) {
    return saveVault([content](const PieceWriter& write) { return write(content); });
}

IoResult VaultStore::changedSince(const Fingerprint& known, bool& changed) {
    FingerprintBuilder now;
    auto fingerprint = [&now](std::string_view piece) -> IoResult {
        now.add(piece);
        return std::nullopt;
    };
    if (auto error = files_.readPieces(path_, fingerprint)) {
        Path ignored;
        if (!files_.finalPath(path_, ignored)) return error;  // there, but unreadable
        changed = true;  // gone
        return std::nullopt;
    }
    changed = now.result() != known;
    return std::nullopt;
}

Path vaultIdentity(FileSystem& files, const Path& vaultPath) {
    Path final;
    if (!files.finalPath(vaultPath, final)) return final;
    size_t separator = vaultPath.rfind(kPathSeparator);
    if (separator == Path::npos) return vaultPath;
    // The folder with its separator, so that a bare drive such as "C:" names its root.
    if (files.finalPath(vaultPath.substr(0, separator + 1), final)) return vaultPath;
    if (final.empty() || final.back() != kPathSeparator) final += kPathSeparator;
    return final + vaultPath.substr(separator + 1);
}

}  // namespace vk::vault
