// Telling an encrypted vault from a scrambled one by its bytes alone: a scrambled vault must never
// be taken for an encrypted one, and an encrypted one, however damaged, never for a scrambled or
// fresh one (which would lead to a new master password and an overwrite).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vault/encrypted_vault.h"
#include "vault/vault_format.h"
#include "vault_samples.h"

namespace vk::vault {
namespace {

// A version-1 file for 100,000 iterations and an empty content, written byte by byte.
std::string encryptedFile() {
    std::string file("\x80VKE\r\n\x1A\n" "\x01\x00\x01\x01" "\xA0\x86\x01\x00", 16);
    file.append(kVersion1HeaderSize + kTagSize - file.size(), '\x5A');  // salt, nonce, key check, tag
    return file;
}

// No cryptography at all: what these headers show must be read without any.
class NoCryptography final : public Cryptography {
public:
    bool randomBytes(ByteSpan) override { return false; }
    bool pbkdf2HmacSha256(std::string_view, ByteView, std::uint32_t, ByteSpan) override { return false; }
    bool hmacSha256(ByteView, ByteView, std::span<std::uint8_t, kHmacSize>) override { return false; }
    bool sha256(ByteView, std::span<std::uint8_t, kDigestSize>) override { return false; }
    bool sealAes256Gcm(ByteView, ByteView, ByteView, ByteView, ByteSpan, std::span<std::uint8_t, kTagSize>) override {
        return false;
    }
    Opening openAes256Gcm(ByteView, ByteView, ByteView, ByteView, std::span<const std::uint8_t, kTagSize>,
                          ByteSpan) override {
        return Opening::Failed;
    }
};

TEST(EncryptedVaultFormat, NoScrambledVaultIsTakenForEncryptedOrZeroFilled) {
    std::vector<std::string> files = {"", freshVault(), createdVault(""), std::string(4096, '\0') + "\r\n"};
    for (int first = 0x01; first <= 0xFF; ++first) {
        std::string password(1, static_cast<char>(first));
        files.push_back(createdVault(password));
    }
    for (const std::string& file : files) {
        EXPECT_FALSE(isEncryptedVault(file)) << testing::PrintToString(file);
        EXPECT_FALSE(isZeroFilled(file)) << testing::PrintToString(file);
    }
}

TEST(EncryptedVaultFormat, EveryEncryptedFileIsSeenAndADamagedMagicIsDamage) {
    NoCryptography none;
    const std::string valid = encryptedFile();
    struct Case { const char* what; std::string file; HeaderStatus expected; };
    std::string wrongLetter = valid;
    wrongLetter[2] = 'L';
    auto firstByte = [&](char first) { return first + valid.substr(1); };
    const Case cases[] = {
        {"valid", valid, HeaderStatus::Ok},
        {"a letter of the magic changed", wrongLetter, HeaderStatus::Damaged},
        {"CR LF read as LF", std::string("\x80VKE\n\x1A\n", 7) + valid.substr(8), HeaderStatus::Damaged},
        {"LF written as CR LF", std::string("\x80VKE\r\r\n\x1A\r\n", 10) + valid.substr(8), HeaderStatus::Damaged},
        {"read up to the 0x1A", valid.substr(0, 6), HeaderStatus::Damaged},
        {"the first byte only", valid.substr(0, 1), HeaderStatus::Damaged},
        {"the header without its tag", valid.substr(0, kVersion1HeaderSize), HeaderStatus::Damaged},
        // Else a scrambled vault with an empty line 1, or one whose password no one types.
        {"first byte a CR", firstByte('\r'), HeaderStatus::Damaged},
        {"first byte 0x81", firstByte('\x81'), HeaderStatus::Damaged},
        {"first byte 0x7F", firstByte('\x7F'), HeaderStatus::Damaged},
        {"first byte a NUL, the magic only", firstByte('\0').substr(0, 8), HeaderStatus::Damaged},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(isEncryptedVault(c.file)) << c.what;
        EXPECT_FALSE(isZeroFilled(c.file)) << c.what;
        EXPECT_EQ(readEncryptedHeader(none, c.file).status, c.expected) << c.what;
    }
    // What a failed disk leaves is told as damage too, however long.
    for (size_t size : {size_t{1}, kEncryptedHeaderSize, size_t{1} << 16}) {
        EXPECT_TRUE(isZeroFilled(std::string(size, '\0'))) << size;
        EXPECT_FALSE(isEncryptedVault(std::string(size, '\0'))) << size;
    }
    // An earlier copy of the program reads line 1 as the stored password: it starts with a NUL,
    // which no typed password holds, so three tries end that copy without a write.
    EXPECT_EQ(storedPasswordOf(valid).front(), '\0');
}

}  // namespace
}  // namespace vk::vault
