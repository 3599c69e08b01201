#pragma once
// The program: its program-wide values and one object per window. Everything else reaches the
// windows and the values through it.
#include <functional>
#include <memory>
#include <string>

#include "app/splash_window.h"
#include "gate/password_dialog.h"
#include "mainwindow/entry_editor.h"
#include "mainwindow/main_window.h"
#include "platform/app_info.h"
#include "platform/owner_window.h"
#include "platform/settings.h"
#include "skin/skin_support.h"
#include "vault/file_system.h"
#include "vault/vault_store.h"
#include "windows/about_box.h"
#include "windows/help_viewer.h"
#include "windows/link_launcher.h"

namespace vk {

class SkinControl;

// What the program asks of the machine; tests replace parts of it.
struct Environment {
    AppInfo App;  // the executable's folder and version information
    SettingsStore settings;
    vault::FileSystem* files = nullptr;
    std::function<void()> endProgram;  // ends the process at once
    std::function<bool(const std::string& program, const std::string& commandLine, int showCommand)> startProgram;
    std::function<void(const std::string& address, int showCommand)> shellOpen;
    std::function<bool()> isNT6OrLater;
    // 75 ticks of the splash timer make about one second.
    unsigned splashTickMs = 13;
    // A copied password leaves the clipboard this long after the copy.
    unsigned clipboardClearMs = 10000;

    static Environment real();
};

class Program {
public:
    explicit Program(Environment environment);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program on its splash window.
    void start();
    // Ends the program at once: no further handler runs.
    void endProgramAtOnce() { env.endProgram(); }
    // The title of message boxes that have none of their own.
    const std::string& appTitle() const { return env.App.Title; }

    Environment env;

    // Branding, read from the executable's version information.
    std::string productName;
    std::string companyName;
    std::string companyWebsite;

    // Skinning.
    bool skinEnabled = false;
    SkinControl* skinObject = nullptr;
    std::unique_ptr<SkinSupport> skinSupport;

    // The master password gate.
    std::string masterPassword;
    std::string storedPassword;
    bool creatingPassword = false;
    // The vault as this copy last read or wrote it: a save asks before replacing a file that
    // anything else changed since.
    vault::Fingerprint vaultAsKnown;

    // The entry editor's state, set by the Add and Edit commands.
    std::string entryMode;
    std::string editUsername;
    std::string editPassword;
    std::string editLocation;
    int editRowIndex = 0;

    // The link launcher's request.
    std::string linkRequest;

    // Owns the windows that stay out of the task bar.
    OwnerWindow owner;

    SplashWindow frmSplash;
    MainWindow Form1;
    PasswordDialog frmPass;
    EntryEditor frmAdd;
    AboutBox frmAbout;
    HelpViewer Form8;
    LinkLauncher frmWebsite;
};

}  // namespace vk
