#include "platform/wipe.h"

#include <cstring>

namespace vk {

void wipeBytes(void* first, std::size_t count) {
    if (count == 0) return;
    std::memset(first, 0, count);
#if defined(__GNUC__)
    // The compiler must assume this reads the bytes, so it cannot drop the memset as a dead store.
    __asm__ __volatile__("" : : "r"(first) : "memory");
#else
    volatile auto* p = static_cast<unsigned char*>(first);
    for (std::size_t i = 0; i < count; ++i) p[i] = 0;
#endif
}

void wipeSecret(std::span<std::uint8_t> bytes) { wipeBytes(bytes.data(), bytes.size()); }

}  // namespace vk
