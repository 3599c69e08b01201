#pragma once
// frmAdd, the modeless editor in which the user types a new entry or changes one. It remembers
// the entry it opened by identity, so that a change of the list meanwhile never makes it
// overwrite another entry.
#include <optional>

#include "mainwindow/entry_list.h"
#include "platform/window.h"

namespace vk {

class Program;

class EntryEditor : public Window {
public:
    static constexpr int kClientWidth = 4680;  // twips
    static constexpr int kClientHeight = 2610;

    explicit EntryEditor(Program& app) : app_(app) {}

    // The editor's two buttons keep the names they had when the dialog was made from the main
    // window's buttons; their handlers are named after them.
    Control* cmdDelete = nullptr;  // the Cancel button: closes the editor and changes nothing
    Control* cmdAdd[1] = {};       // the Save button: checks, stores and saves the entry
    Control* SkinLabel1 = nullptr;
    Control* txtUsername = nullptr;
    Control* SkinLabel2 = nullptr;
    Control* txtPassword = nullptr;
    Control* SkinLabel3 = nullptr;
    Control* txtWebsite = nullptr;

    void cmdAdd_Click(int index);
    void cmdDelete_Click();
    bool txtWebsite_KeyPress(wchar_t key);

protected:
    void create() override;
    void Form_Load() override;

private:
    bool editing() const;
    // The three boxes as an entry; empty when one holds what the vault cannot store (the user
    // has been told why).
    std::optional<vault::Entry> storableEntry();
    // Puts the entry into the list; false when the user chose not to.
    bool store(vault::Entry entry);

    Program& app_;
    std::optional<EntryId> openedEntry_;
};

}  // namespace vk
