#pragma once
// The system's cryptography for the encrypted vault on Windows: CNG (bcrypt.dll), as Windows 7 has
// it. Algorithm providers are opened by name (no pseudo-handles, no BCryptHash), and each message is
// encrypted or decrypted whole in one call: Wine 8 gets chained GCM calls and multi-call CBC wrong
// while reporting success.
#include <memory>
#include <mutex>

#include "vault/encrypted_vault.h"

namespace vk::vault {

// Password-based key derivation and HMAC use one HMAC-SHA256 provider, the header's digest a plain
// SHA-256 provider, the cipher one AES provider in GCM mode; random bytes come from the system's
// preferred generator.
class SystemCryptography : public Cryptography {
public:
    // The providers are opened at the first call that needs them. One that cannot be opened (Wine
    // without its GnuTLS, for AES) makes its calls fail, which the vault reports as a failure of
    // the system's cryptography.
    SystemCryptography();
    ~SystemCryptography() override;
    SystemCryptography(const SystemCryptography&) = delete;
    SystemCryptography& operator=(const SystemCryptography&) = delete;

    bool randomBytes(ByteSpan out) override;
    // Derives from the password's UTF-8 form (converted from the ANSI code page through UTF-16);
    // every copy of the password made on the way is wiped.
    bool pbkdf2HmacSha256(std::string_view ansiPassword, ByteView salt, std::uint32_t iterations,
                          ByteSpan out) override;
    bool hmacSha256(ByteView key, ByteView message, std::span<std::uint8_t, kHmacSize> out) override;
    bool sha256(ByteView message, std::span<std::uint8_t, kDigestSize> out) override;
    bool sealAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input, ByteSpan output,
                       std::span<std::uint8_t, kTagSize> tag) override;
    Opening openAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                          std::span<const std::uint8_t, kTagSize> tag, ByteSpan output) override;
    // The NTSTATUS of the last call that failed: CNG's own, or the one it gives for the same fault
    // (a provider or bcrypt.dll missing, a size CNG cannot take, a password not in the code page).
    CryptographyFailure lastFailure() const override;

private:
    struct Providers;  // CNG's handles, which only the implementation knows
    Providers& providers();
    // True for a status of success; otherwise records it as the last failure.
    bool done(long status);

    std::once_flag providersMade_;
    std::unique_ptr<Providers> providers_;  // opened at the first call that needs them
    CryptographyFailure lastFailure_;
};

}  // namespace vk::vault
