#pragma once
// The program: its program-wide values, one object per window, the vault's controller, and the
// wiring between them.
#include <functional>
#include <memory>
#include <string>

#include "app/splash_window.h"
#include "app/vault_controller.h"
#include "app/vault_lock.h"
#include "gate/password_dialog.h"
#include "gate/vault_key_dialog.h"
#include "mainwindow/column_chooser.h"
#include "mainwindow/earlier_versions_dialog.h"
#include "mainwindow/entry_editor.h"
#include "mainwindow/main_window.h"
#include "mainwindow/options.h"
#include "mainwindow/options_dialog.h"
#include "mainwindow/password_generator_dialog.h"
#include "platform/app_info.h"
#include "platform/owner_window.h"
#include "platform/posted_work.h"
#include "platform/settings.h"
#include "skin/skin.h"
#include "vault/file_system.h"
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
    // The time in milliseconds, as GetTickCount tells it: what a time without use is measured by.
    std::function<DWORD()> tickCount = [] { return GetTickCount(); };
    // While the main window waits, the vault file is looked at this often for another program's change.
    unsigned vaultCheckMs = 3000;

    static Environment real();
};

// The program: its program-wide values, one object per window and the vault's controller. It is the
// one place that knows every window: each window is handed only what it uses, and asks the rest of
// the program through its own small Host interface, which the program answers by wiring the windows
// and the controller together. What a window hands back is acted on once the window's handler has
// returned (afterHandlers_).
class Program : public Branding,
                public Skinning,
                public VaultController::Host,
                public SplashWindow::Host,
                public PasswordDialog::Host,
                public VaultKeyDialog::Host,
                public MainWindow::Host,
                public EntryEditor::Host,
                public PasswordGeneratorDialog::Host,
                public HelpViewer::Host,
                public LinkLauncher::Host,
                public ColumnChooser::Host,
                public OptionsDialog::Host,
                public VaultLock::Host,
                public EarlierVersionsDialog::Host {
public:
    explicit Program(Environment environment);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Claims the vault for this copy of the program; false when this copy must end.
    bool claimVault() { return vault_.claim(); }
    // Starts the program on its splash window; start_up.cpp follows the start step by step.
    void start();
    // Reads the branding values from the executable's version information and turns the skin on.
    void applyBranding() override;
    // Ends the program at once: no further handler runs.
    void endProgramAtOnce() override { env_.endProgram(); }
    // The title of message boxes that have none of their own.
    const std::string& appTitle() const override { return env_.app.title; }

    // The program's parts, as its tests reach them.
    Environment& env() { return env_; }
    VaultController& vault() { return vault_; }
    vault::VaultSession& vaultSession() { return vault_.vault(); }
    SplashWindow& splashWindow() { return splashWindow_; }
    MainWindow& mainWindow() { return mainWindow_; }
    PasswordDialog& passwordDialog() { return passwordDialog_; }
    EntryEditor& entryEditor() { return entryEditor_; }
    AboutBox& aboutBox() { return aboutBox_; }
    HelpViewer& helpViewer() { return helpViewer_; }
    LinkLauncher& linkLauncher() { return linkLauncher_; }
    VaultKeyDialog& vaultKeyDialog() { return vaultKeyDialog_; }
    ColumnChooser& columnChooser() { return columnChooser_; }
    PasswordGeneratorDialog& generatorDialog() { return generatorDialog_; }
    OptionsDialog& optionsDialog() { return optionsDialog_; }
    EarlierVersionsDialog& earlierVersionsDialog() { return earlierVersionsDialog_; }
    VaultLock& lock() { return lock_; }
    const Options& options() const { return lock_.options(); }
    bool locked() const { return lock_.locked(); }
    std::string& linkRequest() { return linkRequest_; }

private:
    // VaultController::Host
    void entriesChanging() override { mainWindow_.entryList.entriesChanging(); }
    void entriesChanged() override { mainWindow_.entryList.entriesChanged(); }
    void entriesLoaded() override { mainWindow_.entryList.entriesLoaded(); }
    void setStatusText(const std::string& text) override { mainWindow_.setStatusText(text); }
    std::string statusText() const override { return mainWindow_.statusText(); }
    void showVaultFormat(vault::VaultFormat format) override;
    void showUnlocked() override;
    void askForNewPassword() override { passwordDialog_.switchToCreate(); }
    void askForPassword() override { passwordDialog_.openToEnter(); }
    void askForColumns(const std::wstring& path, vault::CsvText text, const vault::CsvGuess& guess) override;
    const std::string& product() const override { return productName; }
    void report(HWND owner, const std::wstring& text, const std::string& title) override;
    void afterCommand(std::function<void()> work) override { afterHandlers_.post(std::move(work)); }
    bool askForChangedVaultPassword() override;
    // SplashWindow::Host
    unsigned splashTickMs() const override { return env_.splashTickMs; }
    void handOverFromSplash() override;
    // PasswordDialog::Host
    void hideMainWindow() override;
    void passwordEntered(SecretString password) override;
    void newPasswordChosen(SecretString password) override;
    void passwordDialogCancelled() override;
    void wrongTriesUsedUp() override { endProgramAtOnce(); }
    // VaultKeyDialog::Host
    void vaultKeyChangeAsked(VaultKeyDialog::Request request) override;
    void vaultKeyDialogClosed(VaultKeyDialog::Purpose purpose) override;
    // Checks what the vault key dialog was given, in the order the dialog asks it, and saves the
    // vault with its new key; the dialog closes when it is saved, and says why when it is not.
    void changeVaultKey(VaultKeyDialog::Request& request);
    // The master password the vault file got elsewhere, as the dialog was given it.
    void openChangedVault(VaultKeyDialog::Request& request);
    // MainWindow::Host
    void askForMasterPassword() override;
    SettingsStore& settings() override { return env_.settings; }
    void showHelpViewer() override;
    void showAboutBox() override;
    void closePasswordDialog() override;
    void visitWebsite() override;
    void changeVaultEncryption() override;
    void changeMasterPassword() override;
    void importEntries(HWND owner) override { vault_.importEntries(owner); }
    void exportEntries(HWND owner) override { vault_.exportEntries(owner); }
    void unloadOtherWindows() override;
    void unloadLinkLauncher() override;
    bool removeEntry(vault::EntryId id) override { return vault_.removeEntry(id); }
    void sortEntries(bool sorted, int sortKey, vault::SortOrder order) override {
        vault_.sortEntries(sorted, sortKey, order);
    }
    bool saveVault(HWND owner) override { return vault_.save(owner); }
    bool hasUnsavedChanges() const override { return vault_.vault().hasUnsavedChanges(); }
    std::uint64_t unsavedChangeCount() const override { return vault_.vault().unsavedChangeCount(); }
    bool startProgram(const std::string& program, const std::string& commandLine, int showCommand) override;
    bool vaultLocked() const override { return lock_.locked(); }
    void lockOrUnlock() override { lock_.lockOrUnlock(); }
    void windowsLocking() override { lock_.windowsLocking(); }
    void windowMinimised() override { lock_.windowMinimised(); }
    void idleCheck() override;
    void showOptions() override { optionsDialog_.open(lock_.options()); }
    void showEarlierVersions() override;
    void mainWindowActivated() override;
    // EntryEditor::Host
    vault::EntryId addEntry(const vault::Entry& entry) override { return vault_.addEntry(entry); }
    bool replaceEntry(vault::EntryId id, const vault::Entry& entry) override { return vault_.replaceEntry(id, entry); }
    void openPasswordGenerator(HWND editor) override { generatorDialog_.open(editor); }
    // PasswordGeneratorDialog::Host
    vault::Cryptography& cryptography() override { return *env_.crypto; }
    void useGeneratedPassword(std::string_view password) override { entryEditor_.usePassword(password); }
    // HelpViewer::Host
    std::wstring programFolder() const override { return env_.app.folder; }
    bool fileExists(const std::wstring& path) override;
    HWND taskbarOwner() override { return owner_.hwnd(); }
    // LinkLauncher::Host
    void shellOpen(const std::string& address, int showCommand) override { env_.shellOpen(address, showCommand); }
    // ColumnChooser::Host
    void columnsChosen(std::wstring path, vault::CsvText text, const vault::CsvLayout& layout) override;
    // OptionsDialog::Host
    void optionsChosen(const Options& options) override { lock_.optionsChosen(options); }
    // VaultLock::Host
    void closeDialogsForLock() override;
    std::optional<EntryEditor::Draft> takeEditorDraft() override { return entryEditor_.takeDraft(); }
    void reopenEditorDraft(EntryEditor::Draft draft, std::optional<vault::EntryId> entry) override {
        entryEditor_.openDraft(std::move(draft), entry);
    }
    void showLocked(bool locked) override { mainWindow_.showLocked(locked); }
    void forgetCopies() override { mainWindow_.forgetCopies(); }
    void optionsRead(const Options& options) override;
    HWND mainWindowHandle() const override { return mainWindow_.hwnd(); }
    // EarlierVersionsDialog::Host
    void restoreVersionAsked(size_t row) override;

    // The vault file, looked at for another program's change while the program's windows are free
    // (no box or dialog of a command is open) and the vault is open and unlocked.
    void checkVaultFile();
    bool mayCheckVaultFile() const;

    Environment env_;
    // The vault beside the executable, and its commands.
    VaultController vault_;
    // The link launcher's request.
    std::string linkRequest_;
    // Owns the windows that stay out of the task bar.
    OwnerWindow owner_;
    // What the windows hand over, acted on once their handlers have returned.
    PostedWork afterHandlers_;

    SplashWindow splashWindow_;
    EntryEditor entryEditor_;
    MainWindow mainWindow_;  // opens entryEditor_
    PasswordDialog passwordDialog_;
    AboutBox aboutBox_;
    HelpViewer helpViewer_;
    LinkLauncher linkLauncher_;
    VaultKeyDialog vaultKeyDialog_;
    ColumnChooser columnChooser_;  // asks for the columns of a file to import
    PasswordGeneratorDialog generatorDialog_;  // opened by entryEditor_
    OptionsDialog optionsDialog_;
    EarlierVersionsDialog earlierVersionsDialog_;
    // The versions the dialog lists, row by row.
    std::vector<VaultController::EarlierVersion> shownVersions_;
    DWORD lastVaultCheck_ = 0;  // when the vault file was last looked at (env_.tickCount)

    VaultLock lock_;
};

}  // namespace vk
