// The vault's cryptography on Windows, through CNG. Every call that fails records the status CNG
// gave, or the one it would give, for the message the user sees.
#include "vault/system_cryptography.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <cstdio>
#include <string>

#include "platform/handles.h"
#include "platform/wipe.h"

namespace vk::vault {

namespace {

// The statuses of ntstatus.h (of the SDK) that this file gives or tells apart itself.
constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001L);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000DL);
constexpr NTSTATUS kStatusDllNotFound = static_cast<NTSTATUS>(0xC0000135L);
constexpr NTSTATUS kStatusEntrypointNotFound = static_cast<NTSTATUS>(0xC0000139L);
constexpr NTSTATUS kStatusNoUnicodeTranslation = static_cast<NTSTATUS>(0xC0000717L);
// What BCryptDecrypt answers when the GCM tag does not match.
constexpr NTSTATUS kStatusAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);

bool succeeded(NTSTATUS status) { return status >= 0; }

// bcrypt.dll, loaded from the system's folder the first time a vault needs it: a program that only
// ever keeps a scrambled vault never loads it (nor, under Wine, the GnuTLS library behind it).
struct Bcrypt {
    decltype(&BCryptOpenAlgorithmProvider) openAlgorithmProvider = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithmProvider = nullptr;
    decltype(&BCryptSetProperty) setProperty = nullptr;
    decltype(&BCryptGenRandom) genRandom = nullptr;
    decltype(&BCryptDeriveKeyPBKDF2) deriveKeyPbkdf2 = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptGenerateSymmetricKey) generateSymmetricKey = nullptr;
    decltype(&BCryptDestroyKey) destroyKey = nullptr;
    decltype(&BCryptEncrypt) encrypt = nullptr;
    decltype(&BCryptDecrypt) decrypt = nullptr;
    NTSTATUS status = kStatusDllNotFound;  // success once every function was found
};

template <typename Function>
bool find(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

Bcrypt loadBcrypt() {
    Bcrypt api;
    wchar_t folder[MAX_PATH] = L"";
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return api;
    // Kept loaded for the rest of the program's life.
    HMODULE library = LoadLibraryW((std::wstring(folder) + L"\\bcrypt.dll").c_str());
    if (!library) return api;
    const bool found =
        find(library, "BCryptOpenAlgorithmProvider", api.openAlgorithmProvider) &&
        find(library, "BCryptCloseAlgorithmProvider", api.closeAlgorithmProvider) &&
        find(library, "BCryptSetProperty", api.setProperty) && find(library, "BCryptGenRandom", api.genRandom) &&
        find(library, "BCryptDeriveKeyPBKDF2", api.deriveKeyPbkdf2) &&
        find(library, "BCryptCreateHash", api.createHash) && find(library, "BCryptHashData", api.hashData) &&
        find(library, "BCryptFinishHash", api.finishHash) && find(library, "BCryptDestroyHash", api.destroyHash) &&
        find(library, "BCryptGenerateSymmetricKey", api.generateSymmetricKey) &&
        find(library, "BCryptDestroyKey", api.destroyKey) && find(library, "BCryptEncrypt", api.encrypt) &&
        find(library, "BCryptDecrypt", api.decrypt);
    api.status = found ? kStatusSuccess : kStatusEntrypointNotFound;
    return api;
}

const Bcrypt& bcrypt() {
    static const Bcrypt api = loadBcrypt();
    return api;
}

struct AlgorithmProviderTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE h) { bcrypt().closeAlgorithmProvider(h, 0); }
};
struct KeyTraits {
    static BCRYPT_KEY_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_KEY_HANDLE h) { bcrypt().destroyKey(h); }
};
struct HashTraits {
    static BCRYPT_HASH_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_HASH_HANDLE h) { bcrypt().destroyHash(h); }
};
using AlgorithmProvider = UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmProviderTraits>;
using SymmetricKey = UniqueHandle<BCRYPT_KEY_HANDLE, KeyTraits>;
using Hash = UniqueHandle<BCRYPT_HASH_HANDLE, HashTraits>;

// An algorithm provider as it opened, or the status that kept it from opening.
struct Provider {
    AlgorithmProvider handle;
    NTSTATUS status = kStatusSuccess;
};

// CNG takes sizes as ULONG and buffers as non-const pointers that it only reads.
bool fitsUlong(size_t size) { return size <= ULONG_MAX; }
ULONG ulongOf(size_t size) { return static_cast<ULONG>(size); }
PUCHAR readOnly(ByteView bytes) { return const_cast<PUCHAR>(bytes.data()); }

Provider openProvider(LPCWSTR algorithm, ULONG flags) {
    if (!succeeded(bcrypt().status)) return {{}, bcrypt().status};
    BCRYPT_ALG_HANDLE handle = nullptr;
    const NTSTATUS status = bcrypt().openAlgorithmProvider(&handle, algorithm, nullptr, flags);
    if (!succeeded(status)) return {{}, status};
    return {AlgorithmProvider(handle), status};
}

Provider openAesGcm() {
    Provider aes = openProvider(BCRYPT_AES_ALGORITHM, 0);
    if (!aes.handle) return aes;
    static const wchar_t kGcm[] = BCRYPT_CHAIN_MODE_GCM;
    aes.status = bcrypt().setProperty(aes.handle.get(), BCRYPT_CHAINING_MODE,
                                      reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(kGcm)), sizeof kGcm, 0);
    if (!succeeded(aes.status)) aes.handle.reset();
    return aes;
}

// The ANSI text in UTF-8. Invalid bytes fail rather than turn into U+FFFD, so that two different
// passwords never derive one key.
bool convertToUtf8(std::string_view ansi, std::string& utf8) {
    utf8.clear();
    if (ansi.empty()) return true;
    if (ansi.size() > INT_MAX) return false;
    int ansiSize = static_cast<int>(ansi.size());
    int wideSize = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), ansiSize, nullptr, 0);
    if (wideSize <= 0) return false;
    std::wstring wide(static_cast<size_t>(wideSize), L'\0');
    WipedWhenDone wiped(wide);
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), ansiSize, wide.data(), wideSize) != wideSize)
        return false;
    int utf8Size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (utf8Size <= 0) return false;
    utf8.resize(static_cast<size_t>(utf8Size));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideSize, utf8.data(), utf8Size, nullptr,
                               nullptr) == utf8Size;
}

NTSTATUS deriveKey(const Provider& hmac, std::string_view ansiPassword, ByteView salt, std::uint32_t iterations,
                   ByteSpan out) {
    if (!hmac.handle) return hmac.status;
    if (!fitsUlong(salt.size()) || !fitsUlong(out.size())) return kStatusInvalidParameter;
    std::string utf8;
    WipedWhenDone wiped(utf8);
    if (!convertToUtf8(ansiPassword, utf8)) return kStatusNoUnicodeTranslation;
    if (!fitsUlong(utf8.size())) return kStatusInvalidParameter;
    return bcrypt().deriveKeyPbkdf2(hmac.handle.get(), reinterpret_cast<PUCHAR>(utf8.data()), ulongOf(utf8.size()),
                                    readOnly(salt), ulongOf(salt.size()), iterations, out.data(), ulongOf(out.size()),
                                    0);
}

// One message through a hash provider, keyed (HMAC) or not (no key); the hash object's memory is
// CNG's own, as Windows 7 allows.
NTSTATUS hashInto(const Provider& provider, ByteView key, ByteView message, ByteSpan out) {
    if (!provider.handle) return provider.status;
    if (!fitsUlong(key.size()) || !fitsUlong(message.size())) return kStatusInvalidParameter;
    BCRYPT_HASH_HANDLE handle = nullptr;
    PUCHAR secret = key.empty() ? nullptr : readOnly(key);
    NTSTATUS status = bcrypt().createHash(provider.handle.get(), &handle, nullptr, 0, secret, ulongOf(key.size()), 0);
    if (!succeeded(status)) return status;
    Hash hash(handle);
    status = bcrypt().hashData(hash.get(), readOnly(message), ulongOf(message.size()), 0);
    if (!succeeded(status)) return status;
    return bcrypt().finishHash(hash.get(), out.data(), ulongOf(out.size()), 0);
}

NTSTATUS makeAes256Key(const Provider& aes, ByteView key, SymmetricKey& made) {
    if (!aes.handle) return aes.status;
    // CNG would take a 128- or 192-bit key as well; only AES-256 is ever meant.
    if (key.size() != kKeySize) return kStatusInvalidParameter;
    BCRYPT_KEY_HANDLE handle = nullptr;
    const NTSTATUS status =
        bcrypt().generateSymmetricKey(aes.handle.get(), &handle, nullptr, 0, readOnly(key), ulongOf(key.size()), 0);
    if (succeeded(status)) made.reset(handle);
    return status;
}

// One whole message: no chaining flag, so the nonce, associated data and tag belong to this call alone.
BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO gcmInfo(ByteView nonce, ByteView associatedData, PUCHAR tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = readOnly(nonce);
    info.cbNonce = ulongOf(nonce.size());
    info.pbAuthData = readOnly(associatedData);
    info.cbAuthData = ulongOf(associatedData.size());
    info.pbTag = tag;
    info.cbTag = kTagSize;
    return info;
}

bool gcmSizesFit(ByteView nonce, ByteView associatedData, ByteView input, ByteSpan output) {
    return nonce.size() == kNonceSize && fitsUlong(associatedData.size()) && fitsUlong(input.size()) &&
           output.size() == input.size();
}

// A call that CNG answers with success must also have done all of it.
NTSTATUS wholeMessage(NTSTATUS status, ULONG written, ByteView input) {
    if (succeeded(status) && written != input.size()) return kStatusUnsuccessful;
    return status;
}

NTSTATUS sealMessage(const Provider& aes, ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
              ByteSpan output, PUCHAR tag) {
    SymmetricKey aesKey;
    NTSTATUS status = makeAes256Key(aes, key, aesKey);
    if (!succeeded(status)) return status;
    if (!gcmSizesFit(nonce, associatedData, input, output)) return kStatusInvalidParameter;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, associatedData, tag);
    ULONG written = 0;
    status = bcrypt().encrypt(aesKey.get(), readOnly(input), ulongOf(input.size()), &info, nullptr, 0, output.data(),
                              ulongOf(output.size()), &written, 0);
    return wholeMessage(status, written, input);
}

NTSTATUS openMessage(const Provider& aes, ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                     PUCHAR tag, ByteSpan output) {
    SymmetricKey aesKey;
    NTSTATUS status = makeAes256Key(aes, key, aesKey);
    if (!succeeded(status)) return status;
    if (!gcmSizesFit(nonce, associatedData, input, output)) return kStatusInvalidParameter;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, associatedData, tag);
    ULONG written = 0;
    status = bcrypt().decrypt(aesKey.get(), readOnly(input), ulongOf(input.size()), &info, nullptr, 0, output.data(),
                              ulongOf(output.size()), &written, 0);
    status = wholeMessage(status, written, input);
    // Wine fills the output even when the tag does not match: what it holds is unauthenticated.
    if (!succeeded(status)) wipeSecret(output);
    return status;
}

// "status 0xC0000225": how the user's message names it.
std::string statusText(NTSTATUS status) {
    char text[32];
    std::snprintf(text, sizeof text, "status 0x%08lX", static_cast<unsigned long>(status));
    return text;
}

}  // namespace

struct SystemCryptography::Providers {
    Provider hmacSha256 = openProvider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    Provider sha256 = openProvider(BCRYPT_SHA256_ALGORITHM, 0);
    Provider aesGcm = openAesGcm();
};

SystemCryptography::SystemCryptography() = default;
SystemCryptography::~SystemCryptography() = default;

SystemCryptography::Providers& SystemCryptography::providers() {
    // Made at the first use, which may be on the thread that derives a key while the window thread
    // uses them too: once, whichever thread comes first.
    std::call_once(providersMade_, [this] { providers_ = std::make_unique<Providers>(); });
    return *providers_;
}

bool SystemCryptography::done(long status) {
    if (succeeded(status)) return true;
    lastFailure_ = CryptographyFailure{static_cast<std::uint32_t>(status), statusText(status)};
    return false;
}

bool SystemCryptography::randomBytes(ByteSpan out) {
    if (!succeeded(bcrypt().status)) return done(bcrypt().status);
    if (!fitsUlong(out.size())) return done(kStatusInvalidParameter);
    return done(bcrypt().genRandom(nullptr, out.data(), ulongOf(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool SystemCryptography::pbkdf2HmacSha256(std::string_view ansiPassword, ByteView salt, std::uint32_t iterations,
                                          ByteSpan out) {
    if (done(deriveKey(providers().hmacSha256, ansiPassword, salt, iterations, out))) return true;
    wipeSecret(out);
    return false;
}

bool SystemCryptography::hmacSha256(ByteView key, ByteView message, std::span<std::uint8_t, kHmacSize> out) {
    if (done(hashInto(providers().hmacSha256, key, message, out))) return true;
    wipeSecret(out);  // an HMAC may be a key derived from the master key
    return false;
}

bool SystemCryptography::sha256(ByteView message, std::span<std::uint8_t, kDigestSize> out) {
    if (done(hashInto(providers().sha256, {}, message, out))) return true;
    wipeSecret(out);
    return false;
}

bool SystemCryptography::sealAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                                       ByteSpan output, std::span<std::uint8_t, kTagSize> tag) {
    return done(sealMessage(providers().aesGcm, key, nonce, associatedData, input, output, tag.data()));
}

Cryptography::Opening SystemCryptography::openAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData,
                                                         ByteView input, std::span<const std::uint8_t, kTagSize> tag,
                                                         ByteSpan output) {
    const NTSTATUS status =
        openMessage(providers().aesGcm, key, nonce, associatedData, input, const_cast<PUCHAR>(tag.data()), output);
    if (done(status)) return Opening::Opened;
    return status == kStatusAuthTagMismatch ? Opening::TagMismatch : Opening::Failed;
}

CryptographyFailure SystemCryptography::lastFailure() const { return lastFailure_; }

}  // namespace vk::vault
