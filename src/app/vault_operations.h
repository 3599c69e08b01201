#pragma once
// The vault operations as the program uses them: on the vault beside the executable, reporting
// to the user, and handing over to the main window.
#include <windows.h>

#include <string>

#include "vault/vault_session.h"

namespace vk {

class Program;

// Reads the vault at start, creating a Fresh vault first when there is none: `state` tells whether
// a master password guards it. False when the vault cannot be used (it could not be read or
// created, or an encrypted vault is damaged or too new): the user was told why and the program has
// ended.
bool inspectVault(Program& app, vault::VaultState& state);

// Opens the vault with the password the user typed: the entries are loaded, the count reported
// and the main window shown (or a failure reported and the program ended). False when the password
// is not the master password.
bool unlockVault(Program& app, const std::string& password);

// Writes the vault with its new master password, and shows the main
// window.
void createVault(Program& app, const std::string& password);

// Rewrites the whole vault from its master password and the entry list. On failure the user is
// told what failed in a box modal to `owner`, the window whose action saved, and may retry; with
// no owner there is one attempt and no box. False when the vault still holds its previous content.
bool saveVault(Program& app, HWND owner);

// Whether the password is the open vault's master password; a failure of the system's
// cryptography is told in a box modal to `owner`.
bool isMasterPassword(Program& app, HWND owner, const std::string& password);

// Seals the vault with a new key made from `password` in `format` (encrypted: a new salt and
// today's iterations) and saves it, telling a failure in a box modal to `owner`. On success the
// status line says `done` and when; otherwise the vault keeps its key and the file what it held.
bool saveWithNewKey(Program& app, HWND owner, const std::string& password, vault::VaultFormat format,
                    const std::string& done);

}  // namespace vk
