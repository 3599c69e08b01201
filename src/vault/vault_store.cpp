#include "vault/vault_store.h"

#include <cstring>

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

IoResult VaultStore::readVault(std::string& bytes) {
    if (auto error = ensureVaultFile()) return error;
    if (auto error = files_.readAll(path_, bytes)) return error;
    seen_ = fingerprintOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::readStoredPassword(std::string& password) {
    std::string bytes;
    if (auto error = readVault(bytes)) return error;
    password = storedPasswordOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::loadEntries(std::vector<Entry>& entries) {
    std::string bytes;
    if (auto error = readVault(bytes)) return error;
    entries = entriesOf(bytes);
    return std::nullopt;
}

IoResult VaultStore::loadEntries(EntryTable& entries) {
    std::string bytes;
    if (auto error = readVault(bytes)) return error;
    entries = entryTableOf(std::move(bytes));
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

IoResult VaultStore::saveVault(std::string_view content) {
    if (auto error = ensureVaultFile()) return error;
    Path target;
    if (auto error = files_.finalPath(path_, target)) return error;
    if (auto error = files_.replaceAtomically(target, temporaryPathFor(target), content)) return error;
    seen_ = fingerprintOf(content);
    return std::nullopt;
}

IoResult VaultStore::changedSince(const Fingerprint& known, bool& changed) {
    std::string bytes;
    if (auto error = files_.readAll(path_, bytes)) {
        Path ignored;
        if (!files_.finalPath(path_, ignored)) return error;  // there, but unreadable
        changed = true;  // gone
        return std::nullopt;
    }
    changed = fingerprintOf(bytes) != known;
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

Fingerprint fingerprintOf(std::string_view bytes) {
    // FNV-1a over eight bytes a step in four independent lanes: more than enough to tell one
    // version of the file from another, and quick enough for every load and save of a big vault.
    constexpr std::uint64_t kPrime = 0x100000001b3ull;
    constexpr size_t kWord = sizeof(std::uint64_t), kLanes = 4;
    std::uint64_t lanes[kLanes] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull, 0x9ce484222325cbf2ull,
                                   0x2325cbf29ce48422ull};
    auto step = [](std::uint64_t& lane, const char* at) {
        std::uint64_t word;
        std::memcpy(&word, at, kWord);
        lane = (lane ^ word) * kPrime;
    };
    size_t i = 0;
    for (; i + kLanes * kWord <= bytes.size(); i += kLanes * kWord)
        for (size_t lane = 0; lane < kLanes; ++lane) step(lanes[lane], bytes.data() + i + lane * kWord);
    for (; i + kWord <= bytes.size(); i += kWord) step(lanes[0], bytes.data() + i);
    std::uint64_t hash = lanes[0];
    for (; i < bytes.size(); ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * kPrime;
    for (size_t lane = 1; lane < kLanes; ++lane) hash = (hash ^ lanes[lane]) * kPrime;
    hash ^= hash >> 29;  // the high bytes of a word reach the low bits too
    return Fingerprint{bytes.size(), hash};
}

}  // namespace vk::vault
