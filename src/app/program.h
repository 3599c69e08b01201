#pragma once
// The program: its program-wide values, one object per window, and the wiring between them.
#include <functional>
#include <memory>
#include <string>

#include "app/splash_window.h"
#include "gate/password_dialog.h"
#include "gate/vault_key_dialog.h"
#include "mainwindow/column_chooser.h"
#include "mainwindow/entry_editor.h"
#include "mainwindow/main_window.h"
#include "mainwindow/password_generator_dialog.h"
#include "platform/app_info.h"
#include "platform/owner_window.h"
#include "platform/posted_work.h"
#include "platform/settings.h"
#include "skin/skin.h"
#include "vault/file_system.h"
#include "vault/vault_session.h"
#include "windows/about_box.h"
#include "windows/help_viewer.h"
#include "windows/link_launcher.h"

namespace vk {

// What the program asks of the machine; tests replace parts of it.
struct Environment {
    AppInfo app;  // the executable's folder and version information
    SettingsStore settings;
    vault::FileSystem* files = nullptr;
    vault::Cryptography* crypto = nullptr;  // the system's, for an encrypted vault
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

// The program: its program-wide values and one object per window. It is the one place that
// knows every window: each window is handed only what it uses, and asks the rest of the program
// through its own small Host interface, which the program answers by wiring the windows together.
class Program : public Branding,
                public Skinning,
                public PasswordDialog::Host,
                public VaultKeyDialog::Host,
                public MainWindow::Host,
                public EntryEditor::Host,
                public PasswordGeneratorDialog::Host,
                public HelpViewer::Host,
                public LinkLauncher::Host,
                public ColumnChooser::Host {
public:
    explicit Program(Environment environment);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program on its splash window; start_up.cpp follows the start step by step.
    void start();
    // The splash has shown for long enough: the main window takes over.
    void handOverFromSplash();
    // Ends the program at once: no further handler runs.
    void endProgramAtOnce() override { env.endProgram(); }
    // The title of message boxes that have none of their own.
    const std::string& appTitle() const override { return env.app.title; }

    Environment env;

    // The vault beside the executable, once open: what unlocks it, its entries, its state on disk.
    vault::VaultSession vaultSession;

    // The link launcher's request.
    std::string linkRequest;

    // Owns the windows that stay out of the task bar.
    OwnerWindow owner;
    // What the windows hand over, acted on once their handlers have returned.
    PostedWork afterHandlers;

    SplashWindow splashWindow;
    EntryEditor entryEditor;
    MainWindow mainWindow;  // opens entryEditor
    PasswordDialog passwordDialog;
    AboutBox aboutBox;
    HelpViewer helpViewer;
    LinkLauncher linkLauncher;
    VaultKeyDialog vaultKeyDialog;
    ColumnChooser columnChooser;  // asks for the columns of a file to import
    PasswordGeneratorDialog generatorDialog;  // opened by entryEditor

private:
    // PasswordDialog::Host
    void hideMainWindow() override;
    void passwordEntered(std::string password) override;
    void newPasswordChosen(std::string password) override;
    void passwordDialogCancelled() override { endProgramAtOnce(); }
    // VaultKeyDialog::Host
    void vaultKeyChangeAsked(VaultKeyDialog::Request request) override;
    // Checks what the vault key dialog was given, in the order the dialog asks it, and saves the
    // vault with its new key; the dialog closes when it is saved, and says why when it is not.
    void changeVaultKey(VaultKeyDialog::Request& request);
    // MainWindow::Host
    void askForMasterPassword() override;
    SettingsStore& settings() override { return env.settings; }
    void showHelpViewer() override;
    void showAboutBox() override;
    void closePasswordDialog() override;
    void visitWebsite() override;
    void changeVaultEncryption() override;
    void changeMasterPassword() override;
    void importEntries(HWND owner) override;
    void exportEntries(HWND owner) override;
    void unloadOtherWindows() override;
    void unloadLinkLauncher() override;
    bool saveVault(HWND owner) override;
    bool hasUnsavedChanges() const override { return vaultSession.hasUnsavedChanges(); }
    std::uint64_t unsavedChangeCount() const override { return vaultSession.unsavedChangeCount(); }
    bool startProgram(const std::string& program, const std::string& commandLine, int showCommand) override;
    unsigned clipboardClearMs() const override { return env.clipboardClearMs; }
    // EntryEditor::Host
    vault::EntryId addEntry(const vault::Entry& entry) override { return mainWindow.entryList.add(entry); }
    bool replaceEntry(vault::EntryId id, const vault::Entry& entry) override {
        return mainWindow.entryList.replace(id, entry);
    }
    void setStatusText(const std::string& text) override { mainWindow.setStatusText(text); }
    void openPasswordGenerator(HWND editor) override { generatorDialog.open(editor); }
    // PasswordGeneratorDialog::Host
    vault::Cryptography& cryptography() override { return *env.crypto; }
    void useGeneratedPassword(const std::string& password) override { entryEditor.usePassword(password); }
    // HelpViewer::Host
    std::wstring programFolder() const override { return env.app.folder; }
    bool fileExists(const std::wstring& path) override;
    HWND taskbarOwner() override { return owner.hwnd(); }
    // LinkLauncher::Host
    void applyBranding() override;
    void shellOpen(const std::string& address, int showCommand) override { env.shellOpen(address, showCommand); }
    // ColumnChooser::Host
    void columnsChosen(std::wstring path, std::string text, const vault::CsvLayout& layout) override;
};

}  // namespace vk
