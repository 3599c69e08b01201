#include "platform/message_box.h"

#include "platform/text.h"

namespace vk {

int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style) {
    return MessageBoxW(owner, widen(text).c_str(), widen(title).c_str(), style);
}

}  // namespace vk
