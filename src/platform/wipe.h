#pragma once
// Wiping secrets (a typed password, a key, a vault's text) from memory before it is freed or reused,
// in a way the compiler keeps even just before the memory goes: the program's one way to wipe
// memory it holds. Portable: no system header.
//
// Texts and buffers that hold secrets are SecretString, SecretWString and SecretBuffer: their
// allocator wipes every block it gives back, so a text that grows, shrinks or goes leaves nothing
// behind in freed memory, and a short text kept inside the string object itself is wiped with it.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

void wipeSecret(std::span<std::uint8_t> bytes);
void wipeBytes(void* first, std::size_t count);

// The text's whole capacity is wiped, then the text is emptied: characters past its end (left by
// a shorter text) go too.
template <typename Char, typename Traits, typename Allocator>
void wipeSecret(std::basic_string<Char, Traits, Allocator>& text) {
    text.resize(text.capacity());  // never reallocates: the characters past the end are wiped too
    wipeBytes(text.data(), text.size() * sizeof(Char));
    text.clear();
}

// Hands out memory as std::allocator does, and wipes each block before it gives it back.
template <typename T>
class WipingAllocator {
public:
    using value_type = T;

    WipingAllocator() noexcept = default;
    template <typename U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}  // NOLINT: rebinding, as allocators do

    T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* block, std::size_t count) noexcept {
        wipeBytes(block, count * sizeof(T));
        std::allocator<T>().deallocate(block, count);
    }

    friend bool operator==(const WipingAllocator&, const WipingAllocator&) noexcept { return true; }
};

// A text that holds a secret. It reads as a std::basic_string does; its heap blocks are wiped
// when they are given back (WipingAllocator), and a short text kept in the object itself (the small
// string buffer) is wiped when the object goes. Made from a plain text or view, never turned back
// into one unasked: a plain copy would not be wiped.
template <typename Char>
class BasicSecretString : public std::basic_string<Char, std::char_traits<Char>, WipingAllocator<Char>> {
public:
    using Base = std::basic_string<Char, std::char_traits<Char>, WipingAllocator<Char>>;
    using Base::Base;
    using Base::operator=;

    BasicSecretString() = default;
    BasicSecretString(const BasicSecretString&) = default;
    BasicSecretString(BasicSecretString&&) noexcept = default;
    BasicSecretString& operator=(const BasicSecretString&) = default;
    BasicSecretString& operator=(BasicSecretString&&) noexcept = default;
    BasicSecretString(const Base& text) : Base(text) {}                // NOLINT: what its operations give
    BasicSecretString(Base&& text) noexcept : Base(std::move(text)) {}  // NOLINT
    BasicSecretString(std::basic_string_view<Char> text) : Base(text) {}  // NOLINT: a secret read elsewhere
    BasicSecretString(const std::basic_string<Char>& text) : Base(text) {}  // NOLINT

    // Compares with a plain text as with another secret one.
    template <typename Other>
        requires std::same_as<Other, std::basic_string<Char>>
    friend bool operator==(const BasicSecretString& secret, const Other& text) noexcept {
        return std::basic_string_view<Char>(secret) == std::basic_string_view<Char>(text);
    }

    ~BasicSecretString() {
        // A short text lies in the object itself, where no allocator sees it.
        const auto* first = reinterpret_cast<const unsigned char*>(this->data());
        const auto* self = reinterpret_cast<const unsigned char*>(this);
        if (first >= self && first < self + sizeof(*this)) wipeSecret(static_cast<Base&>(*this));
    }
};

using SecretString = BasicSecretString<char>;
using SecretWString = BasicSecretString<wchar_t>;
// Bytes that hold a secret, in one block wiped when it is given back.
using SecretBuffer = std::vector<char, WipingAllocator<char>>;

// Wipes a text (or bytes) that held a secret with wipeSecret when the scope it guards ends, so that
// no copy of it stays behind in freed memory.
template <typename Text>
class WipedWhenDone {
public:
    explicit WipedWhenDone(Text& text) : text_(text) {}
    ~WipedWhenDone() { wipeSecret(text_); }
    WipedWhenDone(const WipedWhenDone&) = delete;
    WipedWhenDone& operator=(const WipedWhenDone&) = delete;

private:
    Text& text_;
};

}  // namespace vk
