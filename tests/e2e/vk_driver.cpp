// Drives Vellumkeep.exe for scripts/screenshots. FOLDER holds Vellumkeep.exe (and Help.rtf).
//
//   vk_driver first-start FOLDER SPLASH_BMP MARGIN
//       starts the program without a vault: saves the splash, with MARGIN pixels around it, as
//       SPLASH_BMP (it lasts about a second, so the driver takes it itself) and says "saved splash";
//       then shows the dialog that creates the master password, and cancels it.
//   vk_driver make-vault FOLDER PASSWORD
//       writes FOLDER\data.enc: the master password and a few sample entries; and three earlier
//       versions of it, with fewer entries, in FOLDER\data.enc.versions.
//   vk_driver tour FOLDER PASSWORD
//       logs in and opens every other window: the help viewer, the delete question above it, the
//       main window (also maximised, and with the list filtered by the find box), the entry editor
//       and its password generator (characters and passphrase), the about box, the earlier
//       versions, the messages that tell what imports of a browser's export did (one with a stray
//       quote), the dialog that asks for the columns of a file without names, the export's Save
//       dialog with its list of types open, and the dialogs that change the master password,
//       encrypt the vault and remove its encryption
//       (the vault ends encrypted).
//
// For each window to photograph the driver says "shot NAME L T W H" (the window's outer rectangle
// on the screen) and waits for one line on its standard input, the sign that the picture is
// taken, before it goes on.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "driver.h"
#include "vault_samples.h"
#include "vault/vault_format.h"
#include "vault/vault_versions.h"

namespace {

using namespace vk::e2e;

constexpr wchar_t kEditorCaption[] = L"Edit an entry";
constexpr wchar_t kGeneratorCaption[] = L"Generate Password";
// Long enough for the skin and the pictures to be painted after a window shows.
constexpr Duration kSettle = 400ms;

const vk::vault::Entry kSampleEntries[] = {
    {"alice.martin", "correct-horse-42", "www.example.com"},
    {"bob.nguyen", "T1gerLily!9", "https://mail.example.org"},
    {"carol@example.net", "blue-Lantern-7", "Home router 192.168.1.1"},
    {"d.okafor", "s4ndcastle-Rain", "C:\\Projects\\Ledger"},
    {"erin.kowalski", "Maple&Stone#21", "www.bank.example"},
};

int fail(const std::string& what) {
    std::cerr << "vk_driver: " << what << std::endl;
    return 1;
}

void say(const std::string& line) {
    std::cout << line << std::endl;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
           std::to_string(r.bottom - r.top);
}

// Asks the script to photograph an area of the screen, and waits until it has.
bool shoot(const std::string& name, const RECT& area) {
    pause(kSettle);
    say("shot " + name + " " + rectText(area));
    std::string reply;
    return static_cast<bool>(std::getline(std::cin, reply));
}

bool shoot(const std::string& name, HWND window) { return shoot(name, windowRect(window)); }

std::wstring widen(const std::string& ansi) {
    std::wstring wide;
    for (char ch : ansi) wide += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return wide;
}

// A vault of the first `count` sample entries.
bool writeSampleVault(const std::filesystem::path& path, const std::string& password, size_t count) {
    vk::vault::SavedVaultBuilder vault(password);
    for (size_t i = 0; i < count; ++i) vault.add(kSampleEntries[i]);
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    std::string bytes = vault.finish();
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

int makeVault(const std::filesystem::path& folder, const std::string& password) {
    if (!writeSampleVault(folder / L"data.enc", password, std::size(kSampleEntries)))
        return fail("cannot write the vault in " + folder.string());
    // Kept by earlier sessions, at fixed times (UTC), so that the pictures stay the same.
    const std::filesystem::path versions = folder / L"data.enc.versions";
    std::filesystem::create_directory(versions);
    const vk::vault::Seconds kept[] = {1781251468, 1781199725, 1780650951};
    for (size_t i = 0; i < std::size(kept); ++i)
        if (!writeSampleVault(versions / vk::vault::versionFileName(kept[i], 1), password, 4 - i))
            return fail("cannot write an earlier version");
    return 0;
}

RECT withMargin(RECT r, int margin) {
    r.left = std::max(0L, r.left - margin);
    r.top = std::max(0L, r.top - margin);
    r.right = std::min<LONG>(GetSystemMetrics(SM_CXSCREEN), r.right + margin);
    r.bottom = std::min<LONG>(GetSystemMetrics(SM_CYSCREEN), r.bottom + margin);
    return r;
}

// First start: the splash, then the dialog that creates the master password; Cancel ends it.
int firstStart(const std::filesystem::path& folder, const std::filesystem::path& splashBmp, int margin) {
    std::filesystem::path exe = folder / L"Vellumkeep.exe";
    DeleteFileW((folder / L"data.enc").c_str());
    RunningProgram program(exe);
    if (!program.started()) return fail("cannot start " + exe.string());
    HWND splash = program.waitForSplash(20000ms);
    if (!splash) return fail("no splash window");
    pause(150ms);  // its picture is painted right after it shows
    if (!saveScreenArea(withMargin(windowRect(splash), margin), splashBmp))
        return fail("cannot capture the splash");
    say("saved splash " + rectText(windowRect(splash)));

    HWND dialog = waitForPasswordDialog(program, 20000ms);
    if (!dialog) return fail("no password dialog in create mode");
    // Half-way through choosing a password: the first box typed, its strength shown under it.
    HWND box = controlAt(dialog, L"Edit", 0);
    if (!box || !focusWithMouse(box)) return fail("no password box to type into");
    typeText(L"Orchard-Lamp");
    if (!waitUntil([&] { return textLength(box) == 12; }) || !shoot("password-create", dialog))
        return fail("the new password was not typed");
    click(control(dialog, L"Button", L"Cancel"));
    return program.waitForEnd() ? 0 : fail("Cancel did not end the program");
}

HWND openHelp(const RunningProgram& program, HWND main) {
    // It opens by itself unless the user turned that off; otherwise the Help menu opens it.
    if (HWND help = program.waitForVisibleWindow(kHelpCaption, 3000ms)) return help;
    chooseMenuItem(main, kHelpMenu, 0);
    return program.waitForVisibleWindow(kHelpCaption);
}

// Types the master password into the dialog, photographs it, and returns the main window.
HWND logIn(const RunningProgram& program, const std::string& password) {
    HWND dialog = waitForPasswordDialog(program, 20000ms);
    HWND box = dialog ? controlAt(dialog, L"Edit", 0) : nullptr;
    if (!box || !focusWithMouse(box)) {
        fail("no password dialog in enter mode");
        return nullptr;
    }
    typeText(widen(password));
    if (!waitUntil([&] { return textLength(box) == static_cast<int>(password.size()); })) {
        fail("the password did not reach the dialog");
        return nullptr;
    }
    if (!shoot("password-enter", dialog)) return nullptr;
    pressKey(VK_RETURN);
    HWND main = program.waitForVisibleWindow(kMainCaption);
    if (!main) fail("the password was not accepted");
    return main;
}

RECT unionOf(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// The delete question asked while the help viewer, kept on top, is open: it opens above it.
bool photographDeleteQuestionOverHelp(const RunningProgram& program, HWND main, HWND help) {
    click(control(main, L"Button", L"Delete"));
    HWND box = program.waitForMessageBox();
    if (!box) return false;
    bool taken = shoot("confirm-delete-over-help", unionOf(windowRect(help), windowRect(box)));
    answerMessageBox(box, IDCANCEL);
    return taken;
}

// The main window maximised: all of it draws, whatever its size.
bool photographMaximised(HWND main) {
    ShowWindow(main, SW_MAXIMIZE);
    bool taken = shoot("main-maximised", main);
    ShowWindow(main, SW_RESTORE);
    return taken;
}

// Ctrl+F, a few letters typed and Enter: the list shows what matches, the first entry selected,
// and the find box stays beside the window. Closing the box shows every entry again.
bool photographFind(const RunningProgram& program, HWND main) {
    HWND list = controlAt(main, L"SysListView32", 0);
    if (!list || !focusWithMouse(list)) return false;
    pressKey('F', VK_CONTROL);
    HWND find = program.waitForVisibleWindow(L"Find");
    if (!find) return false;
    typeText(L"ar");
    if (!waitUntil([&] { return listCount(list) == 2; })) return false;
    pressKey(VK_RETURN);
    bool taken = shoot("main-find", unionOf(windowRect(main), windowRect(find)));
    closeWindow(find);
    return taken && waitUntil([&] { return listCount(list) == 5; });
}

// The password generator over the editor, making characters, then a passphrase; Cancel closes it.
bool photographGenerator(const RunningProgram& program, HWND editor) {
    click(control(editor, L"Button", L"Generate..."));
    HWND generator = program.waitForVisibleWindow(kGeneratorCaption);
    if (!generator) return false;
    const struct {
        const wchar_t* mode;
        const char* name;
    } modes[] = {{L"Characters", "generator"}, {L"Passphrase", "generator-passphrase"}};
    for (const auto& [mode, name] : modes) {
        click(control(generator, L"Button", mode));  // whichever the last run left chosen
        if (!shoot(name, generator)) return false;
    }
    click(control(generator, L"Button", L"Characters"));  // as the next run expects to find it
    click(control(generator, L"Button", L"Cancel"));
    return waitUntil([&] { return !IsWindow(generator); });
}

// The help viewer, the main window with a row selected (also maximised), the delete question over
// the help viewer, the entry editor and its generator, and the about box.
int photographWorkingWindows(const RunningProgram& program, HWND main) {
    HWND help = openHelp(program, main);
    if (!help || !shoot("help", help)) return fail("no help viewer");
    program.selectListRow(controlAt(main, L"SysListView32", 0), 0);
    if (!photographDeleteQuestionOverHelp(program, main, help)) return fail("no delete question");
    closeWindow(help);
    waitUntil([&] { return !isVisible(help); });

    if (!shoot("main", main)) return 1;
    if (!photographMaximised(main)) return 1;
    if (!photographFind(program, main)) return fail("no find box");

    click(control(main, L"Button", L"Edit"));
    HWND editor = program.waitForVisibleWindow(kEditorCaption);
    if (!editor || !shoot("editor", editor)) return fail("no entry editor");
    if (!photographGenerator(program, editor)) return fail("no password generator");
    click(control(editor, L"Button", L"Cancel"));
    waitUntil([&] { return !isVisible(editor); });

    chooseMenuItem(main, kAboutMenu, 0);
    HWND about = program.waitForVisibleWindow(kAboutCaption);
    if (!about || !shoot("about", about)) return fail("no about box");
    closeWindow(about);
    return 0;
}

// A browser's export (Chrome's columns), with a row already in the vault, one the vault cannot
// store and one that is no login: what the message after an import tells.
constexpr char kBrowserExport[] =
    "name,url,username,password,note\r\n"
    "Example Mail,https://mail.example.org,frank.rossi,Harbour-Light-3,\r\n"
    "Shop,https://shop.example.com,grace.tanaka,p|||ipe,\r\n"
    "Bank,www.bank.example,erin.kowalski,Maple&Stone#21,\r\n"
    "Forum,https://forum.example.net,heidi.silva,\"quoted, with a comma\",\r\n"
    "Note,,,,just a note\r\n";

// The same browser's export where a password begins with a quote, which runs over two rows.
constexpr char kExportWithAStrayQuote[] =
    "name,url,username,password,note\r\n"
    "Library,https://library.example.org,ivan.petrov,\"Reading-Room-8,\r\n"
    "Travel,https://travel.example.com,judy.berg,Compass-Rose-12,\r\n"
    "Photos,https://photos.example.net,\"kim.lee\",Aperture-5-Wide,\r\n"
    "Music,https://music.example.com,leo.marsh,Minor-Chord-9,\r\n";

// A spreadsheet's export without a row of names, its fields separated by semicolons.
constexpr char kExportWithoutNames[] =
    "Personal;Mail;mona.frey@example.org;Lantern-Bay-41;https://mail.example.org;\r\n"
    "Personal;Bank;mona.frey@example.org;Granite-Sky-77;https://bank.example.com;PIN in safe\r\n"
    "Work;Wiki;m.frey@work.example;Quiet-Harbour-3;https://wiki.work.example;\r\n"
    "Work;Tickets;m.frey@work.example;Paper-Kite-26;https://tickets.work.example;shared\r\n";

// Writes the file into the folder and opens it with File > Import Entries.
bool startImport(const RunningProgram& program, HWND main, const std::filesystem::path& csv,
                 std::string_view content) {
    if (std::FILE* file = _wfopen(csv.c_str(), L"wb")) {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    chooseMenuItem(main, kFileMenu, 2);
    return chooseFile(program, L"Import Entries", csv.native());
}

int photographImportReport(const RunningProgram& program, HWND main, const std::filesystem::path& csv,
                           std::string_view content, const std::string& name) {
    if (!startImport(program, main, csv, content)) return fail("no Open dialog to import with");
    HWND report = waitForMessageBoxTitled(program, L"Import Entries", 20000ms);
    if (!report) return fail("no message after the import");
    if (!shoot(name, report)) return 1;
    answerMessageBox(report, IDOK);
    return 0;
}

// The import's messages, and the dialog that asks for the columns of a file without names.
int photographImports(const RunningProgram& program, HWND main, const std::filesystem::path& folder) {
    if (int failed = photographImportReport(program, main, folder / L"browser export.csv", kBrowserExport,
                                            "import-report"))
        return failed;
    if (int failed = photographImportReport(program, main, folder / L"export with a stray quote.csv",
                                            kExportWithAStrayQuote, "import-report-quote"))
        return failed;
    if (!startImport(program, main, folder / L"spreadsheet.csv", kExportWithoutNames))
        return fail("no Open dialog to import with");
    HWND chooser = program.waitForVisibleWindow(L"Choose Columns");
    if (!chooser || !shoot("column-chooser", chooser)) return fail("no column chooser");
    click(control(chooser, L"Button", L"OK"));
    HWND report = waitForMessageBoxTitled(program, L"Import Entries", 20000ms);
    if (!report) return fail("no message after the chosen columns' import");
    answerMessageBox(report, IDOK);
    return 0;
}

// The export's Save dialog with its list of types open: the two layouts an export can take.
int photographExportTypes(const RunningProgram& program, HWND main) {
    chooseMenuItem(main, kFileMenu, 3);
    HWND warning = waitForMessageBoxTitled(program, L"Export Entries");
    if (!warning) return fail("no warning before the export");
    answerMessageBox(warning, IDYES);
    HWND dialog = waitForFileDialog(program, L"Export Entries");
    HWND types = dialog ? GetDlgItem(dialog, 0x470) : nullptr;  // cmb1, the list of types
    if (!types) return fail("no Save dialog with its types");
    // Opened with the mouse, as a person opens it: the list then stands above the dialog.
    if (!bringToForeground(dialog)) return fail("the Save dialog does not come to the front");
    clickWithMouse(types);
    HWND list = nullptr;
    waitUntil([&] {
        for (HWND window : program.windows())
            if (isVisible(window) && className(window) == L"ComboLBox") list = window;
        return list != nullptr;
    });
    RECT area = windowRect(dialog);
    if (list) {
        // Without a window manager Wine leaves the list under the dialog, which hides its first
        // item; shown again, the list comes to the top.
        ShowWindow(list, SW_HIDE);
        ShowWindow(list, SW_SHOWNA);
        const RECT listArea = windowRect(list);
        UnionRect(&area, &area, &listArea);
    }
    if (!shoot("export-types", area)) return 1;
    SendMessageW(types, CB_SHOWDROPDOWN, FALSE, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return waitUntil([&] { return !isVisible(dialog); }) ? 0 : fail("the Save dialog did not close");
}

// Opens a dialog from the File menu and photographs it; the dialog is left open.
// Opens a dialog of the File menu, types into its password boxes from the top (as a person does,
// so that the strength line follows) and photographs it.
HWND photographFileDialog(const RunningProgram& program, HWND main, int item, const wchar_t* caption,
                          const std::string& name, const std::vector<std::wstring>& typed = {}) {
    chooseMenuItem(main, kFileMenu, item);
    HWND dialog = program.waitForVisibleWindow(caption);
    for (size_t i = 0; dialog && i < typed.size(); ++i) {
        HWND box = controlAt(dialog, L"Edit", i);
        if (!box || !focusWithMouse(box)) dialog = nullptr;
        typeText(typed[i]);
        if (!waitUntil([&] { return textLength(box) == static_cast<int>(typed[i].size()); })) dialog = nullptr;
    }
    if (!dialog || !shoot(name, dialog)) {
        fail("no dialog " + name);
        return nullptr;
    }
    return dialog;
}

// The dialogs that change what protects the vault. Encrypting really happens, so that the last
// one, which removes the encryption, can be opened.
int photographVaultKeyDialogs(const RunningProgram& program, HWND main, const std::string& password) {
    HWND change = photographFileDialog(program, main, 1, L"Change Master Password", "change-password",
                                       {widen(password), L"Velvet-Harbor", L"Velvet-Harbor"});
    if (!change) return 1;
    click(control(change, L"Button", L"Cancel"));
    HWND encrypt = photographFileDialog(program, main, 0, L"Encrypt Vault", "encrypt-vault", {widen(password)});
    if (!encrypt) return 1;
    pressKey(VK_RETURN);
    if (!waitUntil([&] { return !IsWindow(encrypt); }, 20000ms)) return fail("the vault was not encrypted");
    HWND remove = photographFileDialog(program, main, 0, L"Remove Encryption", "remove-encryption");
    if (!remove) return 1;
    click(control(remove, L"Button", L"Cancel"));
    return 0;
}

// The earlier versions that the sample vault comes with.
int photographEarlierVersions(const RunningProgram& program, HWND main) {
    HWND versions = photographFileDialog(program, main, 6, L"Earlier Versions", "earlier-versions");
    if (!versions) return 1;
    click(control(versions, L"Button", L"Close"));
    return waitUntil([&] { return !IsWindow(versions); }) ? 0 : fail("the earlier versions stay open");
}

// The Options dialog, then the main window locked by Ctrl+L.
int photographLock(const RunningProgram& program, HWND main) {
    HWND options = photographFileDialog(program, main, 4, L"Options", "options");
    if (!options) return 1;
    click(control(options, L"Button", L"Cancel"));
    HWND list = controlAt(main, L"SysListView32", 0);
    if (!waitUntil([&] { return !IsWindow(options); }) || !focusWithMouse(list)) return fail("no list to lock from");
    pressKey('L', VK_CONTROL);
    if (!waitUntil([&] { return listCount(list) == 0; })) return fail("Ctrl+L did not lock the vault");
    return shoot("main-locked", main) ? 0 : 1;
}

// A later start on the sample vault: every window of a working session.
int tour(const std::filesystem::path& folder, const std::string& password) {
    std::filesystem::path exe = folder / L"Vellumkeep.exe";
    RunningProgram program(exe);
    if (!program.started()) return fail("cannot start " + exe.string());
    HWND main = logIn(program, password);
    if (!main) return 1;
    if (int failed = photographWorkingWindows(program, main)) return failed;
    if (int failed = photographEarlierVersions(program, main)) return failed;
    if (int failed = photographImports(program, main, folder)) return failed;
    if (int failed = photographExportTypes(program, main)) return failed;
    if (int failed = photographVaultKeyDialogs(program, main, password)) return failed;
    if (int failed = photographLock(program, main)) return failed;
    closeWindow(main);
    return program.waitForEnd() ? 0 : fail("closing the main window did not end the program");
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "first-start" && argc == 5) return firstStart(argv[2], argv[3], std::atoi(argv[4]));
    if (command == "make-vault" && argc == 4) return makeVault(argv[2], argv[3]);
    if (command == "tour" && argc == 4) return tour(argv[2], argv[3]);
    std::cerr << "usage: vk_driver first-start FOLDER SPLASH_BMP MARGIN\n"
                 "       vk_driver make-vault FOLDER PASSWORD\n"
                 "       vk_driver tour FOLDER PASSWORD\n";
    return 2;
}
