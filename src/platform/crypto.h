#pragma once
// The system's cryptography for the encrypted vault: CNG (bcrypt.dll), as Windows 7 has it.
// Algorithm providers are opened by name (no pseudo-handles, no BCryptHash), and each message is
// encrypted or decrypted whole in one call: Wine 8 gets chained GCM calls and multi-call CBC wrong
// while reporting success.
#include <windows.h>
#include <bcrypt.h>

#include "platform/handles.h"
#include "vault/encrypted_vault.h"

namespace vk {

struct AlgorithmProviderTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE h);
};
using AlgorithmProvider = UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmProviderTraits>;

// Password-based key derivation and HMAC use one HMAC-SHA256 provider, the header's digest a plain
// SHA-256 provider, the cipher one AES provider in GCM mode; random bytes come from the system's
// preferred generator.
class SystemCryptography : public vault::Cryptography {
public:
    // The providers are opened at the first call that needs them. One that cannot be opened (Wine
    // without its GnuTLS, for AES) makes its calls fail, which the vault reports as a failure of
    // the system's cryptography.
    SystemCryptography() = default;
    SystemCryptography(const SystemCryptography&) = delete;
    SystemCryptography& operator=(const SystemCryptography&) = delete;

    // Every provider opens.
    bool available();

    bool randomBytes(vault::ByteSpan out) override;
    // Derives from the password's UTF-8 form (converted from the ANSI code page through UTF-16);
    // every copy of the password made on the way is wiped.
    bool pbkdf2HmacSha256(std::string_view ansiPassword, vault::ByteView salt, std::uint32_t iterations,
                          vault::ByteSpan out) override;
    bool hmacSha256(vault::ByteView key, vault::ByteView message,
                    std::span<std::uint8_t, vault::kHmacSize> out) override;
    bool sha256(vault::ByteView message, std::span<std::uint8_t, vault::kDigestSize> out) override;
    bool sealAes256Gcm(vault::ByteView key, vault::ByteView nonce, vault::ByteView associatedData,
                       vault::ByteView input, vault::ByteSpan output,
                       std::span<std::uint8_t, vault::kTagSize> tag) override;
    Opening openAes256Gcm(vault::ByteView key, vault::ByteView nonce, vault::ByteView associatedData,
                          vault::ByteView input, std::span<const std::uint8_t, vault::kTagSize> tag,
                          vault::ByteSpan output) override;

private:
    void open();

    bool opened_ = false;
    AlgorithmProvider hmacSha256_;
    AlgorithmProvider sha256_;
    AlgorithmProvider aesGcm_;
};

}  // namespace vk
