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
    // Whatever is there (a hidden file too, which fileExists counts as missing) is never written
    // at start: a sync tool would see a change at every start. Appending, should the vault appear
    // meanwhile, keeps what it holds.
    Path there;
    if (files_.finalPath(path_, there).succeeded()) return IoResult::success();
    return files_.append(path_, kLineEnd);
}

IoResult VaultStore::readVaultFile(std::string& bytes) {
    if (IoResult result = ensureVaultFile(); result.failed()) return result;
    return files_.readAll(path_, bytes);
}

IoResult VaultStore::read(std::string& bytes) {
    if (IoResult result = readVaultFile(bytes); result.failed()) return result;
    seen_ = fingerprintOf(bytes);
    return IoResult::success();
}

IoResult VaultStore::readIfThere(std::string& bytes, bool& there) {
    Path final;
    there = files_.finalPath(path_, final).succeeded();
    if (!there) return IoResult::success();
    return read(bytes);
}

IoResult VaultStore::loadEntries(EntryTable& entries) {
    std::string bytes;
    if (IoResult result = readVaultFile(bytes); result.failed()) return result;
    // Fingerprinted as the table unscrambles it: one pass over a big vault instead of two.
    FingerprintBuilder read;
    entries = entryTableOf(std::move(bytes), &read);
    seen_ = read.result();
    return IoResult::success();
}

IoResult VaultStore::saveVault(const ContentSource& content) {
    // The vault is nearly always there: it is looked for by name only when it cannot be named.
    Path target;
    if (files_.finalPath(path_, target).failed()) {
        if (IoResult result = ensureVaultFile(); result.failed()) return result;
        if (IoResult result = files_.finalPath(path_, target); result.failed()) return result;
    }
    // Fingerprinted piece by piece as it is written, while each piece is still at hand.
    FingerprintBuilder written;
    auto fingerprinted = [&](const PieceWriter& write) {
        return content([&](std::string_view piece) {
            written.add(piece);
            return write(piece);
        });
    };
    if (IoResult result = files_.replaceAtomically(target, temporaryPathFor(target), fingerprinted); result.failed())
        return result;
    seen_ = written.result();
    return IoResult::success();
}

IoResult VaultStore::saveVault(std::string_view content) {
    return saveVault([content](const PieceWriter& write) { return write(content); });
}

IoResult VaultStore::changedSince(const Fingerprint& known, bool& changed) {
    FingerprintBuilder now;
    auto fingerprint = [&now](std::string_view piece) -> IoResult {
        now.add(piece);
        return IoResult::success();
    };
    // A folder put in the vault's place is a change like any other: the user is asked.
    if (files_.isFolder(path_)) {
        changed = true;
        return IoResult::success();
    }
    if (IoResult read = files_.readPieces(path_, fingerprint); read.failed()) {
        Path ignored;
        if (files_.finalPath(path_, ignored).succeeded()) return read;  // there, but unreadable
        changed = true;  // gone
        return IoResult::success();
    }
    changed = now.result() != known;
    return IoResult::success();
}

Path vaultIdentity(FileSystem& files, const Path& vaultPath) {
    Path final;
    if (files.finalPath(vaultPath, final).succeeded()) return final;
    size_t separator = vaultPath.rfind(kPathSeparator);
    if (separator == Path::npos) return vaultPath;
    // The folder with its separator, so that a bare drive such as "C:" names its root.
    if (files.finalPath(vaultPath.substr(0, separator + 1), final).failed()) return vaultPath;
    if (final.empty() || final.back() != kPathSeparator) final += kPathSeparator;
    return final + vaultPath.substr(separator + 1);
}

}  // namespace vk::vault
