// How the program starts, step by step; each step runs in a window event of the step before.
//
//  1. WinMain (main.cpp) makes the program, which claims the vault for this copy, and calls start,
//     which shows the splash window; the splash's load reads the branding and binds the skin.
//  2. About a second later the splash hands over: the main window is loaded and shown, and the
//     splash hides. The main window's load builds its caption, columns and status line, and ends
//     by asking for the master password.
//  3. askForMasterPassword has the vault's controller read the vault (creating a Fresh one when
//     there is none) and opens the password dialog, to create the first master password or to
//     enter it. While the dialog is open it keeps the main window hidden.
//  4. The dialog hands the password over; once its handler has returned, the controller acts on it
//     (vault_controller.cpp): unlock opens the vault, or the dialog is told the password is wrong;
//     create closes the dialog and writes the vault with its new master password.
//  5. Both end in the main window's showUnlocked: the main window is skinned and shown, the help
//     viewer opens when the user asked for it at every start, and the password dialog closes.
//     From then on the main window drives the program.
#include "app/program.h"
#include "platform/wipe.h"

namespace vk {

void Program::start() { splashWindow_.show(); }

void Program::handOverFromSplash() {
    mainWindow_.load();
    mainWindow_.show();
    splashWindow_.hide();
}

void Program::askForMasterPassword() {
    lock_.loadOptions();  // as the main window loads: they say how it shows the entries and when it locks
    vault::VaultState state = vault::VaultState::Fresh;
    if (!vault_.inspect(state)) return;  // reported; the program has ended
    if (state == vault::VaultState::Guarded)
        passwordDialog_.openToEnter();
    else
        passwordDialog_.openToCreate();
}

void Program::passwordEntered(std::string password) {
    afterHandlers_.post([this, password = std::move(password)]() mutable {
        WipedWhenDone wiped(password);
        if (lock_.locked()) return lock_.unlockWith(password);
        if (!vault_.unlock(password)) passwordDialog_.refuseWrongPassword();
    });
}

void Program::passwordDialogCancelled() {
    // At start the gate is the only way in: without a password the program ends. A locked vault
    // stays locked.
    if (!lock_.locked()) return endProgramAtOnce();
    afterHandlers_.post([this] { passwordDialog_.unload(); });
}

void Program::showUnlocked() {
    if (lock_.locked()) return lock_.finishUnlock();
    mainWindow_.showUnlocked();
}

void Program::newPasswordChosen(std::string password) {
    afterHandlers_.post([this, password = std::move(password)]() mutable {
        WipedWhenDone wiped(password);
        passwordDialog_.unload();
        vault_.create(password);
    });
}

}  // namespace vk
