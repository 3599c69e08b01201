// The vault's cryptography on Windows, through CNG.
#include "vault/system_cryptography.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <string>

#include "platform/handles.h"
#include "platform/wipe.h"

namespace vk::vault {

namespace {

// What BCryptDecrypt answers when the GCM tag does not match (ntstatus.h of the SDK).
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
    bool loaded = false;
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
    api.loaded = find(library, "BCryptOpenAlgorithmProvider", api.openAlgorithmProvider) &&
                 find(library, "BCryptCloseAlgorithmProvider", api.closeAlgorithmProvider) &&
                 find(library, "BCryptSetProperty", api.setProperty) && find(library, "BCryptGenRandom", api.genRandom) &&
                 find(library, "BCryptDeriveKeyPBKDF2", api.deriveKeyPbkdf2) &&
                 find(library, "BCryptCreateHash", api.createHash) && find(library, "BCryptHashData", api.hashData) &&
                 find(library, "BCryptFinishHash", api.finishHash) && find(library, "BCryptDestroyHash", api.destroyHash) &&
                 find(library, "BCryptGenerateSymmetricKey", api.generateSymmetricKey) &&
                 find(library, "BCryptDestroyKey", api.destroyKey) && find(library, "BCryptEncrypt", api.encrypt) &&
                 find(library, "BCryptDecrypt", api.decrypt);
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

// CNG takes sizes as ULONG and buffers as non-const pointers that it only reads.
bool fitsUlong(size_t size) { return size <= ULONG_MAX; }
ULONG ulongOf(size_t size) { return static_cast<ULONG>(size); }
PUCHAR readOnly(ByteView bytes) { return const_cast<PUCHAR>(bytes.data()); }

AlgorithmProvider openProvider(LPCWSTR algorithm, ULONG flags) {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!bcrypt().loaded || !succeeded(bcrypt().openAlgorithmProvider(&handle, algorithm, nullptr, flags))) return {};
    return AlgorithmProvider(handle);
}

AlgorithmProvider openAesGcm() {
    AlgorithmProvider aes = openProvider(BCRYPT_AES_ALGORITHM, 0);
    if (!aes) return {};
    static const wchar_t kGcm[] = BCRYPT_CHAIN_MODE_GCM;
    if (!succeeded(bcrypt().setProperty(aes.get(), BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(kGcm)),
                                     sizeof kGcm, 0)))
        return {};
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

SymmetricKey aes256KeyOf(BCRYPT_ALG_HANDLE aes, ByteView key) {
    BCRYPT_KEY_HANDLE handle = nullptr;
    // CNG would take a 128- or 192-bit key as well; only AES-256 is ever meant.
    if (!aes || key.size() != kKeySize ||
        !succeeded(bcrypt().generateSymmetricKey(aes, &handle, nullptr, 0, readOnly(key), ulongOf(key.size()), 0)))
        return {};
    return SymmetricKey(handle);
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

}  // namespace

struct SystemCryptography::Providers {
    AlgorithmProvider hmacSha256 = openProvider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    AlgorithmProvider sha256 = openProvider(BCRYPT_SHA256_ALGORITHM, 0);
    AlgorithmProvider aesGcm = openAesGcm();
};

SystemCryptography::SystemCryptography() = default;
SystemCryptography::~SystemCryptography() = default;

SystemCryptography::Providers& SystemCryptography::providers() {
    if (!providers_) providers_ = std::make_unique<Providers>();
    return *providers_;
}

bool SystemCryptography::randomBytes(ByteSpan out) {
    return bcrypt().loaded && fitsUlong(out.size()) &&
           succeeded(bcrypt().genRandom(nullptr, out.data(), ulongOf(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool SystemCryptography::pbkdf2HmacSha256(std::string_view ansiPassword, ByteView salt, std::uint32_t iterations,
                                          ByteSpan out) {
    BCRYPT_ALG_HANDLE hmac = providers().hmacSha256.get();
    std::string utf8;
    WipedWhenDone wiped(utf8);
    bool derived = hmac && fitsUlong(salt.size()) && fitsUlong(out.size()) && convertToUtf8(ansiPassword, utf8) &&
                   fitsUlong(utf8.size()) &&
                   succeeded(bcrypt().deriveKeyPbkdf2(hmac, reinterpret_cast<PUCHAR>(utf8.data()),
                                                   ulongOf(utf8.size()), readOnly(salt), ulongOf(salt.size()),
                                                   iterations, out.data(), ulongOf(out.size()), 0));
    if (!derived) wipeSecret(out);
    return derived;
}

namespace {

// One message through a hash provider, keyed (HMAC) or not (no key); the hash object's memory is
// CNG's own, as Windows 7 allows.
bool hashInto(BCRYPT_ALG_HANDLE provider, ByteView key, ByteView message, ByteSpan out) {
    if (!provider || !fitsUlong(key.size()) || !fitsUlong(message.size())) return false;
    BCRYPT_HASH_HANDLE handle = nullptr;
    PUCHAR secret = key.empty() ? nullptr : readOnly(key);
    if (!succeeded(bcrypt().createHash(provider, &handle, nullptr, 0, secret, ulongOf(key.size()), 0))) return false;
    Hash hash(handle);
    return succeeded(bcrypt().hashData(hash.get(), readOnly(message), ulongOf(message.size()), 0)) &&
           succeeded(bcrypt().finishHash(hash.get(), out.data(), ulongOf(out.size()), 0));
}

bool hashOnce(BCRYPT_ALG_HANDLE provider, ByteView key, ByteView message, ByteSpan out) {
    if (hashInto(provider, key, message, out)) return true;
    wipeSecret(out);  // an HMAC may be a key derived from the master key
    return false;
}

}  // namespace

bool SystemCryptography::hmacSha256(ByteView key, ByteView message, std::span<std::uint8_t, kHmacSize> out) {
    return hashOnce(providers().hmacSha256.get(), key, message, out);
}

bool SystemCryptography::sha256(ByteView message, std::span<std::uint8_t, kDigestSize> out) {
    return hashOnce(providers().sha256.get(), {}, message, out);
}

bool SystemCryptography::sealAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                                       ByteSpan output, std::span<std::uint8_t, kTagSize> tag) {
    SymmetricKey aesKey = aes256KeyOf(providers().aesGcm.get(), key);
    if (!aesKey || !gcmSizesFit(nonce, associatedData, input, output)) return false;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, associatedData, tag.data());
    ULONG written = 0;
    NTSTATUS status = bcrypt().encrypt(aesKey.get(), readOnly(input), ulongOf(input.size()), &info, nullptr, 0,
                                    output.data(), ulongOf(output.size()), &written, 0);
    return succeeded(status) && written == input.size();
}

Cryptography::Opening SystemCryptography::openAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData,
                                                         ByteView input, std::span<const std::uint8_t, kTagSize> tag,
                                                         ByteSpan output) {
    SymmetricKey aesKey = aes256KeyOf(providers().aesGcm.get(), key);
    if (!aesKey || !gcmSizesFit(nonce, associatedData, input, output)) return Opening::Failed;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, associatedData, const_cast<PUCHAR>(tag.data()));
    ULONG written = 0;
    NTSTATUS status = bcrypt().decrypt(aesKey.get(), readOnly(input), ulongOf(input.size()), &info, nullptr, 0,
                                    output.data(), ulongOf(output.size()), &written, 0);
    if (succeeded(status) && written == input.size()) return Opening::Opened;
    // Wine fills the output even when the tag does not match: what it holds is unauthenticated.
    wipeSecret(output);
    return status == kStatusAuthTagMismatch ? Opening::TagMismatch : Opening::Failed;
}

}  // namespace vk::vault
