#include "platform/collation.h"

#include <windows.h>

namespace vk {

void userCollationKey(std::string_view text, SecretString& keys) {
    if (text.empty()) return;
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int length = static_cast<int>(text.size());
    size_t start = keys.size();
    // Room for the usual key; the few longer ones are measured first.
    size_t room = text.size() * 4 + 16;
    keys.resize(start + room);
    int n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(keys.data() + start),
                         static_cast<int>(room));
    if (n == 0) {
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, nullptr, 0);
        if (n <= 0) {
            keys.resize(start);
            keys.append(text);
            return;
        }
        keys.resize(start + static_cast<size_t>(n));
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(keys.data() + start),
                         n);
    }
    // The key ends with a zero byte, which must not take part in the comparison.
    keys.resize(start + (n > 0 ? static_cast<size_t>(n) - 1 : 0));
}

}  // namespace vk
