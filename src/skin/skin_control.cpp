#include "skin/skin_control.h"

#include <string_view>

#include "resource_ids.h"
#include "skin/skin_painter.h"

namespace vk {
namespace {

std::string_view skinResource() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_SKIN), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes ? std::string_view(static_cast<const char*>(bytes), SizeofResource(module, found))
                 : std::string_view();
}

}  // namespace

SkinControl::SkinControl() : data_(SkinData::parse(skinResource())) {}

void SkinControl::apply(HWND window) {
    if (!IsWindow(window)) return;
    skinned_.push_back(window);
    installSkin(window, data_);
}

}  // namespace vk
