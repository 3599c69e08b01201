// Entries out to a CSV file and back in, through the File menu and the system's own Open and Save
// dialogs, as a user moves them between programs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "vault/entry_csv.h"
#include "test_support.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

enum FileItem { kImport = 2, kExport = 3 };

void choose(TestProgram& program, FileItem item) {
    SendMessageW(program->mainWindow().hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, item), 0), 0);
}

// Fields a CSV file must quote, and a letter beyond ASCII (in the code page: the export turns it
// into UTF-8, the import back).
const std::vector<vault::Entry> kEntries{{"alice", "pw, with \"quotes\"", "www.example.com"},
                                         {" spaced ", "pw2", ""},
                                         {"b\xE9la", "=1+2", "C:\\Shared, Docs"}};

// Each export type, chosen in the Save dialog, reads back in through the Open dialog into another
// vault, which holds one of the entries already.
TEST(EntryTransfer, EachExportTypeReadsBackThroughTheMenusAndTheSystemsDialogs) {
    const struct {
        int type;  // in the Save dialog's list
        const char* start;
    } cases[] = {
        {0, "\xEF\xBB\xBFUsername,Password,Website/Location\r\nalice,\"pw, with \"\"quotes\"\"\",www.example.com\r\n"},
        {1, "name,url,username,password\r\nwww.example.com,www.example.com,alice,\"pw, with \"\"quotes\"\"\"\r\n"
            "\" spaced \",,\" spaced \",pw2\r\nb\xC3\xA9la,\"C:\\Shared, Docs\",b\xC3\xA9la,=1+2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        TestProgram from;
        from.writeVault("master", kEntries);
        from.logIn("master");
        const std::filesystem::path csv = from.folder().file("out.csv");
        {
            MessageBoxes boxes;
            boxes.answer(IDNO);  // the plain-text warning, No by default, leaves everything as it was
            choose(from, kExport);
            ASSERT_EQ(boxes.seen().size(), 1u);
            EXPECT_NE(boxes.seen()[0].text.find("every password in plain text"), std::string::npos);
            EXPECT_EQ(boxes.seen()[0].defaultButton, IDNO);
            EXPECT_FALSE(pathExists(csv));
        }
        {
            MessageBoxes boxes;
            boxes.answer(IDYES);
            FileDialogAnswer saveAs(L"Export Entries", csv.native(), c.type);
            choose(from, kExport);
            EXPECT_EQ(saveAs.types(), (std::vector<std::string>{"Vellumkeep CSV (*.csv)", "Web browser CSV (*.csv)"}));
        }
        const std::string exported = readFile(csv);
        EXPECT_EQ(exported.rfind(c.start, 0), 0u) << exported;
        EXPECT_EQ(from->mainWindow().statusText(), "Exported 3 entries to " + displayText(csv.native()));

        TestProgram into;
        into.writeVault("other", {kEntries[1]});
        into.logIn("other");
        MessageBoxes boxes;
        boxes.answer(IDOK);
        FileDialogAnswer open(L"Import Entries", csv.native());
        choose(into, kImport);
        EXPECT_TRUE(open.answered());
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].title, "Import Entries");
        EXPECT_EQ(boxes.seen()[0].text, "Imported 2 entries from:\r\n\r\n" + displayText(csv.native()) +
                                            "\r\n\r\nSkipped 1 row:\r\n    1 already in the vault\r\n\r\n"
                                            "Line 3 is already in the vault.");
        const std::vector<vault::Entry> expected{kEntries[1], kEntries[0], kEntries[2]};
        EXPECT_EQ(shownEntries(into->mainWindow().entryList.hwnd()), expected);
        EXPECT_EQ(vault::entriesOf(into.vaultBytes()), expected);  // saved once, at once
        EXPECT_EQ(into->vaultSession().unsavedChangeCount(), 0u);
        EXPECT_EQ(into->mainWindow().statusText().rfind("Imported 2 entries.  Saved ", 0), 0u);
    }
}

// Chooses an item of a drop-down list as the user does: the list tells its window.
void chooseItem(Control* box, int item) {
    SendMessageW(box->hwnd(), CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageW(GetParent(box->hwnd()), WM_COMMAND, MAKEWPARAM(box->id(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box->hwnd()));
}
int chosenItem(Control* box) { return static_cast<int>(SendMessageW(box->hwnd(), CB_GETCURSEL, 0, 0)); }
std::string itemText(Control* box, int item) {
    wchar_t text[256] = L"";
    SendMessageW(box->hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return displayText(text);
}

TEST(EntryTransfer, AFileWithoutAHeaderRowComesInWithTheColumnsTheUserChooses) {
    TestProgram program;
    program.writeVault("master", {kEntries[0]});
    program.logIn("master");
    const std::filesystem::path csv = program.folder().file("no header.csv");
    // As a spreadsheet saves it in many countries: semicolons, and no row of names.
    writeFile(csv, "Work;Mail;ann;pw-1;https://mail.example;\r\nHome;Bank;bob;pw-2;www.bank.example;n\r\n");
    {
        FileDialogAnswer open(L"Import Entries", csv.native());
        choose(program, kImport);
    }
    ColumnChooser& chooser = program->columnChooser();
    ASSERT_TRUE(chooser.visible());
    EXPECT_EQ(chooser.caption(), "Choose Columns");
    Control* username = chooser.control(ColumnChooser::UsernameBox);
    Control* password = chooser.control(ColumnChooser::PasswordBox);
    Control* ok = chooser.control(ColumnChooser::OkButton);
    HWND preview = chooser.control(ColumnChooser::PreviewList)->hwnd();
    EXPECT_EQ(chosenItem(chooser.control(ColumnChooser::SeparatorBox)), 1);  // semicolons
    EXPECT_EQ(listCount(preview), 2);
    EXPECT_EQ(listText(preview, 1, 2), "bob");
    EXPECT_EQ(itemText(username, 3), "Column 3");
    EXPECT_EQ(chosenItem(chooser.control(ColumnChooser::LocationBox)), 5);  // the column of web addresses
    EXPECT_FALSE(ok->enabled());  // no username or password column yet
    pressEnter(username);         // Enter stands for OK, which takes nothing yet: no import, no box
    EXPECT_TRUE(chooser.visible());

    click(chooser.control(ColumnChooser::FirstRowBox));  // read again, the first row as names
    EXPECT_EQ(itemText(username, 3), "ann");
    EXPECT_EQ(listCount(preview), 1);
    click(chooser.control(ColumnChooser::FirstRowBox));
    chooseItem(username, 3);
    chooseItem(password, 4);
    EXPECT_TRUE(ok->enabled());
    MessageBoxes boxes;
    boxes.answer(IDOK);
    click(ok);
    EXPECT_FALSE(chooser.isLoaded());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text.rfind("Imported 2 entries from:", 0), 0u) << boxes.seen()[0].text;
    const std::vector<vault::Entry> expected{
        kEntries[0], {"ann", "pw-1", "https://mail.example"}, {"bob", "pw-2", "www.bank.example"}};
    EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), expected);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
}

std::string windowTextOf(Control* control) { return windowText(control->hwnd()).text; }

// The chooser says why it asks, with its guess chosen; it previews and offers no more than the
// first hundred columns of a file of thousands. (When it asks: the import's own tests.)
TEST(EntryTransfer, TheChooserSaysWhyItAsksAndShowsAHundredColumnsAtMost) {
    std::string thousands;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 10000; ++column) {
            thousands += 'v';
            thousands += std::to_string(column);
            thousands += column < 9999 ? "," : "\r\n";
        }
    const struct {
        const char* what;
        std::string file;
        const char* says;
        int username = 0, password = 0, location = 0;  // the items chosen
        int columns = 0;                               // in the preview
    } cases[] = {
        {"no username column", "password,url\r\npw-1,https://m.example\r\npw-2,https://n.example\r\n",
         "names no column for the username", 0, 1, 2, 2},
        {"ten thousand columns", thousands, "Only the first 100 columns are shown; the file has 9,900 more.", 0, 0, 0,
         100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram program;
        program.writeVault("master");
        program.logIn("master");
        const std::filesystem::path csv = program.folder().file("in.csv");
        writeFile(csv, c.file);
        FileDialogAnswer open(L"Import Entries", csv.native());
        choose(program, kImport);
        ColumnChooser& chooser = program->columnChooser();
        ASSERT_TRUE(chooser.isLoaded());
        EXPECT_NE(windowTextOf(chooser.control(ColumnChooser::MessageLabel)).find(c.says), std::string::npos);
        EXPECT_EQ(chosenItem(chooser.control(ColumnChooser::UsernameBox)), c.username);
        EXPECT_EQ(chosenItem(chooser.control(ColumnChooser::PasswordBox)), c.password);
        EXPECT_EQ(chosenItem(chooser.control(ColumnChooser::LocationBox)), c.location);
        HWND preview = chooser.control(ColumnChooser::PreviewList)->hwnd();
        EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(preview)), c.columns);
        EXPECT_EQ(SendMessageW(chooser.control(ColumnChooser::PasswordBox)->hwnd(), CB_GETCOUNT, 0, 0), c.columns + 1);
        EXPECT_FALSE(chooser.control(ColumnChooser::OkButton)->enabled());  // no username and password yet
        click(chooser.control(ColumnChooser::CancelButton));
        EXPECT_EQ(vault::entriesOf(program.vaultBytes()), std::vector<vault::Entry>{});
    }
}

TEST(EntryTransfer, TheReportNamesTheLinesAQuoteRanOverAndTheTitlesLeftOut) {
    TestProgram program;
    program.writeVault("master");
    program.logIn("master");
    const std::filesystem::path csv = program.folder().file("browser.csv");
    // A password that begins with a quote runs on to the quote before "frank".
    writeFile(csv, "name,url,username,password,note\nSmile \xF0\x9F\x98\x80,,carol,pw-3,\n"
                   "Mail,https://mail.example,dan,\"pw-4,\nBank,https://bank.example,erin,pw-5,\n"
                   "Shop,https://shop.example,\"frank\",pw-6,\nForum,https://forum.example,gina,pw-7,\n");
    MessageBoxes boxes;
    boxes.answer(IDOK);
    FileDialogAnswer open(L"Import Entries", csv.native());
    choose(program, kImport);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].wideText,
              L"Imported 2 entries from:\r\n\r\n" + csv.native() +
                  L"\r\n\r\n1 of them has no Website/Location: the title that stands in for it holds text the "
                  L"vault cannot store (line 2).\r\n\r\nSkipped 1 row:\r\n    1 with a quote that runs over the "
                  L"rows after it\r\n\r\nLines 3\u20135 are one row: a field on line 3 opens a quote that only "
                  L"closes on line 5, so none of the logins on these lines came in. Check the quotes on line 3, then "
                  L"import the file again.");
    const std::vector<vault::Entry> expected{{"carol", "pw-3", ""}, {"gina", "pw-7", "https://forum.example"}};
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
}

TEST(EntryTransfer, AFileThatCannotBeReadIsToldInWordsAndLeavesTheVaultAsItWas) {
    if (GetACP() != 1252) GTEST_SKIP() << "the files of other code pages are told apart from Windows-1252 text";
    TestProgram program;
    program.writeVault("master", {kEntries[0]});
    program.logIn("master");
    const std::string vaultBefore = program.vaultBytes();
    const std::filesystem::path held = program.folder().file("held.csv"), huge = program.folder().file("huge.csv");
    writeFile(held, "username,password,url\nann,1,u\n");
    HeldByAnotherProcess holder(held);
    ASSERT_TRUE(holder.held());
    writeFile(huge, "");
    std::filesystem::resize_file(huge, vault::kMaxCsvImportBytes + 1);  // a file with a hole: no time to write
    // A NUL at an even offset beside line ends, and text of another code page (GBK).
    const std::filesystem::path zeros = program.folder().file("zeros.csv"), gbk = program.folder().file("gbk.csv");
    writeFile(zeros, std::string("\0\r\0\n", 4));
    writeFile(gbk, "username,password\r\n\xD3\xC3\xBB\xA7\xC3\xFB,1\r\n");
    const std::pair<std::filesystem::path, const char*> cases[] = {
        {held, "Another program has the file open and keeps others from reading it."},
        {huge, "Vellumkeep imports files of up to 128 MB, and this one is 129 MB."},
        {zeros, "The file is not a text file"},
        {gbk, "does not read as text in this computer's code page (Windows-1252) either."}};
    for (const auto& [path, says] : cases) {
        MessageBoxes boxes;
        boxes.answer(IDOK);
        FileDialogAnswer open(L"Import Entries", path.native());
        choose(program, kImport);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_NE(boxes.seen()[0].text.find(says), std::string::npos) << boxes.seen()[0].text;
    }
    EXPECT_EQ(program.vaultBytes(), vaultBefore);
}

// An export never replaces the vault (by any of its names), its earlier versions or the program's
// files, and a write that fails leaves the file it would have replaced as it was, with no copy
// beside it.
TEST(EntryTransfer, AnExportNeitherReplacesWhatItMustNotNorLeavesAHalfWrittenFile) {
    TestProgram program;
    program.writeVault("master", kEntries);
    program.logIn("master");
    const std::string vaultBefore = program.vaultBytes();
    writeFile(program.folder().file("Help.rtf"), "{\\rtf1 help}");
    writeFile(program.folder().file("old export.csv"), "the export before");
    std::filesystem::create_directory(program.folder().file("data.enc.versions"));
    const std::filesystem::path version = program.folder().file("data.enc.versions/2020-01-01 00-00-00 UTC.enc");
    writeFile(version, vaultBefore);
    ASSERT_TRUE(CreateHardLinkW(program.folder().file("vault by another name.csv").c_str(), program.vaultPath().c_str(),
                                nullptr));
    struct Case {
        const char* what;
        const wchar_t* name;
        const char* says;
        bool writeFails;
    };
    const Case cases[] = {
        {"the vault", L"DATA.ENC", "That file is Vellumkeep's vault", false},
        {"the vault by another name", L"vault by another name.csv", "That file is Vellumkeep's vault", false},
        {"the copy a save writes", L"data.enc.tmp", "the copy of the vault that each save writes", false},
        {"the help", L"Help.rtf", "That file is Vellumkeep's help", false},
        {"an earlier version", L"data.enc.versions\\2020-01-01 00-00-00 UTC.enc",
         "That file is an earlier version of Vellumkeep's vault", false},
        {"a file whose write fails", L"old export.csv", "could not export", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        program.files().failAt = c.writeFails ? std::optional(vault::WriteStep::Write) : std::nullopt;
        const std::filesystem::path target = program.folder().path() / c.name;
        const bool replaces = pathExists(target);  // the Save dialog asks first whether to replace it
        MessageBoxes boxes;
        boxes.answer(IDYES);
        if (replaces) boxes.answer(IDYES);
        boxes.answer(IDOK);
        FileDialogAnswer saveAs(L"Export Entries", target.native());
        choose(program, kExport);
        ASSERT_EQ(boxes.seen().size(), replaces ? 3u : 2u);
        EXPECT_NE(boxes.seen().back().text.find(c.says), std::string::npos) << boxes.seen().back().text;
    }
    program.files().failAt.reset();
    EXPECT_EQ(program.vaultBytes(), vaultBefore);
    EXPECT_EQ(readFile(program.folder().file("Help.rtf")), "{\\rtf1 help}");
    EXPECT_EQ(readFile(version), vaultBefore);
    EXPECT_EQ(readFile(program.folder().file("old export.csv")), "the export before");
    EXPECT_FALSE(pathExists(program.folder().file("old export.csv.tmp")));
    EXPECT_FALSE(pathExists(program.folder().file("data.enc.tmp")));
}

// A file saved in the code page (a spreadsheet's "CSV" on a Western Windows) comes in whole, and
// the report says how it was read.
TEST(EntryTransfer, AFileInTheCodePageComesInAndTheReportSaysHowItWasRead) {
    if (GetACP() != 1252) GTEST_SKIP() << "the file is Windows-1252 text";
    TestProgram program;
    program.writeVault("master");
    program.logIn("master");
    const std::filesystem::path csv = program.folder().file("excel.csv");
    writeFile(csv, "username;password;url\r\nb\xE9la;\xE9t\xE9 \xAB" "1\xBB;https://x.example\r\n");
    MessageBoxes boxes;
    boxes.answer(IDOK);
    FileDialogAnswer open(L"Import Entries", csv.native());
    choose(program, kImport);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Imported 1 entry from:\r\n\r\n" + displayText(csv.native()) +
                                        "\r\n\r\nThe file is not UTF-8: it was read as Windows-1252, this "
                                        "computer's code page.");
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()),
              (std::vector<vault::Entry>{{"b\xE9la", "\xE9t\xE9 \xAB" "1\xBB", "https://x.example"}}));
}

// An export killed while it writes leaves no copy of the passwords behind: the system removes it.
// The program itself exports, in another process, through its File menu.
TEST(EntryTransfer, AKilledExportLeavesNothingBehind) {
    TempFolder folder;
    const std::filesystem::path csv = folder.file("out.csv");
    ChildProgram exporting(L"--export-slowly \"" + csv.native() + L"\"");
    ASSERT_TRUE(exporting.waitFor("writing"));
    const std::filesystem::path copy = vault::temporaryPathFor(csv.native());
    EXPECT_TRUE(pathExists(copy));
    exporting.kill();
    removeWhatAKilledProgramLeft(exporting.processId());
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(csv));
}

// A row the code page cannot hold is skipped, never stored with "?" in its place; what comes in is
// saved once.
TEST(EntryTransfer, AnImportSkipsWhatTheCodePageCannotHoldAndSavesOnce) {
    TestProgram program;
    program.writeVault("master", {});
    program.logIn("master");
    FailingFileSystem& counting = program.files();
    counting.steps.clear();
    const std::filesystem::path csv = program.folder().file("in.csv");
    writeFile(csv, "username,password,url\r\nann,\xCE\xA9mega,u\r\nbob,pw-b,u\r\ncy,pw-c,\xE2\x88\x9E\r\n");
    MessageBoxes boxes;
    boxes.answer(IDOK);
    FileDialogAnswer open(L"Import Entries", csv.native());
    choose(program, kImport);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_NE(boxes.seen()[0].text.find("2 with characters this computer's code page cannot hold"), std::string::npos)
        << boxes.seen()[0].text;
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), (std::vector<vault::Entry>{{"bob", "pw-b", "u"}}));
    // The vault as it was, kept as an earlier version first, then the vault saved once.
    EXPECT_EQ(std::count(counting.steps.begin(), counting.steps.end(), vault::WriteStep::CreateTemporary), 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.folder().file("data.enc.versions")),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace

int exportUntilInputCloses(const std::wstring& target) {
    MessageBoxWatch unexpectedBoxesFail;
    TestProgram program;
    program.writeVault("master", kEntries);
    program.logIn("master");
    program.files().onStep = [](vault::WriteStep step) {
        if (step != vault::WriteStep::Write) return;
        std::puts("writing");
        std::fflush(stdout);
        for (char buffer[16]; std::fread(buffer, 1, sizeof buffer, stdin) > 0;) {
        }
    };
    MessageBoxes boxes;
    boxes.answer(IDYES);
    FileDialogAnswer saveAs(L"Export Entries", target);
    choose(program, kExport);
    return 0;
}

}  // namespace vk::test
