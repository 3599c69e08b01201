#pragma once
// The system's own Open and Save dialogs, modal to `owner`, above the windows kept on top. Each
// gives the chosen file's path, or nothing when the user cancelled.
#include <windows.h>

#include <optional>
#include <string>

namespace vk {

// `filter` is the dialog's list of file types: pairs of a name and a pattern, each ended by a
// NUL, as "CSV files (*.csv)\0*.csv\0"; the first pair is the one shown first.
std::optional<std::wstring> askFileToOpen(HWND owner, const std::wstring& title, const std::wstring& filter);
// A file to write, and which of the dialog's types the user chose for it (0 for the first pair of
// the filter).
struct FileToSave {
    std::wstring path;
    int type = 0;
};
// Asks before it lets the user choose a file that exists. `defaultName` is offered in the dialog,
// and `defaultExtension` is added to a name typed without one.
std::optional<FileToSave> askFileToSave(HWND owner, const std::wstring& title, const std::wstring& filter,
                                        const std::wstring& defaultName, const std::wstring& defaultExtension);

}  // namespace vk
