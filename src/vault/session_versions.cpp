// The open vault's earlier versions: kept before saves, opened with the vault's key, restored, and
// sealed anew whenever the vault's key changes, so that no kept file is weaker than the vault.
#include <algorithm>
#include <new>

#include "vault/vault_session.h"

namespace vk::vault {
namespace {

// Any bytes read as scrambled lines give a first line. Taken for a vault with another master password,
// so that its password is asked for, are only files as a save writes them: ended by a line end, with
// a first line that could have been typed (no control characters).
bool looksSaved(std::string_view bytes, std::string_view storedPassword) {
    if (!bytes.ends_with(kLineEnd)) return false;
    for (char c : storedPassword)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

}  // namespace

OpenedFile VaultSession::openWithKey(std::string bytes, const VaultKey& key) {
    OpenedFile opened;
    if (isEncryptedVault(bytes)) {
        if (!key.keys_) {
            opened.opening = FileOpening::OtherKey;
            return opened;
        }
        if (!crypto_) {
            opened.opening = FileOpening::CryptographyFailed;
            return opened;
        }
        DecryptResult decrypted = decryptVault(*crypto_, *key.keys_, std::move(bytes));
        switch (decrypted.status) {
        case DecryptStatus::Opened: break;
        case DecryptStatus::OtherKeys: opened.opening = FileOpening::OtherKey; return opened;
        case DecryptStatus::Damaged: opened.opening = FileOpening::Damaged; return opened;
        case DecryptStatus::NewerVersion: opened.opening = FileOpening::NewerVersion; return opened;
        case DecryptStatus::CryptographyFailed:
            cryptographyFailure_ = std::move(decrypted.failure);
            opened.opening = FileOpening::CryptographyFailed;
            return opened;
        }
        opened.opening = FileOpening::Opened;
        opened.content = std::move(decrypted.plaintext);
    } else {
        std::string stored = storedPasswordOf(bytes);
        if (isZeroFilled(bytes) || stored.empty()) return opened;  // NotAVault
        if (key.keys_)
            opened.opening = FileOpening::Unencrypted;
        else if (stored == key.masterPassword_)
            opened.opening = FileOpening::Opened;
        else if (looksSaved(bytes, stored))
            opened.opening = FileOpening::OtherPassword;
        wipeSecret(stored);
        if (opened.opening == FileOpening::NotAVault) return opened;
        opened.content = std::move(bytes);
    }
    opened.entries = entryTableOf(opened.content);
    return opened;
}

IoResult VaultSession::sealedFile(const EntryTable& entries, std::string& file) {
    file.clear();
    if (key_.keys_) file.assign(kEncryptedHeaderSize, '\0');
    VaultContentWriter writer(key_.keys_ ? std::string_view() : std::string_view(key_.masterPassword_),
                              [&file](std::string_view piece) {
                                  file.append(piece);
                                  return IoResult::success();
                              });
    for (size_t i = 0; i < entries.size(); ++i) writer.add(entries[i]);
    if (IoResult written = writer.finish(); written.failed()) return written;
    if (!key_.keys_) return IoResult::success();
    if (!crypto_) return IoError{0, "The system's cryptography could not encrypt the version.", {}};
    EncryptResult encrypted = encryptVaultInPlace(*crypto_, *key_.keys_, file);
    if (encrypted.status == EncryptStatus::Encrypted) return IoResult::success();
    return IoError{0, withSystemReason("The system's cryptography could not encrypt the version.", encrypted.failure),
                   {}};
}

Path VaultSession::versionsFolder() {
    Path file;
    if (files_.finalPath(path_, file).failed()) file = path_;
    return versionsFolderFor(file);
}

IoResult VaultSession::listVersions(std::vector<KeptVersion>& newestFirst) {
    return versions_.list(versionsFolder(), newestFirst);
}

IoResult VaultSession::keepVersion(Seconds now, bool always, bool& kept) {
    kept = false;
    Path file;
    if (files_.finalPath(path_, file).failed()) return IoResult::success();  // nothing to keep yet
    const Path folder = versionsFolderFor(file);
    // Kept `always` (before a restore, say), one is kept even where the options keep none.
    const int count = always ? std::max(versionsKept_, 1) : versionsKept_;
    if (count <= 0) return versions_.keepNewest(folder, 0);
    std::vector<KeptVersion> versions;
    if (IoResult listed = versions_.list(folder, versions); listed.failed()) return listed;
    if (!always && !versions_.due(versions, now)) return IoResult::success();
    return versions_.keep(file, folder, now, count, kept);
}

IoResult VaultSession::openVersion(const Path& version, OpenedFile& opened) {
    std::string bytes;
    if (IoResult read = files_.readAll(version, bytes); read.failed()) return read;
    opened = openWithKey(std::move(bytes), key_);
    return IoResult::success();
}

void VaultSession::takeEntries(EntryTable entries) {
    std::vector<EntryView> theirs(entries.size()), ours(entries_.count());
    for (size_t i = 0; i < theirs.size(); ++i) theirs[i] = entries[i];
    for (size_t i = 0; i < ours.size(); ++i) ours[i] = entries_.at(i);
    entries_.takeMerge(inTheirOrder(theirs, ours), std::move(entries), true);
    rememberEntriesWritten();  // a restore takes entries out on purpose
    unsaved_ = true;
}

std::vector<UnsealedVersion> VaultSession::resealVersions(const VaultKey& old) {
    std::vector<UnsealedVersion> unsealed;
    std::vector<KeptVersion> versions;
    if (IoResult listed = listVersions(versions); listed.failed()) {
        unsealed.push_back({versionsFolder(), listed.error().reason});
        return unsealed;
    }
    for (const KeptVersion& version : versions) {
        std::string bytes;
        if (IoResult read = files_.readAll(version.path, bytes); read.failed()) {
            unsealed.push_back({version.path, read.error().reason});
            continue;
        }
        OpenedFile opened = openWithKey(bytes, old);
        // A version sealed with the new key already (an earlier attempt that stopped half-way) stays.
        if (opened.opening == FileOpening::OtherKey && openWithKey(bytes, key_).opening == FileOpening::Opened) continue;
        wipeSecret(bytes);
        if (!readable(opened.opening)) {
            unsealed.push_back({version.path, opened.opening == FileOpening::OtherKey
                                                  ? "It is encrypted with another master password."
                                                  : "It is not a vault that Vellumkeep can read."});
            continue;
        }
        std::string file;
        IoResult result;
        try {
            result = sealedFile(opened.entries, file);
            if (result.succeeded())
                result = versions_.rewrite(version.path,
                                           [&file](const PieceWriter& write) { return write(file); });
        } catch (const std::bad_alloc&) {
            result = IoError{0, "There is not enough memory to seal it.", {}};
        }
        wipeSecret(file);
        if (result.failed()) unsealed.push_back({version.path, result.error().reason});
    }
    return unsealed;
}

}  // namespace vk::vault
