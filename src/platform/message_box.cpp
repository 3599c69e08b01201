#include "platform/message_box.h"

#include "platform/keep_on_top.h"
#include "platform/text.h"

namespace vk {

int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style) {
    return messageBox(owner, widen(text), title, style);
}

int messageBox(HWND owner, const std::wstring& text, const std::string& title, UINT style) {
    AboveKeptOnTop aboveKeptOnTop(owner);
    return MessageBoxW(owner, text.c_str(), widen(title).c_str(), style);
}

}  // namespace vk
