#include "platform/system_error.h"

#include <windows.h>

namespace vk {

std::string systemErrorText(unsigned long code) {
    char buffer[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    std::string message(buffer, length);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) message.pop_back();
    if (message.empty()) message = "System error " + std::to_string(code) + ".";
    return message;
}

}  // namespace vk
