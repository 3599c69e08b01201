#pragma once
// Entries in and out of the vault as CSV, talking to the user: the import of what browsers and
// other password keepers export, and Vellumkeep's own export.
#include <windows.h>

namespace vk {

class Program;

// Asks for a CSV file, adds what it holds that the vault can hold and does not hold yet, in one
// change, and saves once; then says what was imported and what was skipped, and why. Boxes are
// modal to `owner`.
void importEntries(Program& app, HWND owner);

// Warns that the file will hold every password in plain text, asks where to write it, and writes
// every entry in display order as CSV, through the same replace as the vault: a failure leaves no
// half-written file.
void exportEntries(Program& app, HWND owner);

}  // namespace vk
