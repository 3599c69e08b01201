#pragma once
// The system's cryptography as the program's windows use it: a key derived from a password is
// derived off the window thread, so that the windows keep painting and answering meanwhile.
#include "platform/background_work.h"
#include "vault/encrypted_vault.h"

namespace vk {

class ResponsiveCryptography final : public vault::Cryptography {
public:
    explicit ResponsiveCryptography(vault::Cryptography& system) : system_(system) {}

    bool pbkdf2HmacSha256(std::string_view ansiPassword, vault::ByteView salt, std::uint32_t iterations,
                          vault::ByteSpan out) override {
        bool derived = false;
        runWhileWindowsWait([&] { derived = system_.pbkdf2HmacSha256(ansiPassword, salt, iterations, out); });
        return derived;
    }
    bool randomBytes(vault::ByteSpan out) override { return system_.randomBytes(out); }
    bool hmacSha256(vault::ByteView key, vault::ByteView message,
                    std::span<std::uint8_t, vault::kHmacSize> out) override {
        return system_.hmacSha256(key, message, out);
    }
    bool sha256(vault::ByteView message, std::span<std::uint8_t, vault::kDigestSize> out) override {
        return system_.sha256(message, out);
    }
    bool sealAes256Gcm(vault::ByteView key, vault::ByteView nonce, vault::ByteView associatedData,
                       vault::ByteView input, vault::ByteSpan output,
                       std::span<std::uint8_t, vault::kTagSize> tag) override {
        return system_.sealAes256Gcm(key, nonce, associatedData, input, output, tag);
    }
    Opening openAes256Gcm(vault::ByteView key, vault::ByteView nonce, vault::ByteView associatedData,
                          vault::ByteView input, std::span<const std::uint8_t, vault::kTagSize> tag,
                          vault::ByteSpan output) override {
        return system_.openAes256Gcm(key, nonce, associatedData, input, tag, output);
    }
    vault::CryptographyFailure lastFailure() const override { return system_.lastFailure(); }

private:
    vault::Cryptography& system_;
};

}  // namespace vk
