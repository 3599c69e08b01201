#pragma once
// The main window: two rows of command buttons, the entry list and the status line under
// a menu bar. Closing it ends the program.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "vault/entry_list.h"
#include "mainwindow/entry_list_view.h"
#include "mainwindow/find_box.h"
#include "platform/app_info.h"
#include "platform/clipboard.h"
#include "platform/window.h"

namespace vk {

class EntryEditor;
struct SettingsStore;
struct Skinning;

class MainWindow : public Window, private FindBox::Host {
public:
    static constexpr int kClientWidth = 9015;  // twips
    static constexpr int kClientHeight = 6555;

    // The menus of the menu bar, left to right.
    enum Menu { FileMenu, DataMenu, CopyMenu, HelpMenu, AboutMenu };
    static constexpr int kFirstMenuId = 1000;

    enum ControlId : int {
        AddButton = kFirstControlId,
        DeleteButton,
        EditButton,
        GoToButton,
        WebsiteButton,
        CopyUsernameButton,  // the Copy buttons, by field: Username, Password, Location
        CopyPasswordButton,
        CopyLocationButton,
        EntryList,
        StatusBar,
        LockedLabel,  // where the list was, while the vault is locked
        UnlockButton,
    };
    enum TimerId : UINT_PTR { ClipboardTimer = 1, ClipboardRetryTimer, IdleTimer };
    static constexpr int copyButtonId(vault::Field field) { return CopyUsernameButton + static_cast<int>(field); }
    // The command id of a menu's item (its place in the menu, from 0); 0 when there is no such item.
    static int menuItemId(Menu menu, int position);

    // What the main window asks of the program around it.
    class Host {
    public:
        // The last step of the load: the vault is read and the password dialog opened.
        virtual void askForMasterPassword() = 0;
        virtual SettingsStore& settings() = 0;
        virtual void showHelpViewer() = 0;
        virtual void showAboutBox() = 0;
        virtual void closePasswordDialog() = 0;
        // Asks the link launcher for the company's web site.
        virtual void visitWebsite() = 0;
        // Opens the dialog that encrypts the vault, or that removes its encryption when it is
        // encrypted; and the one that changes its master password.
        virtual void changeVaultEncryption() = 0;
        virtual void changeMasterPassword() = 0;
        // Entries in from another program's CSV export, and out to a CSV file; boxes are modal
        // to `owner`.
        virtual void importEntries(HWND owner) = 0;
        virtual void exportEntries(HWND owner) = 0;
        // Closing: the help viewer, about box, editor and splash go first, the link launcher last.
        virtual void unloadOtherWindows() = 0;
        virtual void unloadLinkLauncher() = 0;
        // Changes of the entries, which the open vault makes and the list then shows.
        virtual bool removeEntry(vault::EntryId id) = 0;
        virtual void sortEntries(bool sorted, int sortKey, vault::SortOrder order) = 0;
        // Saves the list; a failure is told in a box modal to `owner` (none: one quiet attempt).
        virtual bool saveVault(HWND owner) = 0;
        // Whether the list holds changes the vault does not, and how many.
        virtual bool hasUnsavedChanges() const = 0;
        virtual std::uint64_t unsavedChangeCount() const = 0;
        virtual bool startProgram(const std::string& program, const std::string& commandLine, int showCommand) = 0;
        // Whether the vault is locked: its entries are out of sight until it is unlocked.
        virtual bool vaultLocked() const = 0;
        // The Lock command: locks the open vault, or asks for the password of the locked one.
        virtual void lockOrUnlock() = 0;
        // What may lock the vault, as the user chose in the options: Windows locking the session
        // or going to sleep, the window minimised, and each look at the time without use.
        virtual void windowsLocking() = 0;
        virtual void windowMinimised() = 0;
        virtual void idleCheck() = 0;
        virtual void showOptions() = 0;
        virtual void showEarlierVersions() = 0;
        // The program became the active one again, coming back from another: the vault file is
        // looked at once the activation is over.
        virtual void mainWindowActivated() = 0;
        virtual void endProgramAtOnce() = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    // The window shows `entries`, which the open vault holds.
    MainWindow(Host& host, const Branding& branding, Skinning& skinning, EntryEditor& editor,
               const vault::EntryList& entries);

    // Called once the vault is loaded or created: skins and shows the window, opens the help
    // viewer when the user asked for it, and closes the password dialog.
    void showUnlocked();

    std::string statusText() const;
    void setStatusText(const std::string& text);
    // The File menu offers to encrypt the vault, or to remove its encryption when it is encrypted.
    void showVaultEncrypted(bool encrypted);
    // Locked, the list shows no entries, the status line says so and the File menu offers to
    // unlock; unlocked, the list shows the entries again.
    void showLocked(bool locked);
    // Takes whatever this window copied off the clipboard, if the clipboard still holds it.
    void forgetCopies();

    EntryListView entryList;
    FindBox findBox;  // beside the main window while the user looks for an entry

    // Handlers: the buttons' commands, which the Data and Copy menus repeat, and the menus' own.
    void onAddClick();
    void onEditClick();
    void onDeleteClick();
    void onCopyClick(vault::Field field);
    void onGoToClick();
    void onFindClick();
    void onWebsiteClick();
    void onEncryptionClick();
    void onChangePasswordClick();
    void onImportClick();
    void onExportClick();
    void onOptionsClick();
    void onEarlierVersionsClick();
    void onLockClick();
    void onExitClick();
    void onViewHelpClick();
    void onAboutClick();
    void onClipboardTimer();
    void onUnlockClick();
    void onColumnClick(int column);  // 1-based, as the header reports it
    // Sorts the entries by a column of the list (1-based), as a click on its header does; see
    // sortByColumn for `reportErrors` and the result.
    bool sortByColumn(int column, bool reportErrors);
    void onResize();
    bool onQueryEndSession();

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void onMenu(int commandId) override;

private:
    Button* addButton = nullptr;
    Button* deleteButton = nullptr;
    Button* editButton = nullptr;
    Button* goToButton = nullptr;
    Button* websiteButton = nullptr;
    Button* copyButtons[3] = {};  // by field: Username, Password, Location
    Control* entryListControl = nullptr;
    Control* statusBar = nullptr;
    Control* lockedLabel = nullptr;
    Button* unlockButton = nullptr;
    Timer* clipboardTimer = nullptr;  // clears a copied password from the clipboard
    Timer* clipboardRetryTimer = nullptr;  // tries again while another program holds the clipboard
    Timer* idleTimer = nullptr;            // looks at the time without use, while the vault is open

    HMENU buildMenuBar() const;
    // The locked view stands in the middle of the list's place.
    void placeLockedView();
    // True when the vault is open; when it is locked, asks for its password instead.
    bool unlockedOrAsk();
    bool mayDiscardUnsavedChange();
    // Takes a copied password off the clipboard, if the clipboard still holds it; while another
    // program has the clipboard open, the retry timer tries again until it is gone or not ours.
    void forgetCopiedPassword(ClipboardWait wait);

    // FindBox::Host
    bool findTextChanged(const AnsiText& typed) override;
    // The list shows what matches `typed`, and the status line how many; false when a key came first.
    bool showMatches(const AnsiText& typed, const std::function<bool()>& keyWaiting);
    void firstMatchChosen() override;
    void findClosed() override;

    Host& host_;
    const Branding& branding_;
    Skinning& skinning_;
    EntryEditor& editor_;
    const vault::EntryList& entries_;
    bool showsEncrypted_ = false;
    bool minimised_ = false;
    std::optional<DWORD> copiedPassword_;  // the clipboard's sequence number with it
    std::optional<DWORD> lastCopy_;        // the same for the last copy of any field
};

}  // namespace vk
