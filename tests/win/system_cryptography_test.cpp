// The system's cryptography (CNG, here Wine's): its primitives' published answers and how it says
// why a call failed, then the encrypted vault format through it, as it protects a user: only the
// right password and a whole file open a vault, and files another implementation wrote read back.
// (What the format tells from bytes alone is tested natively: tests/native/encrypted_vault_test.cpp.)
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "vault/system_cryptography.h"
#include "vault/encrypted_vault.h"
#include "vault_samples.h"

namespace vk::vault {
namespace {

std::vector<std::uint8_t> fromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}
ByteView bytesOf(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

// The system's cryptography, counting the key derivations asked of it.
class CountingCryptography final : public SystemCryptography {
public:
    int derivations = 0;
    bool pbkdf2HmacSha256(std::string_view password, ByteView salt, std::uint32_t iterations, ByteSpan out) override {
        ++derivations;
        return SystemCryptography::pbkdf2HmacSha256(password, salt, iterations, out);
    }
};

// Opens a file as the program does: unlocks it with the password, then decrypts it with the keys.
UnlockStatus openFile(Cryptography& crypto, const std::string& file, std::string_view password,
                      std::string& plaintext) {
    plaintext.clear();
    UnlockResult unlocked = keysForPassword(crypto, file, password);
    if (unlocked.status != UnlockStatus::Opened) return unlocked.status;
    DecryptResult decrypted = decryptVault(crypto, *unlocked.keys, file);
    plaintext = decrypted.plaintext;
    if (decrypted.status == DecryptStatus::Opened) return UnlockStatus::Opened;
    return decrypted.status == DecryptStatus::Damaged ? UnlockStatus::Damaged : UnlockStatus::CryptographyFailed;
}

// The file with another iteration count, its header digest made anew: only the bounds refuse it.
std::string withIterations(Cryptography& crypto, std::string file, std::uint32_t iterations) {
    for (int i = 0; i < 4; ++i) file[12 + i] = static_cast<char>(iterations >> (8 * i));
    return withHeaderDigestMadeAnew(crypto, file);
}

constexpr std::string_view kPassword = "correct horse";
const std::string kContent = "alice|||s3cret|||https://example.com\r\nbob|||hunter2|||C:\\Shared\r\n";
// Files written by another implementation of the layout, byte for byte, for kPassword.
const std::string kWrittenContent = "user|||pass|||https://example.com\r\n";
std::string writtenElsewhere(std::string_view hex) {
    std::vector<std::uint8_t> bytes = fromHex(hex);
    return std::string(bytes.begin(), bytes.end());
}
const std::string kVersion1File = writtenElsewhere(
    "80564b450d0a1a0a01000101a0860100000102030405060708090a0b0c0d0e0fa0a1a2a3a4a5a6a7a8a9aaabdcd70b87"
    "59667011038e7908ee0806a0f3b36fe7f0968ebc370a5f06d3350b53d67478df32d6feb91962443e32ca7abc150e442d"
    "e151f807c8fb2bb156c5a6b0a10e5b71db7698a9368feacdf0266034a69941");
const std::string kVersion2File = writtenElsewhere(
    "80564b450d0a1a0a02000101a0860100000102030405060708090a0b0c0d0e0fa0a1a2a3a4a5a6a7a8a9aaab8377f89b"
    "b05f8a332d548647f5cbd04693f7e097e8abfdfef2ea2b1c191a45c964551959ba351b049987d4aaa9f14d8328187165"
    "3f3550bc8b517671c578dfa6d67478df32d6feb91962443e32ca7abc150e442de151f807c8fb2bb156c5a6b0a10e5bf5"
    "a9311f17511a526e7c52f7e588beb6");

TEST(SystemCryptography, GivesThePublishedAnswers) {
    // Each provider's first use is asserted: one that does not open stops the test there.
    SystemCryptography crypto;

    // PBKDF2-HMAC-SHA256: RFC 7914, section 11; the last from the password's UTF-8 form, if the
    // code page holds an e with acute accent.
    char acute[4] = {};
    BOOL lost = FALSE;
    int acuteSize = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\u00E9", 1, acute, 4, nullptr, &lost);
    struct Derivation { std::string password, salt; std::uint32_t iterations; const char* hex; } derivations[] = {
        {"passwd", "salt", 1, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        {"Password", "NaCl", 80000, "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
                                    "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
        {lost ? "" : std::string(acute, acuteSize), "salt", 1,
         "4cd20bd84fa718e51b66e551c92755565f5283d9196563b0362a3623fcf4a460"},
    };
    for (const Derivation& d : derivations) {
        if (d.password.empty()) continue;
        std::vector<std::uint8_t> key(std::string_view(d.hex).size() / 2);
        ASSERT_TRUE(crypto.pbkdf2HmacSha256(d.password, bytesOf(d.salt), d.iterations, key));
        EXPECT_EQ(key, fromHex(d.hex)) << d.password;
    }

    // SHA-256: FIPS 180-2, appendix B.1, and the empty message.
    struct Digest { std::string message; const char* hex; } digests[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    };
    for (const Digest& d : digests) {
        std::array<std::uint8_t, kDigestSize> digest{};
        ASSERT_TRUE(crypto.sha256(bytesOf(d.message), digest));
        EXPECT_EQ(std::vector<std::uint8_t>(digest.begin(), digest.end()), fromHex(d.hex)) << d.message;
    }

    // AES-256-GCM with associated data: McGrew and Viega's test case 16.
    auto key = fromHex("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
    auto nonce = fromHex("cafebabefacedbaddecaf888");
    auto data = fromHex("feedfacedeadbeeffeedfacedeadbeefabaddad2");
    auto plain = fromHex("d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
                         "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b39");
    std::vector<std::uint8_t> sealed(plain.size());
    std::array<std::uint8_t, kTagSize> tag{};
    ASSERT_TRUE(crypto.sealAes256Gcm(key, nonce, data, plain, sealed, tag));
    EXPECT_EQ(sealed, fromHex("522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
                              "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662"));
    EXPECT_EQ(std::vector<std::uint8_t>(tag.begin(), tag.end()), fromHex("76fc6ece0f4e1768cddf8853bb2d551b"));

    // A wrong tag leaves nothing readable; the right one opens in place, as a vault is opened.
    std::vector<std::uint8_t> opened(sealed.size());
    tag[0] ^= 1;
    EXPECT_EQ(crypto.openAes256Gcm(key, nonce, data, sealed, tag, opened), Cryptography::Opening::TagMismatch);
    EXPECT_EQ(opened, std::vector<std::uint8_t>(sealed.size(), 0));
    tag[0] ^= 1;
    EXPECT_EQ(crypto.openAes256Gcm(key, nonce, data, sealed, tag, sealed), Cryptography::Opening::Opened);
    EXPECT_EQ(sealed, plain);

    // A call that cannot be made says why, in CNG's terms: a 128-bit key is an invalid parameter.
    EXPECT_FALSE(crypto.sealAes256Gcm(ByteView(key).first(16), nonce, data, plain, sealed, tag));
    EXPECT_EQ(crypto.lastFailure().code, 0xC000000Du);
    EXPECT_EQ(crypto.lastFailure().reason, "status 0xC000000D");
}

TEST(EncryptedVault, OpensWithTheRightPasswordAndAWholeFileOnly) {
    CountingCryptography crypto;
    KeysResult made = makeFreshVaultKeys(crypto, kPassword, kFewestIterations);
    ASSERT_EQ(made.status, KeysStatus::Made);
    EncryptedFile encrypted = encryptVault(crypto, *made.keys, kContent);
    ASSERT_EQ(encrypted.status, EncryptStatus::Encrypted);
    const std::string& file = encrypted.fileBytes;
    ASSERT_EQ(file.size(), kEncryptedHeaderSize + kContent.size() + kTagSize);

    constexpr size_t kWhole = SIZE_MAX;
    // The byte at flipAt (unless kWhole) is XORed with mask; the first `keep` bytes (or all) are kept.
    struct Case { const char* what; std::string_view password; size_t flipAt; std::uint8_t mask; size_t keep;
                  UnlockStatus expected; } cases[] = {
        {"right password", kPassword, kWhole, 0, kWhole, UnlockStatus::Opened},
        {"wrong password", "Correct horse", kWhole, 0, kWhole, UnlockStatus::WrongPassword},
        {"magic", kPassword, 1, 0x01, kWhole, UnlockStatus::Damaged},
        {"version 0", kPassword, 8, 0x02, kWhole, UnlockStatus::Damaged},
        {"version damaged into a newer one", kPassword, 8, 0x01, kWhole, UnlockStatus::Damaged},
        {"key derivation", kPassword, 10, 0x01, kWhole, UnlockStatus::Damaged},
        {"cipher", kPassword, 11, 0x01, kWhole, UnlockStatus::Damaged},
        // Each of these would derive or check other keys: the digest tells them first.
        {"iterations, still within bounds", kPassword, 12, 0x01, kWhole, UnlockStatus::Damaged},
        {"salt", kPassword, 20, 0x80, kWhole, UnlockStatus::Damaged},
        {"nonce", kPassword, 40, 0x80, kWhole, UnlockStatus::Damaged},
        {"key check", kPassword, 60, 0x01, kWhole, UnlockStatus::Damaged},
        {"header digest", kPassword, 90, 0x01, kWhole, UnlockStatus::Damaged},
        {"content", kPassword, kEncryptedHeaderSize + 4, 0x01, kWhole, UnlockStatus::Damaged},
        {"tag", kPassword, file.size() - 1, 0x80, kWhole, UnlockStatus::Damaged},
        {"cut inside the header", kPassword, kWhole, 0, 50, UnlockStatus::Damaged},
        {"cut inside the content", kPassword, kWhole, 0, kEncryptedHeaderSize + 20, UnlockStatus::Damaged},
        {"cut before the tag", kPassword, kWhole, 0, file.size() - kTagSize, UnlockStatus::Damaged},
    };
    for (const Case& c : cases) {
        std::string changed = file.substr(0, c.keep);
        if (c.flipAt != kWhole) changed[c.flipAt] = static_cast<char>(changed[c.flipAt] ^ c.mask);
        std::string plaintext;
        EXPECT_EQ(openFile(crypto, changed, c.password, plaintext), c.expected) << c.what;
        EXPECT_EQ(plaintext, c.expected == UnlockStatus::Opened ? kContent : "") << c.what;
    }

    // Out of bounds, an iteration count is refused before anything is derived.
    crypto.derivations = 0;
    EXPECT_EQ(makeFreshVaultKeys(crypto, kPassword, kFewestIterations - 1).status, KeysStatus::IterationsOutOfBounds);
    EXPECT_EQ(makeFreshVaultKeys(crypto, kPassword, kMostIterations + 1).status, KeysStatus::IterationsOutOfBounds);
    for (std::uint32_t iterations : {0u, kFewestIterations - 1, kMostIterations + 1, UINT_MAX})
        EXPECT_EQ(keysForPassword(crypto, withIterations(crypto, file, iterations), kPassword).status,
                  UnlockStatus::Damaged);
    EXPECT_EQ(crypto.derivations, 0);
}

TEST(EncryptedVault, RoundTripsWithAFreshNonceAndReadsTheLayoutExactly) {
    CountingCryptography crypto;
    KeysResult made = makeFreshVaultKeys(crypto, kPassword, kFewestIterations);
    ASSERT_EQ(made.status, KeysStatus::Made);
    for (const std::string& content : {std::string(), kContent, std::string(3 << 20, '\x80')}) {
        std::string first = encryptVault(crypto, *made.keys, content).fileBytes;
        std::string second = encryptVault(crypto, *made.keys, content).fileBytes;
        EXPECT_NE(first.substr(32, kNonceSize), second.substr(32, kNonceSize));
        DecryptResult decrypted = decryptVault(crypto, *made.keys, first);
        EXPECT_EQ(decrypted.status, DecryptStatus::Opened);
        EXPECT_TRUE(decrypted.plaintext == content) << content.size() << " bytes";
    }
    // Keys made again for the same password have another salt: they do not fit the file.
    std::string file = encryptVault(crypto, *made.keys, kContent).fileBytes;
    KeysResult other = makeFreshVaultKeys(crypto, kPassword, kFewestIterations);
    EXPECT_EQ(decryptVault(crypto, *other.keys, file).status, DecryptStatus::OtherKeys);

    // Both versions as another implementation writes them, byte for byte.
    for (const std::string& written : {kVersion1File, kVersion2File}) {
        std::string plaintext;
        EXPECT_EQ(openFile(crypto, written, kPassword, plaintext), UnlockStatus::Opened);
        EXPECT_EQ(plaintext, kWrittenContent);
    }
}

// A version-2 file's header is checked before any key is derived: whatever byte of it changes,
// that is damage and costs no try. A version-1 file still opens and reads as it always did.
TEST(EncryptedVault, AnyChangedByteOfAVersion2HeaderIsDamageAndDerivesNoKey) {
    CountingCryptography crypto;
    KeysResult made = makeFreshVaultKeys(crypto, kPassword, kFewestIterations);
    ASSERT_EQ(made.status, KeysStatus::Made);
    const std::string file = encryptVault(crypto, *made.keys, kContent).fileBytes;
    crypto.derivations = 0;
    for (size_t at = 0; at < kEncryptedHeaderSize; ++at) {
        for (std::uint8_t mask : {0x01, 0x03, 0x80}) {  // 0x03 makes version 2 read as version 1
            std::string changed = file;
            changed[at] = static_cast<char>(changed[at] ^ mask);
            EXPECT_EQ(readEncryptedHeader(crypto, changed).status, HeaderStatus::Damaged) << at << " ^ " << +mask;
            EXPECT_EQ(keysForPassword(crypto, changed, kPassword).status, UnlockStatus::Damaged) << at << " ^ " << +mask;
            EXPECT_EQ(decryptVault(crypto, *made.keys, changed).status, DecryptStatus::Damaged) << at << " ^ " << +mask;
        }
    }
    EXPECT_EQ(crypto.derivations, 0);

    // A file that a later program wrote says so: its digest is right.
    std::string newer = file;
    newer[8] = 3;
    newer = withHeaderDigestMadeAnew(crypto, newer);
    EXPECT_EQ(readEncryptedHeader(crypto, newer).status, HeaderStatus::NewerVersion);
    EXPECT_EQ(keysForPassword(crypto, newer, kPassword).status, UnlockStatus::NewerVersion);
    EXPECT_EQ(crypto.derivations, 0);

    // Version 1 has no digest: a changed salt derives other keys and reads as a wrong password.
    std::string plaintext;
    EXPECT_EQ(openFile(crypto, kVersion1File, kPassword, plaintext), UnlockStatus::Opened);
    EXPECT_EQ(plaintext, kWrittenContent);
    std::string otherSalt = kVersion1File;
    otherSalt[20] = static_cast<char>(otherSalt[20] ^ 0x01);
    EXPECT_EQ(openFile(crypto, otherSalt, kPassword, plaintext), UnlockStatus::WrongPassword);
}

}  // namespace
}  // namespace vk::vault
