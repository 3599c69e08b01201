#pragma once
// The entry editor, the modeless dialog in which the user types a new entry or changes one. It remembers
// the entry it opened by identity, so that a change of the list meanwhile never makes it
// overwrite another entry.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "vault/entry_list.h"
#include "platform/text.h"
#include "platform/window.h"

namespace vk {

struct Skinning;

class EntryEditor : public Window {
public:
    // Wider than the first editor by the Generate button, right of the Password box.
    static constexpr int kClientWidth = 5955;  // twips
    static constexpr int kClientHeight = 2610;

    enum ControlId : int {
        CancelButton = kFirstControlId,
        SaveButton,
        UsernameLabel,
        UsernameBox,
        PasswordLabel,
        PasswordBox,
        GenerateButton,
        WebsiteLabel,
        WebsiteBox,
    };

    // What the editor needs: the entry list, the save and the status line.
    class Host {
    public:
        // Adds the entry the user saved to the list (at its end, or in its sorted place).
        virtual vault::EntryId addEntry(const vault::Entry& entry) = 0;
        // Puts the entry the user saved in place of the one with this identity; false when that
        // one is no longer in the list.
        virtual bool replaceEntry(vault::EntryId id, const vault::Entry& entry) = 0;
        // Saves the list; a failure is told in a box modal to `owner`. False when not saved.
        virtual bool saveVault(HWND owner) = 0;
        virtual void setStatusText(const std::string& text) = 0;
        virtual const std::string& appTitle() const = 0;
        // Opens the password generator over the editor; what it makes comes back through usePassword.
        virtual void openPasswordGenerator(HWND editor) = 0;

    protected:
        ~Host() = default;
    };

    EntryEditor(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the editor empty, for a new entry. While it is open, this and openForEdit only bring
    // it to the front.
    void openForAdd();
    // Opens the editor on an entry of the list, remembered by its identity.
    void openForEdit(vault::EntryId id, vault::EntryView entry);

    // What the editor held when the vault locked: the entry it was opened on (none: a new entry)
    // and what each box held, typed or not. Its texts are wiped with it.
    struct Draft {
        std::optional<vault::Entry> opening;
        std::array<SecretWString, 3> boxes;  // by field
    };
    // Closes the editor as Cancel does, keeping what it held; none when it is not open.
    std::optional<Draft> takeDraft();
    // Opens the editor on a draft, filled in as it was. `entry` is the identity its entry has in the
    // list now; none when that entry is no longer there, as when it was deleted while edited.
    void openDraft(Draft draft, std::optional<vault::EntryId> entry);

    void onSaveClick();
    void onCancelClick();
    void onGenerateClick();
    bool onWebsiteKey(wchar_t key);
    // Puts a generated password into the Password box, in place of what it held.
    void usePassword(std::string_view password);

protected:
    void create() override;
    void onLoad() override;
    // What the editor was opened on goes with it: nothing of an entry stays behind a closed editor.
    void onUnload(bool& cancel) override;

private:
    Button* cancelButton = nullptr;  // closes the editor and changes nothing
    Button* saveButton = nullptr;    // checks, stores and saves the entry
    Control* usernameLabel = nullptr;
    EditBox* usernameBox = nullptr;
    Control* passwordLabel = nullptr;
    EditBox* passwordBox = nullptr;
    Button* generateButton = nullptr;  // opens the password generator
    Control* websiteLabel = nullptr;
    EditBox* websiteBox = nullptr;

    bool editing() const { return opening_.has_value(); }
    EditBox* boxOf(vault::Field field) const;
    // Shows the entry opened in the boxes, noting what a box showed of a field it could not show
    // whole (a NUL in a field from a foreign file ends the box's text there).
    void showOpeningEntry();
    // A field as Save takes it: as it was opened while its box still shows exactly the part of it
    // that could be shown, else what the box holds.
    SecretText fieldText(vault::Field field) const;
    // The three boxes as an entry; empty when one holds what the vault cannot store (the user
    // has been told why).
    std::optional<vault::Entry> storableEntry();
    // Puts the entry into the list; false when the user chose not to.
    bool store(const vault::Entry& entry);

    Host& host_;
    Skinning& skinning_;
    // The entry the editor is opened on (none when adding), as it was when opened.
    std::optional<vault::Entry> opening_;
    std::optional<vault::EntryId> openedEntry_;
    // By field: what its box showed of a field it could not show whole.
    std::array<std::optional<SecretWString>, 3> shownCut_;
    // True while a Save runs: a click that still reaches the button meanwhile is ignored.
    bool saving_ = false;
};

}  // namespace vk
