#include "vault/vault_session.h"

#include <new>

namespace vk::vault {

VaultKey::VaultKey(VaultKey&& other) noexcept
    : masterPassword_(std::move(other.masterPassword_)), keys_(std::move(other.keys_)) {
    wipeSecret(other.masterPassword_);
    other.keys_.reset();
}

VaultKey& VaultKey::operator=(VaultKey&& other) noexcept {
    if (this == &other) return *this;
    wipeSecret(masterPassword_);
    masterPassword_ = std::move(other.masterPassword_);
    keys_ = std::move(other.keys_);
    wipeSecret(other.masterPassword_);
    other.keys_.reset();
    return *this;
}

VaultKey::~VaultKey() { wipeSecret(masterPassword_); }

VaultKey VaultKey::scrambled(std::string_view masterPassword) {
    VaultKey key;
    key.masterPassword_ = masterPassword;
    return key;
}

VaultKey VaultKey::encrypted(VaultKeys keys) {
    VaultKey key;
    key.keys_ = std::move(keys);
    return key;
}

VaultSession::VaultSession(FileSystem& files, Path path, CollationKey collationKey, Cryptography* crypto)
    : files_(files), path_(std::move(path)), crypto_(crypto), entries_(collationKey) {}

VaultStore VaultSession::store() { return VaultStore(files_, path_); }

void VaultSession::remember(const VaultStore& store) {
    if (store.seen()) known_ = *store.seen();
}

void VaultSession::rememberEntriesWritten() {
    fileEntries_ = entries_.count();
    removalsWritten_ = entries_.removals();
}

std::uint64_t VaultSession::missingEntries() const {
    const std::uint64_t accounted = entries_.count() + (entries_.removals() - removalsWritten_);
    return accounted < fileEntries_ ? fileEntries_ - accounted : 0;
}

namespace {

std::string missingEntriesReason(std::uint64_t missing, std::uint64_t held) {
    return "The list holds " + std::to_string(missing) + " fewer " + (missing == 1 ? "entry" : "entries") +
           " than the " + std::to_string(held) + " the vault file holds, and no command of yours removed " +
           (missing == 1 ? "it" : "them") + ": Vellumkeep will not write the vault without " +
           (missing == 1 ? "it." : "them.");
}

// Without the system's cryptography an encrypted vault's header cannot be checked; the open then
// says why.
VaultState encryptedVaultState(Cryptography* crypto, std::string_view bytes) {
    switch (crypto ? readEncryptedHeader(*crypto, bytes).status : HeaderStatus::CryptographyFailed) {
    case HeaderStatus::Ok:
    case HeaderStatus::CryptographyFailed: return VaultState::Guarded;
    case HeaderStatus::NewerVersion: return VaultState::NewerVersion;
    case HeaderStatus::Damaged: break;
    }
    return VaultState::Damaged;
}

}  // namespace

IoResult VaultSession::inspect(VaultFound& found) {
    VaultStore vault = store();
    std::string bytes;
    if (IoResult result = vault.read(bytes); result.failed()) return result;
    inspectBytes(bytes, *vault.seen());
    found = found_;
    return IoResult::success();
}

void VaultSession::inspectBytes(const std::string& bytes, const Fingerprint& fingerprint) {
    known_ = fingerprint;
    wipeSecret(storedPassword_);
    found_.size = bytes.size();
    const bool encrypted = isEncryptedVault(bytes) || (crypto_ && hasEncryptedVaultDigest(*crypto_, bytes));
    found_.format = encrypted ? VaultFormat::Encrypted : VaultFormat::Scrambled;
    // An encrypted vault, whole or not, is never taken for a fresh one: that would overwrite it.
    if (found_.format == VaultFormat::Encrypted) {
        found_.state = encryptedVaultState(crypto_, bytes);
    } else if (isZeroFilled(bytes)) {
        found_.state = VaultState::Damaged;
    } else {
        storedPassword_ = storedPasswordOf(bytes);
        found_.state = storedPassword_.empty() ? VaultState::Fresh : VaultState::Guarded;
    }
}

IoResult VaultSession::open(std::string_view password, OpenOutcome& outcome) {
    outcome = OpenOutcome::WrongPassword;
    VaultStore vault = store();
    std::string bytes;
    bool there = true;
    if (IoResult result = vault.readIfThere(bytes, there); result.failed()) return result;
    if (!there) return vaultGone(outcome);
    const Fingerprint read = *vault.seen();
    if (!known_ || read != *known_) {
        inspectBytes(bytes, read);
        outcome = OpenOutcome::FileChanged;
        return IoResult::success();
    }
    if (found_.state != VaultState::Guarded) return IoResult::success();
    if (found_.format == VaultFormat::Encrypted)
        openEncrypted(std::move(bytes), password, outcome);
    else
        openScrambled(std::move(bytes), password, outcome);
    return IoResult::success();
}

void VaultSession::openScrambled(std::string bytes, std::string_view password, OpenOutcome& outcome) {
    if (storedPassword_.empty() || password != storedPassword_) return;
    key_ = VaultKey::scrambled(password);
    wipeSecret(storedPassword_);  // the key holds it now: no second copy stays
    baseContent_ = bytes;
    entries_.addAll(entryTableOf(std::move(bytes)));
    rememberEntriesWritten();
    outcome = OpenOutcome::Opened;
}

void VaultSession::openEncrypted(std::string bytes, std::string_view password, OpenOutcome& outcome) {
    if (!crypto_) {
        cryptographyFailure_ = {};
        outcome = OpenOutcome::CryptographyFailed;
        return;
    }
    UnlockResult unlocked = keysForPassword(*crypto_, bytes, password);
    switch (unlocked.status) {
    case UnlockStatus::Opened: break;
    case UnlockStatus::WrongPassword: outcome = OpenOutcome::WrongPassword; return;
    case UnlockStatus::Damaged: outcome = OpenOutcome::Damaged; return;
    case UnlockStatus::NewerVersion: outcome = OpenOutcome::NewerVersion; return;
    case UnlockStatus::CryptographyFailed:
        cryptographyFailure_ = std::move(unlocked.failure);
        outcome = OpenOutcome::CryptographyFailed;
        return;
    }
    DecryptResult decrypted = decryptVault(*crypto_, *unlocked.keys, std::move(bytes));
    switch (decrypted.status) {
    case DecryptStatus::Opened: break;
    case DecryptStatus::NewerVersion: outcome = OpenOutcome::NewerVersion; return;
    case DecryptStatus::CryptographyFailed:
        cryptographyFailure_ = std::move(decrypted.failure);
        outcome = OpenOutcome::CryptographyFailed;
        return;
    case DecryptStatus::Damaged:
    case DecryptStatus::OtherKeys: outcome = OpenOutcome::Damaged; return;
    }
    key_ = VaultKey::encrypted(std::move(*unlocked.keys));
    // Room for the first save's file at once: a big vault's save then neither grows it nor copies.
    encryptedFile_.reserve(decrypted.plaintext.size() + decrypted.plaintext.size() / 8 + kEncryptedHeaderSize +
                           kTagSize);
    baseContent_ = decrypted.plaintext;
    entries_.addAll(entryTableOf(std::move(decrypted.plaintext)));
    rememberEntriesWritten();
    outcome = OpenOutcome::Opened;
}

IoResult VaultSession::create(std::string_view masterPassword, OpenOutcome& outcome) {
    outcome = OpenOutcome::FileChanged;
    VaultStore vault = store();
    std::string bytes;
    bool there = true;
    if (IoResult result = vault.readIfThere(bytes, there); result.failed()) return result;
    if (!there) return vaultGone(outcome);
    // Only the vault that inspect found without a master password gets one: a file that became an
    // encrypted vault meanwhile would be destroyed by the new first line.
    if (!known_ || *vault.seen() != *known_) {
        inspectBytes(bytes, *vault.seen());
        return IoResult::success();
    }
    std::string content = withMasterPassword(bytes, masterPassword);
    if (IoResult result = vault.saveVault(content); result.failed()) return result;
    remember(vault);
    key_ = VaultKey::scrambled(masterPassword);
    baseContent_ = content;
    entries_.addAll(entryTableOf(std::move(content)));
    rememberEntriesWritten();
    found_.state = VaultState::Guarded;
    outcome = OpenOutcome::Opened;
    return IoResult::success();
}

IoResult VaultSession::vaultGone(OpenOutcome& outcome) {
    known_.reset();
    outcome = OpenOutcome::FileChanged;
    return IoResult::success();
}

void VaultSession::close() {
    entries_.dropAll();
    key_ = VaultKey();
    wipeSecret(storedPassword_);
    std::string().swap(encryptedFile_);  // ciphertext, but room a closed vault need not keep
    for (std::string* content : {&baseContent_, &written_}) {
        wipeSecret(*content);
        std::string().swap(*content);
    }
    known_.reset();
    found_ = VaultFound{};
    rememberEntriesWritten();
}

bool VaultSession::isMasterPassword(std::string_view password, bool& failed) {
    failed = false;
    if (!key_.keys_) return !key_.masterPassword_.empty() && password == key_.masterPassword_;
    KeysResult derived = crypto_ ? deriveVaultKeys(*crypto_, password, key_.keys_->parameters()) : KeysResult{};
    if (derived.status != KeysStatus::Made) {
        cryptographyFailure_ = std::move(derived.failure);
        failed = true;
        return false;
    }
    return sameVaultKeys(*derived.keys, *key_.keys_);
}

std::optional<VaultKey> VaultSession::makeKey(std::string_view masterPassword, VaultFormat format) {
    if (format == VaultFormat::Scrambled) return VaultKey::scrambled(masterPassword);
    if (!crypto_) {
        cryptographyFailure_ = {};
        return std::nullopt;
    }
    KeysResult made = makeFreshVaultKeys(*crypto_, masterPassword);
    if (made.status != KeysStatus::Made) {
        cryptographyFailure_ = std::move(made.failure);
        return std::nullopt;
    }
    return VaultKey::encrypted(std::move(*made.keys));
}

VaultKey VaultSession::replaceKey(VaultKey key) {
    // A closed vault stays closed: a key put back after a lock would open it with no entries.
    if (!isOpen()) return key;
    VaultKey old = std::move(key_);
    key_ = std::move(key);
    return old;
}

IoResult VaultSession::changedOnDisk(bool& changed) {
    changed = false;
    if (!known_) return IoResult::success();
    return store().changedSince(*known_, changed);
}

IoResult VaultSession::sealContent() {
    std::string& file = encryptedFile_;
    try {
        file.assign(kEncryptedHeaderSize, '\0');
        PieceWriter append = [&file](std::string_view piece) {
            file.append(piece);
            return IoResult::success();
        };
        if (IoResult written = writeVaultContent("", entries_, append); written.failed()) {
            wipeSecret(file);
            return written;
        }
        written_.assign(file, kEncryptedHeaderSize);
        EncryptResult encrypted = encryptVaultInPlace(*crypto_, *key_.keys_, file);
        if (encrypted.status == EncryptStatus::Encrypted) return IoResult::success();
        return IoError{0, withSystemReason("The system's cryptography could not encrypt the vault.", encrypted.failure),
                       {}};
    } catch (const std::bad_alloc&) {
        // What was written holds the entries unencrypted, and its room may be what memory lacks
        // for the next save: both go.
        wipeSecret(file);
        std::string().swap(file);
        wipeSecret(written_);
        return IoError{0, "There is not enough memory to encrypt the vault.", {}};
    }
}

IoResult VaultSession::save() {
    // Without its key the vault would be written as one that has no master password yet.
    if (!isOpen()) return IoError{0, "The vault is not open.", {}};
    if (const std::uint64_t missing = missingEntries())
        return IoError{0, missingEntriesReason(missing, fileEntries_), {}};
    VaultStore vault = store();
    IoResult result;
    written_.clear();
    if (!key_.keys_) {
        written_.reserve(baseContent_.size() + baseContent_.size() / 8);
        // Written from the list piece by piece, each piece also kept as the base of a later merge.
        result = vault.saveVault([this](const PieceWriter& write) {
            return writeVaultContent(key_.masterPassword_, entries_, [&](std::string_view piece) {
                written_.append(piece);
                return write(piece);
            });
        });
    } else {
        if (!crypto_) return IoError{0, "The system's cryptography could not encrypt the vault.", {}};
        if (IoResult sealed = sealContent(); sealed.failed()) return sealed;
        result = vault.saveVault(encryptedFile_);
    }
    if (result.failed()) return result;
    remember(vault);
    // The last base's room serves the next save: a big vault's save allocates nothing anew.
    baseContent_.swap(written_);
    found_ = VaultFound{VaultState::Guarded, key_.format(), found_.size};
    unsaved_ = false;
    savedChanges_ = entries_.changes();
    rememberEntriesWritten();
    return IoResult::success();
}

}  // namespace vk::vault
