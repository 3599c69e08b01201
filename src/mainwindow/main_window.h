#pragma once
// Form1, the main window: two rows of command buttons, the entry list and the status line under
// a menu bar. Closing it ends the program.
#include <windows.h>

#include <optional>
#include <string>

#include "mainwindow/entry_list.h"
#include "mainwindow/entry_list_view.h"
#include "platform/window.h"

namespace vk {

class Program;

class MainWindow : public Window {
public:
    static constexpr int kClientWidth = 9015;  // twips
    static constexpr int kClientHeight = 6555;

    // Menu bar: each menu's items form one control array.
    enum Menu { mnuFile, mnuData, mnuCopy, mnuHelp, mnuAbout };
    static constexpr int kFirstMenuId = 1000;
    // The command id of a menu's item (index from 0); 0 when there is no such item.
    static int menuItemId(Menu menu, int index);

    explicit MainWindow(Program& app);

    // Called once the vault is loaded or created: skins and shows the window, opens the help
    // viewer when the user asked for it, and closes the password dialog.
    void afterFormLoad();

    const EntryList& entries() const { return entries_; }
    std::string statusText() const;
    void setStatusText(const std::string& text);

    // Set when the last save failed: the list holds a change the vault does not.
    bool unsavedChanges = false;
    // How many changes the list holds that the vault does not; a successful save marks them saved.
    std::uint64_t unsavedChangeCount() const { return entries_.changes() - savedChanges_; }
    void markChangesSaved() { savedChanges_ = entries_.changes(); }

    // Controls.
    Control* cmdAdd[1] = {};
    Control* cmdDelete = nullptr;
    Control* cmdEdit = nullptr;
    Control* cmdGoto = nullptr;
    Control* cmdWebsite[1] = {};
    Control* cmdCopy[3] = {};
    Control* lstPassControl = nullptr;
    Control* StatusBar1 = nullptr;
    Timer* tmrClipboard = nullptr;  // clears a copied password from the clipboard
    EntryListView lstPass{entries_};

    // Handlers: the buttons' commands and the menus that repeat them.
    void cmdAdd_Click(int index);
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdCopy_Click(int index);
    void cmdGoto_Click();
    void cmdWebsite_Click(int index);
    void tmrClipboard_Timer();
    void lstPass_ColumnClick(int column);
    void mnuFileItem_Click(int index);
    void mnuDataItem_Click(int index);
    void mnuCopyItem_Click(int index);
    void mnuHelpItem_Click(int index);
    void mnuAboutItem_Click(int index);
    void Form_Resize();
    bool Form_QueryEndSession();

protected:
    void create() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void onMenu(int commandId) override;

private:
    HMENU buildMenuBar() const;
    bool mayDiscardUnsavedChange();
    // Takes a copied password off the clipboard, if the clipboard still holds it.
    void forgetCopiedPassword();

    Program& app_;
    EntryList entries_;
    std::optional<DWORD> copiedPassword_;  // the clipboard's sequence number with it
    std::uint64_t savedChanges_ = 0;
};

// Puts one text on the main window's status line, replacing the one before.
void SetStatusText(Program& app, const std::string& text);

}  // namespace vk
