#pragma once
// The vault operations as the program uses them: on the vault beside the executable, reporting
// to the user, and handing over to the main window.
#include <windows.h>

#include <string>

namespace vk {

class Program;

// Reads the vault at start, creating a Fresh vault first when there is none; `guarded` tells
// whether a master password guards it. False when the vault could not be read or created: the
// user was told why and the program has ended.
bool inspectVault(Program& app, bool& guarded);

// Opens the vault with its master password: the entries are loaded, the count reported and the
// main window shown (or a failure reported and the program ended).
void unlockVault(Program& app, const std::string& masterPassword);

// Closes the password dialog, writes the vault with its new master password, and shows the main
// window.
void createVault(Program& app, const std::string& password);

// Rewrites the whole vault from its master password and the entry list. On failure the user is
// told what failed in a box modal to `owner`, the window whose action saved, and may retry; with
// no owner there is one attempt and no box. False when the vault still holds its previous content.
bool saveVault(Program& app, HWND owner);

}  // namespace vk
