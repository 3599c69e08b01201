#include "platform/file_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "platform/keep_on_top.h"

namespace vk {
namespace {

// Room for a long path: the dialogs take a buffer, not a string.
constexpr DWORD kPathRoom = 32768;

std::optional<std::wstring> ask(OPENFILENAMEW& dialog, std::vector<wchar_t>& path, BOOL(WINAPI* show)(OPENFILENAMEW*)) {
    AboveKeptOnTop aboveKeptOnTop(dialog.hwndOwner);
    if (!show(&dialog)) return std::nullopt;
    return std::wstring(path.data());
}

OPENFILENAMEW dialogFor(HWND owner, const std::wstring& title, const std::wstring& filter, std::vector<wchar_t>& path) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathRoom;
    dialog.lpstrTitle = title.c_str();
    // The program's folder stays its current one, whatever folder the user browses to.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    return dialog;
}

}  // namespace

std::optional<std::wstring> askFileToOpen(HWND owner, const std::wstring& title, const std::wstring& filter) {
    std::vector<wchar_t> path(kPathRoom, L'\0');
    OPENFILENAMEW dialog = dialogFor(owner, title, filter, path);
    dialog.Flags |= OFN_FILEMUSTEXIST;
    return ask(dialog, path, GetOpenFileNameW);
}

std::optional<FileToSave> askFileToSave(HWND owner, const std::wstring& title, const std::wstring& filter,
                                        const std::wstring& defaultName, const std::wstring& defaultExtension) {
    std::vector<wchar_t> path(kPathRoom, L'\0');
    defaultName.copy(path.data(), std::min<size_t>(defaultName.size(), kPathRoom - 1));
    OPENFILENAMEW dialog = dialogFor(owner, title, filter, path);
    dialog.lpstrDefExt = defaultExtension.c_str();
    dialog.Flags |= OFN_OVERWRITEPROMPT;
    std::optional<std::wstring> chosen = ask(dialog, path, GetSaveFileNameW);
    if (!chosen) return std::nullopt;
    // The dialog counts its types from 1.
    return FileToSave{std::move(*chosen), static_cast<int>(dialog.nFilterIndex) - 1};
}

}  // namespace vk
