#include "platform/wipe.h"

#include <cstring>

namespace vk {

void wipeSecret(std::span<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    std::memset(bytes.data(), 0, bytes.size());
#if defined(__GNUC__)
    // The compiler must assume this reads the bytes, so it cannot drop the memset as a dead store.
    __asm__ __volatile__("" : : "r"(bytes.data()) : "memory");
#else
    volatile std::uint8_t* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
#endif
}

namespace {

template <typename Text>
void wipeWholeCapacity(Text& text) {
    text.resize(text.capacity());  // never reallocates: the characters past the end are wiped too
    wipeSecret({reinterpret_cast<std::uint8_t*>(text.data()), text.size() * sizeof(text[0])});
    text.clear();
}

}  // namespace

void wipeSecret(std::string& text) { wipeWholeCapacity(text); }
void wipeSecret(std::wstring& text) { wipeWholeCapacity(text); }

}  // namespace vk
