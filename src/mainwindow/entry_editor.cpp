#include "mainwindow/entry_editor.h"

#include "platform/handler_run.h"
#include "platform/message_box.h"
#include "platform/wipe.h"
#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"
#include "vault/entry_rules.h"

namespace vk {
namespace {

constexpr vault::Field kFields[] = {vault::Field::Username, vault::Field::Password, vault::Field::Location};

}  // namespace

void EntryEditor::create() {
    Frame frame;
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    if (!createProgramFrame(frame)) return;

    auto skinLabel = [this](int id, const char* caption, int top) {
        return &createSkinLabel(*this, id, caption, 120, top, 1155, 255);
    };
    cancelButton = &createButton(CancelButton, "Cancel", 3420, 1500, 1155, 1035);
    saveButton = &createButton(SaveButton, "Save", 120, 1500, 1155, 1035);
    usernameLabel = skinLabel(UsernameLabel, "Username:", 120);
    usernameBox = &createEditBox(UsernameBox, 1320, 60, 3255, 315);
    passwordLabel = skinLabel(PasswordLabel, "Password:", 540);
    passwordBox = &createEditBox(PasswordBox, 1320, 480, 3255, 315);
    generateButton = &createButton(GenerateButton, "Generate...", 4680, 465, 1155, 345);
    websiteLabel = skinLabel(WebsiteLabel, "Website:", 960);
    websiteBox = &createEditBox(WebsiteBox, 1320, 900, 3255, 315);
    // The password is wiped from the box when it changes and when the editor goes (the other
    // fields show in the list anyway).
    passwordBox->holdSecret();
    setTabOrder({cancelButton, saveButton, usernameLabel, usernameBox, passwordLabel, passwordBox, generateButton,
                 websiteLabel, websiteBox});

    cancelButton->onClick = [this] { onCancelClick(); };
    saveButton->onClick = [this] { onSaveClick(); };
    generateButton->onClick = [this] { onGenerateClick(); };
    websiteBox->onKeyPress = [this](wchar_t key) { return onWebsiteKey(key); };
}

// One editor at a time: a request while it is open shows it and changes nothing.
void EntryEditor::openForAdd() {
    if (isLoaded()) return show();
    opening_.reset();
    openedEntry_.reset();
    load();
    show();
}

void EntryEditor::openForEdit(vault::EntryId id, vault::EntryView entry) {
    if (isLoaded()) return show();
    opening_ = entry.toEntry();
    openedEntry_ = id;
    load();
    show();
}

std::optional<EntryEditor::Draft> EntryEditor::takeDraft() {
    if (!isLoaded()) return std::nullopt;
    Draft draft;
    draft.opening = opening_;
    for (vault::Field field : kFields)
        draft.boxes[static_cast<size_t>(field)] = secretWideWindowText(boxOf(field)->hwnd());
    unload();
    return draft;
}

void EntryEditor::openDraft(Draft draft, std::optional<vault::EntryId> entry) {
    if (isLoaded()) return show();
    opening_ = draft.opening;
    openedEntry_ = entry;
    load();
    for (vault::Field field : kFields)
        SetWindowTextW(boxOf(field)->hwnd(), draft.boxes[static_cast<size_t>(field)].c_str());
    show();
}

void EntryEditor::onLoad() {
    standAboveKeptOnTop();
    shownCut_ = {};
    if (!editing()) {
        setCaption("Add an entry");
    } else {
        setCaption("Edit an entry");
        showOpeningEntry();
    }
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void EntryEditor::onUnload(bool&) {
    opening_.reset();
    shownCut_ = {};
}

EditBox* EntryEditor::boxOf(vault::Field field) const {
    EditBox* const boxes[] = {usernameBox, passwordBox, websiteBox};  // in the order of the fields
    return boxes[static_cast<size_t>(field)];
}

void EntryEditor::showOpeningEntry() {
    for (vault::Field field : kFields) {
        const std::string_view text = vault::EntryList::field(*opening_, static_cast<int>(field));
        EditBox* box = boxOf(field);
        box->setSecretText(text);
        if (secretWindowText(box->hwnd()).text != text)
            shownCut_[static_cast<size_t>(field)] = secretWideWindowText(box->hwnd());
    }
}

SecretText EntryEditor::fieldText(vault::Field field) const {
    HWND box = boxOf(field)->hwnd();
    const std::optional<SecretWString>& shown = shownCut_[static_cast<size_t>(field)];
    if (opening_ && shown && secretWideWindowText(box) == *shown)
        return {SecretString(vault::EntryList::field(*opening_, static_cast<int>(field))), true};
    return secretWindowText(box);
}

std::optional<vault::Entry> EntryEditor::storableEntry() {
    SecretText username = fieldText(vault::Field::Username);
    SecretText password = fieldText(vault::Field::Password);
    SecretText website = fieldText(vault::Field::Location);
    std::string problem;
    if (!username.complete)
        problem = vault::outsideCodePageProblem("Username");
    else if (!password.complete)
        problem = vault::outsideCodePageProblem("Password");
    else if (!website.complete)
        problem = vault::outsideCodePageProblem("Website");
    vault::Entry entry{std::move(username.text), std::move(password.text), std::move(website.text)};
    if (problem.empty()) problem = vault::entryProblem(entry);
    if (!problem.empty()) {
        messageBox(hwnd(), problem, "Error", MB_OK);
        return std::nullopt;
    }
    return entry;
}

bool EntryEditor::store(const vault::Entry& entry) {
    if (!editing()) {
        host_.addEntry(entry);
        return true;
    }
    if (openedEntry_ && host_.replaceEntry(*openedEntry_, entry)) return true;
    // The entry was deleted while it was being edited: never put the change on another entry.
    int choice = messageBox(hwnd(),
                            "The entry you are editing has been deleted meanwhile.\r\n\r\n"
                            "Save what you typed as a new entry?",
                            host_.appTitle(), MB_YESNO | MB_ICONQUESTION);
    if (choice != IDYES) return false;
    openedEntry_ = host_.addEntry(entry);
    return true;
}

void EntryEditor::onSaveClick() {
    // The editor is disabled while a box of this Save is open, but a BM_CLICK (an accessibility
    // tool's default action) still reaches the button: a second Save would add the entry twice.
    HandlerRun run(saving_);
    if (!run.entered()) return;
    if (fieldText(vault::Field::Username).text.empty()) {
        messageBox(hwnd(), "You must enter a username", "Error", MB_OK);
        return;
    }
    if (fieldText(vault::Field::Password).text.empty()) {
        messageBox(hwnd(), "You must enter a password", "Error", MB_OK);
        return;
    }
    std::optional<vault::Entry> entry = storableEntry();
    if (!entry || !store(*entry)) return;
    // A failed save keeps the change in the list and says so on the status line.
    if (host_.saveVault(hwnd())) host_.setStatusText("Added new entry.  Data saved.");
    unload();
}

void EntryEditor::onCancelClick() { unload(); }

void EntryEditor::onGenerateClick() { host_.openPasswordGenerator(hwnd()); }

void EntryEditor::usePassword(std::string_view password) {
    if (!isLoaded()) return;
    passwordBox->setSecretText(password);
    SetFocus(passwordBox->hwnd());
}

bool EntryEditor::onWebsiteKey(wchar_t key) {
    if (key != L'\r') return false;
    onSaveClick();
    return true;
}

}  // namespace vk
