#pragma once
// The vault operations as the program uses them: on the vault beside the executable, reporting
// to the user, and handing over to the main window.
#include <windows.h>

#include <string>

namespace vk {

class Program;

// Line 1 of the vault, unscrambled, creating a Fresh vault first when there is none. False when
// the vault could not be read or created: the user was told why and the program has ended.
bool readStoredPassword(Program& app, std::string& password);

// Fills the entry list from the vault, reports the count and shows the main window.
void loadVault(Program& app);

// Closes the password dialog, writes a vault that holds only the new master password, and shows
// the main window.
void createVault(Program& app);

// Rewrites the whole vault from the master password and the entry list. On failure the user is
// told what failed in a box modal to `owner`, the window whose action saved, and may retry; with
// no owner there is one attempt and no box. False when the vault still holds its previous content.
bool saveVault(Program& app, HWND owner);

}  // namespace vk
