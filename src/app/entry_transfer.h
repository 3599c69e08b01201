#pragma once
// Entries in and out of the vault as CSV, talking to the user: the import of what browsers and
// other password keepers export, and Vellumkeep's own export.
#include <windows.h>

#include <string>
#include <string_view>

namespace vk {
namespace vault {
struct CsvLayout;
}

class Program;

// Asks for a CSV file, adds what it holds that the vault can hold and does not hold yet, in one
// change, and saves once; then says what was imported and what was skipped, and why. Boxes are
// modal to `owner`.
// When the file does not say which column holds what, the column chooser asks first, and
// imports with the user's choice through importEntriesInLayout.
void importEntries(Program& app, HWND owner);
void importEntriesInLayout(Program& app, HWND owner, const std::wstring& path, std::string_view text,
                           const vault::CsvLayout& layout);

// Warns that the file will hold every password in plain text, asks where to write it, and writes
// every entry in display order as CSV, through the same replace as the vault: a failure leaves no
// half-written file.
void exportEntries(Program& app, HWND owner);

}  // namespace vk
