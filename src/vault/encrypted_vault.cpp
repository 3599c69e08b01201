#include "vault/encrypted_vault.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vk::vault {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {0x80, 0x56, 0x4B, 0x45, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint16_t kFirstVersion = 1;
constexpr std::uint16_t kWrittenVersion = 2;
constexpr std::uint8_t kPbkdf2HmacSha256 = 1;
constexpr std::uint8_t kAes256Gcm = 1;
constexpr std::string_view kCipherKeyLabel = "Vellumkeep cipher key";
constexpr std::string_view kCheckKeyLabel = "Vellumkeep key check";

// Where the header's fields lie.
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kKeyDerivationAt = 10;
constexpr std::size_t kCipherAt = 11;
constexpr std::size_t kIterationsAt = 12;
constexpr std::size_t kSaltAt = 16;
constexpr std::size_t kNonceAt = 32;
constexpr std::size_t kKeyCheckAt = 44;
constexpr std::size_t kDigestAt = 76;  // from version 2 on, in every version
static_assert(kSaltAt + kSaltSize == kNonceAt && kNonceAt + kNonceSize == kKeyCheckAt);
static_assert(kKeyCheckAt + kKeyCheckSize == kVersion1HeaderSize && kVersion1HeaderSize == kDigestAt);
static_assert(kDigestAt + kDigestSize == kEncryptedHeaderSize);

ByteView bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
ByteSpan bytesOf(std::string& text) {
    return {reinterpret_cast<std::uint8_t*>(text.data()), text.size()};
}

std::uint16_t readUint16(ByteView bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
std::uint32_t readUint32(ByteView bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}
void writeLittleEndian(ByteSpan bytes, std::size_t at, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool iterationsWithinBounds(std::uint32_t iterations) {
    return iterations >= kFewestIterations && iterations <= kMostIterations;
}

// Takes as long whichever byte differs: a comparison that stops early would tell an attacker who
// can time it how much of a guessed key check is right.
bool equalInConstantTime(ByteView a, ByteView b) {
    if (a.size() != b.size()) return false;
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

void writeHeaderStart(ByteSpan file, const KeyParameters& parameters) {
    std::copy(kMagic.begin(), kMagic.end(), file.begin());
    writeLittleEndian(file, kVersionAt, kWrittenVersion, 2);
    file[kKeyDerivationAt] = kPbkdf2HmacSha256;
    file[kCipherAt] = kAes256Gcm;
    writeLittleEndian(file, kIterationsAt, parameters.iterations, 4);
    std::copy(parameters.salt.begin(), parameters.salt.end(), file.begin() + kSaltAt);
}

}  // namespace

std::string withSystemReason(std::string_view sentence, const CryptographyFailure& failure) {
    std::string told(sentence);
    if (failure.reason.empty()) return told;
    const size_t stop = told.ends_with('.') ? told.size() - 1 : told.size();
    return told.insert(stop, " (" + failure.reason + ")");
}

bool isEncryptedVault(std::string_view fileBytes) {
    ByteView bytes = bytesOf(fileBytes);
    if (bytes.empty()) return false;
    return bytes.front() == kMagic[0] ||
           (bytes.size() >= kMagic.size() && std::equal(kMagic.begin() + 1, kMagic.end(), bytes.begin() + 1));
}

namespace {

enum class DigestCheck { Fits, Differs, Failed };

// Whether the 32 bytes at kDigestAt are the SHA-256 of `header`, the 76 bytes before them as they
// stand or as they were meant to be.
DigestCheck checkDigest(Cryptography& crypto, ByteView header, ByteView file) {
    std::array<std::uint8_t, kDigestSize> digest{};
    if (!crypto.sha256(header, digest)) return DigestCheck::Failed;
    return std::equal(digest.begin(), digest.end(), file.begin() + kDigestAt) ? DigestCheck::Fits
                                                                               : DigestCheck::Differs;
}

// Version 2 and every later version: the digest vouches for the first 76 bytes, the version field
// among them.
HeaderStatus checkDigestedHeader(Cryptography& crypto, ByteView file) {
    if (file.size() < kEncryptedHeaderSize) return HeaderStatus::Damaged;
    switch (checkDigest(crypto, file.first(kVersion1HeaderSize), file)) {
    case DigestCheck::Fits: return HeaderStatus::Ok;
    case DigestCheck::Differs: return HeaderStatus::Damaged;
    case DigestCheck::Failed: break;
    }
    return HeaderStatus::CryptographyFailed;
}

// Version 1 has no digest, but a version-2 file whose version field was damaged into 1 still
// holds one: the digest of its header as it was, with version 2. Ciphertext that matched it by
// chance would be a 256-bit coincidence.
HeaderStatus checkNotDamagedVersion2(Cryptography& crypto, ByteView file) {
    if (file.size() < kEncryptedHeaderSize + kTagSize) return HeaderStatus::Ok;  // too short for version 2
    std::array<std::uint8_t, kVersion1HeaderSize> asVersion2{};
    std::copy_n(file.begin(), asVersion2.size(), asVersion2.begin());
    writeLittleEndian(asVersion2, kVersionAt, kWrittenVersion, 2);
    switch (checkDigest(crypto, asVersion2, file)) {
    case DigestCheck::Fits: return HeaderStatus::Damaged;
    case DigestCheck::Differs: return HeaderStatus::Ok;
    case DigestCheck::Failed: break;
    }
    return HeaderStatus::CryptographyFailed;
}

}  // namespace

bool hasEncryptedVaultDigest(Cryptography& crypto, std::string_view fileBytes) {
    ByteView bytes = bytesOf(fileBytes);
    if (bytes.size() < kEncryptedHeaderSize) return false;
    std::array<std::uint8_t, kVersion1HeaderSize> header{};
    std::copy_n(bytes.begin(), header.size(), header.begin());
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    return checkDigest(crypto, header, bytes) == DigestCheck::Fits;
}

HeaderReading readEncryptedHeader(Cryptography& crypto, std::string_view fileBytes) {
    HeaderReading reading;  // Damaged until shown otherwise
    ByteView bytes = bytesOf(fileBytes);
    if (bytes.size() < kVersionAt + 2 || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return reading;
    EncryptedHeader& header = reading.header;
    header.version = readUint16(bytes, kVersionAt);
    if (header.version < kFirstVersion) return reading;
    // Checked before the version is believed: a damaged version field is damage, not a newer file.
    const HeaderStatus whole = header.version == kFirstVersion ? checkNotDamagedVersion2(crypto, bytes)
                                                               : checkDigestedHeader(crypto, bytes);
    if (whole != HeaderStatus::Ok) {
        reading.status = whole;
        return reading;
    }
    if (header.version > kWrittenVersion) {
        reading.status = HeaderStatus::NewerVersion;
        return reading;
    }
    header.size = header.version == kFirstVersion ? kVersion1HeaderSize : kEncryptedHeaderSize;
    if (bytes.size() < header.size + kTagSize || bytes[kKeyDerivationAt] != kPbkdf2HmacSha256 ||
        bytes[kCipherAt] != kAes256Gcm)
        return reading;
    header.keyParameters.iterations = readUint32(bytes, kIterationsAt);
    // Checked before anything is derived: a crafted header must not keep the program busy for hours.
    if (!iterationsWithinBounds(header.keyParameters.iterations)) return reading;
    std::copy_n(bytes.begin() + kSaltAt, kSaltSize, header.keyParameters.salt.begin());
    std::copy_n(bytes.begin() + kNonceAt, kNonceSize, header.nonce.begin());
    std::copy_n(bytes.begin() + kKeyCheckAt, kKeyCheckSize, header.keyCheck.begin());
    reading.status = HeaderStatus::Ok;
    return reading;
}

VaultKeys::Secrets::~Secrets() {
    wipeSecret(cipherKey);
    wipeSecret(checkKey);
}

VaultKeys::VaultKeys(const KeyParameters& parameters, std::unique_ptr<Secrets> secrets)
    : parameters_(parameters), secrets_(std::move(secrets)) {}

// The one way in to keys' secrets, for the functions of this file.
struct VaultKeysAccess {
    static VaultKeys make(const KeyParameters& parameters, std::unique_ptr<VaultKeys::Secrets> secrets) {
        return VaultKeys(parameters, std::move(secrets));
    }
    static const VaultKeys::Secrets& secretsOf(const VaultKeys& keys) { return *keys.secrets_; }
    static std::unique_ptr<VaultKeys::Secrets> newSecrets() { return std::make_unique<VaultKeys::Secrets>(); }
};

KeysResult deriveVaultKeys(Cryptography& crypto, std::string_view ansiPassword, const KeyParameters& parameters) {
    if (!iterationsWithinBounds(parameters.iterations)) return {KeysStatus::IterationsOutOfBounds, std::nullopt};
    std::array<std::uint8_t, kKeySize> master{};
    WipedWhenDone wipedMaster(master);
    auto secrets = VaultKeysAccess::newSecrets();
    if (!crypto.pbkdf2HmacSha256(ansiPassword, parameters.salt, parameters.iterations, master) ||
        !crypto.hmacSha256(master, bytesOf(kCipherKeyLabel), secrets->cipherKey) ||
        !crypto.hmacSha256(master, bytesOf(kCheckKeyLabel), secrets->checkKey))
        return {KeysStatus::CryptographyFailed, std::nullopt, crypto.lastFailure()};
    return {KeysStatus::Made, VaultKeysAccess::make(parameters, std::move(secrets))};
}

bool sameVaultKeys(const VaultKeys& a, const VaultKeys& b) {
    const auto& first = VaultKeysAccess::secretsOf(a);
    const auto& second = VaultKeysAccess::secretsOf(b);
    // Both compared whole, whatever the first gives: the time taken tells nothing.
    const bool cipherKeys = equalInConstantTime(first.cipherKey, second.cipherKey);
    const bool checkKeys = equalInConstantTime(first.checkKey, second.checkKey);
    return a.parameters() == b.parameters() && cipherKeys && checkKeys;
}

KeysResult makeFreshVaultKeys(Cryptography& crypto, std::string_view ansiPassword, std::uint32_t iterations) {
    KeyParameters parameters;
    parameters.iterations = iterations;
    if (!iterationsWithinBounds(iterations)) return {KeysStatus::IterationsOutOfBounds, std::nullopt};
    if (!crypto.randomBytes(parameters.salt))
        return {KeysStatus::CryptographyFailed, std::nullopt, crypto.lastFailure()};
    return deriveVaultKeys(crypto, ansiPassword, parameters);
}

namespace {

enum class KeyCheck { Fits, Differs, Failed };

// Whether the keys made the file's key check. The file's header has been read and found whole.
KeyCheck checkKeys(Cryptography& crypto, const VaultKeys& keys, ByteView file) {
    std::array<std::uint8_t, kKeyCheckSize> expected{};
    if (!crypto.hmacSha256(VaultKeysAccess::secretsOf(keys).checkKey, file.first(kKeyCheckAt), expected))
        return KeyCheck::Failed;
    return equalInConstantTime(expected, file.subspan(kKeyCheckAt, kKeyCheckSize)) ? KeyCheck::Fits
                                                                                   : KeyCheck::Differs;
}

}  // namespace

UnlockResult keysForPassword(Cryptography& crypto, std::string_view fileBytes, std::string_view ansiPassword) {
    HeaderReading reading = readEncryptedHeader(crypto, fileBytes);
    switch (reading.status) {
    case HeaderStatus::Ok: break;
    case HeaderStatus::Damaged: return {UnlockStatus::Damaged, std::nullopt};
    case HeaderStatus::NewerVersion: return {UnlockStatus::NewerVersion, std::nullopt};
    case HeaderStatus::CryptographyFailed:
        return {UnlockStatus::CryptographyFailed, std::nullopt, crypto.lastFailure()};
    }
    KeysResult made = deriveVaultKeys(crypto, ansiPassword, reading.header.keyParameters);
    if (made.status == KeysStatus::CryptographyFailed)
        return {UnlockStatus::CryptographyFailed, std::nullopt, std::move(made.failure)};
    if (made.status != KeysStatus::Made) return {UnlockStatus::Damaged, std::nullopt};
    switch (checkKeys(crypto, *made.keys, bytesOf(fileBytes))) {
    case KeyCheck::Fits:
        return {UnlockStatus::Opened, std::move(made.keys)};
    case KeyCheck::Differs:
        return {UnlockStatus::WrongPassword, std::nullopt};
    case KeyCheck::Failed:
        break;
    }
    return {UnlockStatus::CryptographyFailed, std::nullopt, crypto.lastFailure()};
}

DecryptResult decryptVault(Cryptography& crypto, const VaultKeys& keys, std::string fileBytes) {
    HeaderReading reading = readEncryptedHeader(crypto, fileBytes);
    switch (reading.status) {
    case HeaderStatus::Ok: break;
    case HeaderStatus::Damaged: return {DecryptStatus::Damaged, {}};
    case HeaderStatus::NewerVersion: return {DecryptStatus::NewerVersion, {}};
    case HeaderStatus::CryptographyFailed: return {DecryptStatus::CryptographyFailed, {}, crypto.lastFailure()};
    }
    if (reading.header.keyParameters != keys.parameters()) return {DecryptStatus::OtherKeys, {}};
    ByteSpan file = bytesOf(fileBytes);
    switch (checkKeys(crypto, keys, file)) {
    case KeyCheck::Fits:
        break;
    case KeyCheck::Differs:  // the same salt and iterations give the same keys: the header changed
        return {DecryptStatus::Damaged, {}};
    case KeyCheck::Failed:
        return {DecryptStatus::CryptographyFailed, {}, crypto.lastFailure()};
    }

    const std::size_t headerSize = reading.header.size;
    std::size_t size = file.size() - headerSize - kTagSize;
    ByteSpan body = file.subspan(headerSize, size);
    Cryptography::Opening opening = crypto.openAes256Gcm(VaultKeysAccess::secretsOf(keys).cipherKey,
                                                         reading.header.nonce, file.first(headerSize), body,
                                                         file.last<kTagSize>(), body);
    if (opening != Cryptography::Opening::Opened) {
        wipeSecret(fileBytes);
        // The key check passed, so a tag that does not match is damage, not a wrong password.
        if (opening == Cryptography::Opening::TagMismatch) return {DecryptStatus::Damaged, {}};
        return {DecryptStatus::CryptographyFailed, {}, crypto.lastFailure()};
    }
    // The plaintext moves to the buffer's start; the end of it that stays behind is wiped.
    std::memmove(file.data(), body.data(), size);
    wipeSecret(file.subspan(size));
    fileBytes.resize(size);
    return {DecryptStatus::Opened, std::move(fileBytes)};
}

EncryptResult encryptVaultInPlace(Cryptography& crypto, const VaultKeys& keys, std::string& file) {
    const size_t plainSize = file.size() - kEncryptedHeaderSize;
    file.resize(file.size() + kTagSize);
    const auto& secrets = VaultKeysAccess::secretsOf(keys);
    ByteSpan bytes = bytesOf(file);
    writeHeaderStart(bytes, keys.parameters());
    ByteSpan nonce = bytes.subspan(kNonceAt, kNonceSize);
    ByteSpan content = bytes.subspan(kEncryptedHeaderSize, plainSize);
    if (!crypto.randomBytes(nonce) ||
        !crypto.hmacSha256(secrets.checkKey, bytes.first(kKeyCheckAt), bytes.subspan<kKeyCheckAt, kKeyCheckSize>()) ||
        !crypto.sha256(bytes.first(kDigestAt), bytes.subspan<kDigestAt, kDigestSize>()) ||
        !crypto.sealAes256Gcm(secrets.cipherKey, nonce, bytes.first(kEncryptedHeaderSize), content, content,
                              bytes.last<kTagSize>())) {
        wipeSecret(file);  // a half-done encryption may hold anything, the plaintext among it
        return {EncryptStatus::CryptographyFailed, crypto.lastFailure()};
    }
    return {EncryptStatus::Encrypted, {}};
}

}  // namespace vk::vault
