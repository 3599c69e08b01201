#pragma once
// The lock: the open vault closes itself when the user walks away (a time without use, Windows
// locking the session or going to sleep, the window minimised, as the options say) or asks it to
// (File > Lock, Ctrl+L). Nothing holds a lock off: the boxes and dialogs open at that moment close
// as their Cancel would, and what the editor held comes back as a draft at the unlock, which
// reads the vault again through the gate's own path.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/vault_controller.h"
#include "gate/password_dialog.h"
#include "mainwindow/entry_editor.h"
#include "mainwindow/options.h"
#include "platform/input_watch.h"

namespace vk {

class VaultLock {
public:
    // What the lock asks of the program: the windows it cannot reach itself.
    class Host {
    public:
        // Closes, as their Cancel would, the program's own dialogs that work on the open vault.
        virtual void closeDialogsForLock() = 0;
        // Closes the editor as Cancel does, keeping what it held; none when it is not open.
        virtual std::optional<EntryEditor::Draft> takeEditorDraft() = 0;
        // Opens the editor on a draft; `entry` is the identity its entry has now (none: gone).
        virtual void reopenEditorDraft(EntryEditor::Draft draft, std::optional<vault::EntryId> entry) = 0;
        // The main window shows the locked vault, or the entries again.
        virtual void showLocked(bool locked) = 0;
        // Takes what the program copied off the clipboard.
        virtual void forgetCopies() = 0;
        // The options were read or chosen: what they say of the list is shown.
        virtual void optionsRead(const Options& options) = 0;
        virtual HWND mainWindowHandle() const = 0;
        virtual const std::string& product() const = 0;

    protected:
        ~Host() = default;
    };

    // `clock` tells the time in milliseconds, as GetTickCount does; tests move their own.
    VaultLock(Host& host, VaultController& vault, PasswordDialog& passwordDialog, const SettingsStore& settings,
              std::function<DWORD()> clock);
    VaultLock(const VaultLock&) = delete;
    VaultLock& operator=(const VaultLock&) = delete;

    // Reads the options from the settings store, as the main window loads.
    void loadOptions();
    const Options& options() const { return options_; }
    void optionsChosen(const Options& options);

    // Whether the vault is locked: none of its entries is on screen until the master password is given.
    bool locked() const { return locked_; }

    // The Lock command: locks the open vault, or asks for the password of the locked one.
    void lockOrUnlock();
    // What may lock the vault, as the options allow.
    void windowsLocking();
    void windowMinimised();
    // A look at the time without use; a lock that waits for the windows to be free asks again.
    void idleCheck();
    // Locks the open vault as soon as the program's windows are free.
    void askForLock();
    // Opens the password dialog over the locked main window.
    void askToUnlock();
    // The password typed into the dialog while locked.
    void unlockWith(const std::string& password);
    // The vault is open again: the main window shows it, and the editor's draft comes back.
    void finishUnlock();
    // Shown once the vault is unlocked: a report that a lock closed before it was read.
    void tellAfterUnlock(std::wstring text, std::string title);
    // Whether a lock waits for the program's windows to be free.
    bool waiting() const { return lockAsked_; }

private:
    bool windowsFree() const;
    void lockWhenFree();
    void lock();
    void restoreDraft();

    Host& host_;
    VaultController& vault_;
    PasswordDialog& passwordDialog_;
    const SettingsStore& settings_;
    Options options_;
    InputWatch inputWatch_;  // when the user last used the program
    bool locked_ = false;
    bool lockAsked_ = false;  // a lock waits for the program's windows to be free
    // What the editor held when the vault locked; it comes back at the unlock.
    std::optional<EntryEditor::Draft> draft_;
    // A report a lock closed: title and text.
    std::optional<std::pair<std::string, std::wstring>> report_;
};

}  // namespace vk
