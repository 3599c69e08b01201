#pragma once
// The encrypted vault file: a header that names how its key is derived, then the vault's content
// sealed with AES-256-GCM. All integers are little-endian. Saves write version 2; version 1, which
// earlier copies of the program wrote, is still read.
//
//   offset  size  field
//   0       8     magic: 80 56 4B 45 0D 0A 1A 0A (0x80, "VKE", CR LF, 0x1A, LF)
//   8       2     format version: 1 or 2
//   10      1     key derivation, 1: PBKDF2-HMAC-SHA256
//   11      1     cipher, 1: AES-256-GCM
//   12      4     iterations
//   16      16    salt: random, made when the vault is encrypted or its password changed
//   32      12    nonce: random, fresh at every save
//   44      32    key check: HMAC-SHA256(check key, bytes 0..43)
//
// Version 1 then holds:
//   76      n     the content, encrypted (as long as the content)
//   76+n    16    GCM tag; the associated data is the whole header, bytes 0..75
// Version 2 then holds:
//   76      32    header digest: SHA-256(bytes 0..75), unkeyed
//   108     n     the content, encrypted
//   108+n   16    GCM tag; the associated data is the whole header, bytes 0..107
//
// The digest is checked before any key is derived: a changed byte in the header of a version-2
// file reads as damage, never as a wrong password that costs the user a try (in version 1 a
// changed salt, iteration count, nonce or key check derives or checks other keys and cannot be
// told from one). Every later version keeps the magic, the version field and this digest of bytes
// 0..75 at 76..107, whatever else it changes: a version field damaged into a higher number then
// reads as damage, and only a file whose digest is right is one that a newer program wrote.
//
// master key = PBKDF2-HMAC-SHA256(password, salt, iterations, 32 bytes)
// cipher key = HMAC-SHA256(master key, "Vellumkeep cipher key")
// check key  = HMAC-SHA256(master key, "Vellumkeep key check")
// (the labels' ASCII bytes, without a terminating NUL)
//
// Why 0x80 first: a scrambled vault's first line is a typed password, which cannot hold a NUL, and
// a scrambled NUL is 0x80; so no scrambled vault starts with 0x80, and an older copy of the program
// that meets an encrypted file sees a stored password that no typed one matches. The CR LF and
// 0x1A in the magic show a copy made in text mode, which changes or cuts them.
//
// No window code and no windows.h: the system's cryptography comes in through `Cryptography`.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace vk::vault {

using ByteView = std::span<const std::uint8_t>;
using ByteSpan = std::span<std::uint8_t>;

// The header as a save writes it (version 2), and as version 1 had it.
inline constexpr std::size_t kEncryptedHeaderSize = 108;
inline constexpr std::size_t kVersion1HeaderSize = 76;
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kNonceSize = 12;
inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kKeyCheckSize = 32;
inline constexpr std::size_t kHmacSize = 32;
inline constexpr std::size_t kDigestSize = 32;
inline constexpr std::size_t kTagSize = 16;

// Today's iterations for a new key (OWASP's current minimum for PBKDF2-HMAC-SHA256), and what a
// file may ask for: fewer would be too weak to accept, more could keep the program busy for minutes.
inline constexpr std::uint32_t kDefaultIterations = 600'000;
inline constexpr std::uint32_t kFewestIterations = 100'000;
inline constexpr std::uint32_t kMostIterations = 10'000'000;

// Why the system's cryptography failed, in its own terms: the status code it gave, and a short text
// that names it for the user (e.g. "status 0xC0000225"). Both empty when it gave no reason.
struct CryptographyFailure {
    std::uint32_t code = 0;
    std::string reason;
};

// A sentence that tells the user of such a failure, with the system's reason in brackets before its
// full stop when there is one: "... failed to open it (status 0xC0000225)."
std::string withSystemReason(std::string_view sentence, const CryptographyFailure& failure);

// The system's cryptography. Each call answers false when the system failed to do it; what it
// wrote is then meaningless (and was wiped where it could hold a secret).
class Cryptography {
public:
    virtual ~Cryptography() = default;

    virtual bool randomBytes(ByteSpan out) = 0;
    // PBKDF2-HMAC-SHA256, out.size() bytes. The password is given as the program holds it, in
    // the system's ANSI code page; the key is derived from its UTF-8 form, so that a vault opens
    // under another code page with any password both code pages can hold.
    virtual bool pbkdf2HmacSha256(std::string_view ansiPassword, ByteView salt, std::uint32_t iterations,
                                  ByteSpan out) = 0;
    virtual bool hmacSha256(ByteView key, ByteView message, std::span<std::uint8_t, kHmacSize> out) = 0;
    virtual bool sha256(ByteView message, std::span<std::uint8_t, kDigestSize> out) = 0;

    // AES-256-GCM over one whole message in one call. `output` is as long as `input`, and either
    // is `input` itself or does not overlap it.
    virtual bool sealAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                               ByteSpan output, std::span<std::uint8_t, kTagSize> tag) = 0;
    enum class Opening { Opened, TagMismatch, Failed };
    // On TagMismatch or Failed the output is wiped: it must never be used.
    virtual Opening openAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                                  std::span<const std::uint8_t, kTagSize> tag, ByteSpan output) = 0;

    // Why the last call that failed did; a call that succeeds leaves it as it was. A system that
    // gives no reasons has none to tell.
    virtual CryptographyFailure lastFailure() const { return {}; }
};

// True exactly when the file is in the encrypted format, damaged or not: its first byte is 0x80,
// or the seven after a changed first byte are the magic's (read as scrambled, a CR there would
// give an empty line 1, a new master password and an overwrite). A scrambled vault starts so only
// if its password is four characters ending in those that 56 4B 45 unscramble to, and its first
// entry starts with those that 1A 0A unscramble to.
bool isEncryptedVault(std::string_view fileBytes);
// Whether bytes 76 to 107 are the digest of a version-2 header that starts with the magic: an
// encrypted vault whose first bytes were damaged (zeroed, say), not a scrambled one.
bool hasEncryptedVaultDigest(Cryptography& crypto, std::string_view fileBytes);

// What a key is derived with.
struct KeyParameters {
    std::array<std::uint8_t, kSaltSize> salt{};
    std::uint32_t iterations = kDefaultIterations;
    friend bool operator==(const KeyParameters&, const KeyParameters&) = default;
};

enum class HeaderStatus {
    Ok,
    // Too short, wrong magic, a digest that differs, unknown key derivation or cipher, iterations
    // out of bounds
    Damaged,
    NewerVersion,        // the magic and the digest are right, the version is one a later program writes
    CryptographyFailed,  // the digest could not be made: whether the header is whole is not known
};
struct EncryptedHeader {
    std::uint16_t version = 0;
    std::size_t size = 0;  // where the content starts: kVersion1HeaderSize or kEncryptedHeaderSize
    KeyParameters keyParameters;
    std::array<std::uint8_t, kNonceSize> nonce{};
    std::array<std::uint8_t, kKeyCheckSize> keyCheck{};
};
struct HeaderReading {
    HeaderStatus status = HeaderStatus::Damaged;
    EncryptedHeader header;  // complete only when Ok
};
// Reads and checks the header of a file that isEncryptedVault. Nothing is derived: this answers
// quickly (one or two SHA-256 of 76 bytes), before any password is asked. A file shorter than its
// header and tag is Damaged. A version-1 header whose next 32 bytes are the digest it would have
// as version 2 is a version-2 file whose version field was damaged: Damaged as well.
HeaderReading readEncryptedHeader(Cryptography& crypto, std::string_view fileBytes);

// A vault's keys: what opens and saves it once the password has been checked. They are wiped when
// the object ends; it moves but never copies. A moved-from object holds nothing and must not be used.
class VaultKeys {
public:
    VaultKeys(VaultKeys&&) noexcept = default;
    VaultKeys& operator=(VaultKeys&&) noexcept = default;
    VaultKeys(const VaultKeys&) = delete;
    VaultKeys& operator=(const VaultKeys&) = delete;

    const KeyParameters& parameters() const { return parameters_; }
    // Weaker than a new key would be: the vault deserves to be saved again with fresh keys.
    bool fewerIterationsThanToday() const { return parameters_.iterations < kDefaultIterations; }

private:
    friend struct VaultKeysAccess;  // the functions below, which make keys and use them
    struct Secrets {
        std::array<std::uint8_t, kKeySize> cipherKey{};
        std::array<std::uint8_t, kKeySize> checkKey{};
        Secrets() = default;
        ~Secrets();  // wipes both keys
        Secrets(const Secrets&) = delete;
        Secrets& operator=(const Secrets&) = delete;
    };
    VaultKeys(const KeyParameters& parameters, std::unique_ptr<Secrets> secrets);

    KeyParameters parameters_;
    std::unique_ptr<Secrets> secrets_;  // on the heap: a move hands it over without a copy
};

enum class KeysStatus { Made, IterationsOutOfBounds, CryptographyFailed };
struct KeysResult {
    KeysStatus status = KeysStatus::CryptographyFailed;
    std::optional<VaultKeys> keys;  // when Made
    CryptographyFailure failure{};  // when CryptographyFailed
};
// Derives the keys for a password with given parameters; iterations outside kFewestIterations to
// kMostIterations are refused before any derivation.
KeysResult deriveVaultKeys(Cryptography& crypto, std::string_view ansiPassword, const KeyParameters& parameters);
// Whether two keys are the same keys for the same parameters (compared in constant time).
bool sameVaultKeys(const VaultKeys& a, const VaultKeys& b);
// Keys with a new random salt: for encrypting a vault or changing its password. Tests may ask for
// fewer iterations than today's, within the same bounds.
KeysResult makeFreshVaultKeys(Cryptography& crypto, std::string_view ansiPassword,
                              std::uint32_t iterations = kDefaultIterations);

enum class UnlockStatus {
    Opened,
    // The key check differs. In a version-1 file a damaged salt, iteration count, nonce or key
    // check derives or checks other keys too and cannot be told from a wrong password: it reports
    // WrongPassword as well (and never opens). A version-2 file's digest tells such damage first.
    WrongPassword,
    Damaged,
    NewerVersion,
    CryptographyFailed,
};
struct UnlockResult {
    UnlockStatus status = UnlockStatus::CryptographyFailed;
    std::optional<VaultKeys> keys;  // when Opened
    CryptographyFailure failure{};  // when CryptographyFailed
};
// The keys a password gives for this file: reads its header as readEncryptedHeader does, derives
// the keys for its parameters and checks them against its key check. The content is not
// decrypted yet: see decryptVault.
UnlockResult keysForPassword(Cryptography& crypto, std::string_view fileBytes, std::string_view ansiPassword);

enum class DecryptStatus {
    Opened,
    // The header is damaged, or the keys passed their check but the content does not decrypt (a
    // changed byte, a cut file), or a version-1 header's nonce or key check is damaged.
    Damaged,
    NewerVersion,
    // The file was encrypted with another salt or iteration count since these keys were made (its
    // password changed): it needs unlocking with a password again.
    OtherKeys,
    CryptographyFailed,
};
struct DecryptResult {
    DecryptStatus status = DecryptStatus::CryptographyFailed;
    std::string plaintext;  // when Opened; otherwise empty, and what was decrypted was wiped
    CryptographyFailure failure{};  // when CryptographyFailed
};
// Decrypts in the file's own buffer, which becomes the plaintext: a big vault is held only once.
DecryptResult decryptVault(Cryptography& crypto, const VaultKeys& keys, std::string fileBytes);

enum class EncryptStatus { Encrypted, CryptographyFailed };
struct EncryptResult {
    EncryptStatus status = EncryptStatus::CryptographyFailed;
    CryptographyFailure failure{};  // when CryptographyFailed
};
// The whole file, in version 2, with a fresh random nonce and the key check and digest made anew,
// in the buffer itself, which holds kEncryptedHeaderSize bytes of room, then the plaintext, and
// becomes the whole file: a big vault is held once, and no plaintext is left behind (on failure
// the buffer is wiped).
EncryptResult encryptVaultInPlace(Cryptography& crypto, const VaultKeys& keys, std::string& file);

}  // namespace vk::vault
