// Vellumkeep as a screen reader meets it: from another process, through the system's accessibility
// layer (oleacc), the tree of accessible objects of every window of the running program.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/com_ptr.h"
#include "shipped_files.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::e2e {
namespace {

constexpr char kMasterPassword[] = "Orchard-Lamp-57";
constexpr wchar_t kTypedPassword[] = L"Orchard-Lamp-57";

// One accessible object: a control's client object, or a simple element inside one.
struct Accessible {
    HWND window = nullptr;  // the control; a simple element shares its control's
    std::wstring className;
    long role = 0;
    std::optional<std::wstring> name;
    std::optional<std::wstring> value;
    long state = 0;
    std::vector<Accessible> children;
};

class ComApartment {
public:
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// A text property of the object; absent when the object gives none.
template <typename Getter>
std::optional<std::wstring> textProperty(Getter get) {
    BSTR text = nullptr;
    HRESULT result = get(&text);
    std::optional<std::wstring> kept;
    if (result == S_OK && text) kept = std::wstring(text, SysStringLen(text));
    SysFreeString(text);
    return kept;
}

Accessible readElement(IAccessible& object, long childId, HWND window) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = childId;
    Accessible read;
    read.window = window;
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    read.className = className;
    read.name = textProperty([&](BSTR* text) { return object.get_accName(child, text); });
    read.value = textProperty([&](BSTR* text) { return object.get_accValue(child, text); });
    VARIANT answer{};
    if (SUCCEEDED(object.get_accRole(child, &answer)) && answer.vt == VT_I4) read.role = answer.lVal;
    VariantClear(&answer);
    if (SUCCEEDED(object.get_accState(child, &answer)) && answer.vt == VT_I4) read.state = answer.lVal;
    VariantClear(&answer);
    return read;
}

// The client object of a window and, below it, what its children give: child windows are read
// through their own client objects, simple elements (list rows, column headers) as they are.
Accessible readWindow(HWND window) {
    Accessible read;
    read.window = window;
    ComPtr<IAccessible> client;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(client.put()))))
        return read;
    read = readElement(*client.get(), CHILDID_SELF, window);
    long count = 0;
    if (FAILED(client->get_accChildCount(&count)) || count <= 0) return read;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    if (FAILED(AccessibleChildren(client.get(), 0, count, children.data(), &got))) return read;
    for (long i = 0; i < got; ++i) {
        VARIANT& child = children[static_cast<size_t>(i)];
        if (child.vt == VT_I4) {
            read.children.push_back(readElement(*client.get(), child.lVal, window));
        } else if (child.vt == VT_DISPATCH && child.pdispVal) {
            ComPtr<IAccessible> object;
            HWND childWindow = nullptr;
            if (SUCCEEDED(child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(object.put()))) &&
                SUCCEEDED(WindowFromAccessibleObject(object.get(), &childWindow)) && childWindow &&
                childWindow != window)
                read.children.push_back(readWindow(childWindow));
        }
        VariantClear(&child);
    }
    return read;
}

void collect(const Accessible& object, std::vector<const Accessible*>& all) {
    all.push_back(&object);
    for (const Accessible& child : object.children) collect(child, all);
}

// The controls a person sees, each once, in the tree's order.
std::vector<const Accessible*> visibleControls(const Accessible& window) {
    std::vector<const Accessible*> all;
    for (const Accessible& child : window.children) collect(child, all);
    std::vector<const Accessible*> controls;
    for (const Accessible* object : all)
        if (object->window != window.window && isVisible(object->window) &&
            std::none_of(controls.begin(), controls.end(), [&](auto* seen) { return seen->window == object->window; }))
            controls.push_back(object);
    return controls;
}

std::wstring nameOf(const Accessible& object) {
    return object.name.value_or(L"(none)");
}

const Accessible* controlNamed(const std::vector<const Accessible*>& controls, const std::wstring& className,
                               const std::wstring& name) {
    for (const Accessible* control : controls)
        if (control->className == className && control->name == name) return control;
    return nullptr;
}

std::vector<std::wstring> namesOf(const std::vector<const Accessible*>& controls, const std::wstring& className) {
    std::vector<std::wstring> names;
    for (const Accessible* control : controls)
        if (control->className == className) names.push_back(nameOf(*control));
    return names;
}

// Buttons are read by their captions, however the skin draws them; edit boxes have names.
void expectButtonsAndBoxesNamed(const Accessible& window) {
    for (const Accessible* control : visibleControls(window)) {
        std::wstring caption = windowText(control->window);
        caption.erase(std::remove(caption.begin(), caption.end(), L'&'), caption.end());
        if (control->className == L"Button") {
            EXPECT_EQ(nameOf(*control), caption) << "in " << nameOf(window);
        }
        if (control->className == L"Edit") {
            EXPECT_TRUE(control->name && !control->name->empty()) << "a box without a name in " << nameOf(window);
        }
    }
}

// No accessible object of the window tells the typed password, and the boxes say they are protected.
void expectPasswordBoxesKeepTheirText(const Accessible& dialog, const std::wstring& typed) {
    std::vector<const Accessible*> all;
    collect(dialog, all);
    for (const Accessible* object : all) {
        EXPECT_EQ(object->name.value_or(L"").find(typed), std::wstring::npos) << "a name tells the password";
        EXPECT_EQ(object->value.value_or(L"").find(typed), std::wstring::npos) << "a value tells the password";
        if (object->className == L"Edit" && object->window != dialog.window) {
            EXPECT_TRUE(!object->value || object->value->empty()) << "a password box gives its text";
            EXPECT_TRUE(object->state & STATE_SYSTEM_PROTECTED) << "a password box is not marked protected";
        }
    }
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) << "needs an X display (scripts/test starts one)";
        exe_ = folder_.copyIn(programPath());
        folder_.copyIn(helpDocumentPath());
    }

    RunningProgram& start() {
        program_.emplace(exe_);
        return *program_;
    }
    void writeVault(const std::vector<vault::Entry>& entries) const {
        vault::SavedVaultBuilder vault(kMasterPassword);
        for (const vault::Entry& entry : entries) vault.add(entry);
        folder_.write(L"data.enc", vault.finish());
    }

    ComApartment com_;
    AppFolder folder_;
    std::optional<RunningProgram> program_;
    std::filesystem::path exe_;
};

TEST_F(Accessibility, TheNewPasswordDialogNamesBothBoxesByTheirLabelsAndGivesNoText) {
    RunningProgram& program = start();
    HWND dialog = waitForPasswordDialog(program, 20000ms);
    ASSERT_TRUE(dialog);
    HWND first = controlAt(dialog, L"Edit", 0), second = controlAt(dialog, L"Edit", 1);
    ASSERT_TRUE(setText(first, kTypedPassword) && setText(second, kTypedPassword));

    Accessible tree = readWindow(dialog);
    EXPECT_EQ(nameOf(tree), L"Password Required");
    std::vector<const Accessible*> controls = visibleControls(tree);
    EXPECT_EQ(namesOf(controls, L"Edit"), (std::vector<std::wstring>{L"Password:", L"Retype Password:"}));
    EXPECT_TRUE(controlNamed(controls, L"Button", L"Ok"));
    EXPECT_TRUE(controlNamed(controls, L"Button", L"Cancel"));
    expectButtonsAndBoxesNamed(tree);
    expectPasswordBoxesKeepTheirText(tree, kTypedPassword);
    closeWindow(dialog);
}

TEST_F(Accessibility, EveryWindowOfAWorkingSessionReadsAsItShows) {
    writeVault({{"alice.martin", "correct-horse-42", "www.example.com"}});
    RunningProgram& program = start();
    HWND dialog = waitForPasswordDialog(program, 20000ms);
    ASSERT_TRUE(dialog);
    HWND box = controlAt(dialog, L"Edit", 0);
    ASSERT_TRUE(focusWithMouse(box));
    typeText(kTypedPassword);
    ASSERT_TRUE(waitUntil([&] { return textLength(box) == static_cast<int>(std::wcslen(kTypedPassword)); }));

    // The password dialog, with the password typed.
    Accessible gate = readWindow(dialog);
    EXPECT_EQ(namesOf(visibleControls(gate), L"Edit"), std::vector<std::wstring>{L"Password:"});
    expectButtonsAndBoxesNamed(gate);
    expectPasswordBoxesKeepTheirText(gate, kTypedPassword);
    pressKey(VK_RETURN);
    HWND main = program.waitForVisibleWindow(kMainCaption);
    ASSERT_TRUE(main);

    // The main window: its buttons, and the list with its columns.
    Accessible mainTree = readWindow(main);
    EXPECT_EQ(nameOf(mainTree), kMainCaption);
    std::vector<const Accessible*> controls = visibleControls(mainTree);
    std::vector<std::wstring> buttons = namesOf(controls, L"Button");
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<std::wstring>{L"Add", L"Copy Password", L"Copy Used At", L"Copy Username",
                                                  L"Delete", L"Edit", L"Go To", L"Visit www.quorrindale.example"}));
    expectButtonsAndBoxesNamed(mainTree);
    auto list = std::find_if(controls.begin(), controls.end(),
                             [](auto* control) { return control->className == WC_LISTVIEWW; });
    ASSERT_NE(list, controls.end()) << "no list in the tree";
    auto header = std::find_if((*list)->children.begin(), (*list)->children.end(),
                               [](const Accessible& child) { return child.className == WC_HEADERW; });
    ASSERT_NE(header, (*list)->children.end()) << "the list's column headers are not in the tree";
    // Where the accessibility layer reads the column headers itself (Windows), they carry the titles;
    // where it does not (Wine), the header it reached holds them for a reader to ask.
    std::vector<std::wstring> columns;
    for (const Accessible& column : header->children)
        if (column.name) columns.push_back(*column.name);
    if (columns.empty()) columns = program.columnTitles((*list)->window);
    EXPECT_EQ(columns, (std::vector<std::wstring>{L"Username", L"Password", L"Website/Location"}));

    // The help viewer.
    chooseMenuItem(main, kHelpMenu, 0);
    HWND help = program.waitForVisibleWindow(kHelpCaption);
    ASSERT_TRUE(help);
    Accessible helpTree = readWindow(help);
    EXPECT_TRUE(controlNamed(visibleControls(helpTree), L"Button", L"Show at Startup"));
    expectButtonsAndBoxesNamed(helpTree);
    closeWindow(help);
    // Gone before the next command: the menu is opened with keys, which go to the active window.
    ASSERT_TRUE(waitUntil([&] { return !isVisible(help); }));

    // The entry editor: each box named by the label before it.
    click(control(main, L"Button", L"Add"));
    HWND editor = program.waitForVisibleWindow(L"Add an entry");
    ASSERT_TRUE(editor);
    Accessible editorTree = readWindow(editor);
    std::vector<const Accessible*> editorControls = visibleControls(editorTree);
    EXPECT_EQ(namesOf(editorControls, L"Edit"), (std::vector<std::wstring>{L"Username:", L"Password:", L"Website:"}));
    EXPECT_TRUE(controlNamed(editorControls, L"Button", L"Save"));
    EXPECT_TRUE(controlNamed(editorControls, L"Button", L"Cancel"));
    expectButtonsAndBoxesNamed(editorTree);
    closeWindow(editor);
    ASSERT_TRUE(waitUntil([&] { return !isVisible(editor); }));

    // The about box: every text it shows is there to be read.
    chooseMenuItem(main, kAboutMenu, 0);
    HWND about = program.waitForVisibleWindow(kAboutCaption);
    ASSERT_TRUE(about);
    std::vector<std::wstring> texts = namesOf(visibleControls(readWindow(about)), L"Static");
    for (const wchar_t* shown :
         {L"Vellumkeep", L"Version:", L"1.0", L"Owned By:", L"Quorrindale", L"Website:", L"www.quorrindale.example"})
        EXPECT_TRUE(std::find(texts.begin(), texts.end(), shown) != texts.end()) << "not read out: " << shown;
    closeWindow(about);
    ASSERT_TRUE(waitUntil([&] { return !isVisible(about); }));

    // Choose Columns, for a file without column names: each list named by the label before it.
    const std::filesystem::path csv = folder_.file(L"no names.csv");
    folder_.write(csv.filename().native(), "ann;pw-1;https://a.example\r\nbob;pw-2;https://b.example\r\n");
    chooseMenuItem(main, kFileMenu, 2);
    ASSERT_TRUE(chooseFile(program, L"Import Entries", csv.native()));
    HWND chooser = program.waitForVisibleWindow(L"Choose Columns");
    ASSERT_TRUE(chooser);
    Accessible chooserTree = readWindow(chooser);
    EXPECT_TRUE(controlNamed(visibleControls(chooserTree), L"Button", L"First row holds column names"));
    // Windows names a drop-down list by the label just before it; Wine's layer reads its item instead.
    std::vector<std::wstring> labels;
    for (HWND list : vk::e2e::controls(chooser, L"ComboBox"))
        labels.push_back(windowText(GetWindow(list, GW_HWNDPREV)));
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"Username:", L"Separator:", L"Password:", L"Website/Location:"}));
    expectButtonsAndBoxesNamed(chooserTree);
    click(control(chooser, L"Button", L"Cancel"));
    ASSERT_TRUE(waitUntil([&] { return !isVisible(chooser); }));
    closeWindow(main);
    EXPECT_TRUE(program.waitForEnd());
}

}  // namespace
}  // namespace vk::e2e
