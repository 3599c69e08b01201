// Entries out to a CSV file and back in, through the File menu and the system's own Open and Save
// dialogs, as a user moves them between programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "test_support.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

enum FileItem { kImport = 2, kExport = 3 };

void choose(TestProgram& program, FileItem item) {
    SendMessageW(program->mainWindow.hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, item), 0), 0);
}

// Fields a CSV file must quote, and a letter beyond ASCII (in the code page: the export turns it
// into UTF-8, the import back).
const std::vector<vault::Entry> kEntries{{"alice", "pw, with \"quotes\"", "www.example.com"},
                                         {" spaced ", "pw2", ""},
                                         {"b\xE9la", "=1+2", "C:\\Shared, Docs"}};

TEST(EntryTransfer, AnExportReadsBackThroughTheMenusAndTheSystemsDialogs) {
    TestProgram from;
    from.writeVault("master", kEntries);
    from.logIn("master");
    const std::filesystem::path csv = from.folder().file("out.csv");
    {
        MessageBoxes boxes;
        boxes.answer(IDNO);  // the plain-text warning: No leaves everything as it was
        choose(from, kExport);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_NE(boxes.seen()[0].text.find("every password in plain text"), std::string::npos);
        EXPECT_FALSE(pathExists(csv));
    }
    {
        MessageBoxes boxes;
        boxes.answer(IDYES);
        FileDialogAnswer saveAs(L"Export Entries", csv.native());
        choose(from, kExport);
        EXPECT_TRUE(saveAs.answered());
    }
    const std::string exported = readFile(csv);
    EXPECT_EQ(exported.rfind("\xEF\xBB\xBFUsername,Password,Website/Location\r\nalice,\"pw, with \"\"quotes\"\"\",", 0), 0u)
        << exported;
    EXPECT_EQ(from->mainWindow.statusText(), "Exported 3 entries to " + displayText(csv.native()));

    TestProgram into;  // another vault, which holds one of the entries already
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
    EXPECT_EQ(shownEntries(into->mainWindow.entryList.hwnd()), expected);
    EXPECT_EQ(vault::entriesOf(into.vaultBytes()), expected);  // saved once, at once
    EXPECT_EQ(into->vaultSession.unsavedChangeCount(), 0u);
    EXPECT_EQ(into->mainWindow.statusText().rfind("Imported 2 entries.  Saved ", 0), 0u);
}

}  // namespace
}  // namespace vk::test
