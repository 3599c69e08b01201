#include "platform/collation.h"

#include <windows.h>

namespace vk {

std::string userCollationKey(std::string_view text) {
    if (text.empty()) return {};
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int length = static_cast<int>(text.size());
    std::string key(text.size() * 4 + 16, '\0');
    int n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(key.data()),
                         static_cast<int>(key.size()));
    if (n == 0) {
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, nullptr, 0);
        if (n <= 0) return std::string(text);
        key.assign(static_cast<size_t>(n), '\0');
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(key.data()), n);
    }
    // The key ends with a zero byte, which must not take part in the comparison.
    key.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);
    return key;
}

}  // namespace vk
