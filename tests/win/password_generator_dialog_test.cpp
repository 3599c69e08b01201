// The password generator, opened by the entry editor's Generate button: what it shows, how each
// choice changes the result at once, Use into the editor's Password box and the Save that stores
// it, and the choices it keeps for next time.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "passwords/password_generator.h"
#include "test_support.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::test {
namespace {

using passwords::GeneratorChoice;

class PasswordGeneratorDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", {{"alice", "pw-a", "georgetown"}});
        program.logIn("master");
    }

    EntryEditor& editor() { return program->entryEditor(); }
    PasswordGeneratorDialog& generator() { return program->generatorDialog(); }
    Control* control(int id) { return generator().control(id); }
    std::string result() { return control(PasswordGeneratorDialog::ResultBox)->text(); }
    std::string worth() { return control(PasswordGeneratorDialog::BitsLabel)->text(); }
    bool checked(int id) { return SendMessageW(control(id)->hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool enabled(int id) { return IsWindowEnabled(control(id)->hwnd()) != FALSE; }
    std::string stored(const std::string& name) {
        return program->env().settings.get("Vellumkeep", "Settings", name, "(none)");
    }

    void openGenerator() {
        if (!editor().isLoaded()) click(program->mainWindow().control(MainWindow::AddButton));
        ASSERT_TRUE(editor().isLoaded());
        click(editor().control(EntryEditor::GenerateButton));
        ASSERT_TRUE(generator().isLoaded());
    }

    TestProgram program;
    MessageBoxes messageBoxes;
};

TEST_F(PasswordGeneratorDialogTest, UseFillsTheEditorsPasswordBoxAndSaveStoresIt) {
    openGenerator();
    EXPECT_EQ(generator().caption(), "Generate Password");
    EXPECT_TRUE(generator().visible());
    // Over the editor, which waits for it as for a modal dialog.
    EXPECT_EQ(GetWindow(generator().hwnd(), GW_OWNER), editor().hwnd());
    EXPECT_FALSE(IsWindowEnabled(editor().hwnd()));

    // First time: twenty characters of every set.
    const GeneratorChoice usual;
    EXPECT_TRUE(checked(PasswordGeneratorDialog::CharactersOption));
    EXPECT_FALSE(checked(PasswordGeneratorDialog::PassphraseOption));
    EXPECT_EQ(control(PasswordGeneratorDialog::LengthBox)->text(), "20");
    for (int set : {PasswordGeneratorDialog::UpperBox, PasswordGeneratorDialog::LowerBox,
                    PasswordGeneratorDialog::DigitsBox, PasswordGeneratorDialog::SymbolsBox})
        EXPECT_TRUE(checked(set)) << set;
    EXPECT_FALSE(checked(PasswordGeneratorDialog::LookAlikesBox));
    EXPECT_FALSE(enabled(PasswordGeneratorDialog::WordsBox));
    const std::string first = result();
    EXPECT_EQ(first.size(), 20u);
    EXPECT_EQ(worth(), passwords::aboutBitsText(passwords::generatedBits(usual)));

    click(control(PasswordGeneratorDialog::NewButton));
    const std::string second = result();
    EXPECT_EQ(second.size(), 20u);
    EXPECT_NE(second, first);

    click(control(PasswordGeneratorDialog::UseButton));
    EXPECT_FALSE(generator().isLoaded());
    EXPECT_TRUE(IsWindowEnabled(editor().hwnd()));
    EXPECT_EQ(editor().control(EntryEditor::PasswordBox)->text(), second);
    setText(editor().control(EntryEditor::UsernameBox), "dave");
    click(editor().control(EntryEditor::SaveButton));
    EXPECT_FALSE(editor().isLoaded());
    const std::vector<vault::Entry> entries = vault::entriesOf(program.vaultBytes());
    EXPECT_NE(std::find(entries.begin(), entries.end(), vault::Entry{"dave", second, ""}), entries.end());
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

TEST_F(PasswordGeneratorDialogTest, EachChoiceMakesANewResultAndIsKeptForNextTime) {
    openGenerator();
    auto isDigits = [](const std::string& text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        std::function<bool()> holds;
    } steps[] = {
        {"a length typed", [&] { setText(control(PasswordGeneratorDialog::LengthBox), "32"); }, [&] { return result().size() == 32; }},
        {"only digits, no look-alikes",
         [&] {
             for (int box : {PasswordGeneratorDialog::UpperBox, PasswordGeneratorDialog::LowerBox,
                             PasswordGeneratorDialog::SymbolsBox, PasswordGeneratorDialog::LookAlikesBox})
                 click(control(box));
         },
         [&] { return isDigits(result()) && result().find_first_of("01") == std::string::npos; }},
        {"no set at all",
         [&] { click(control(PasswordGeneratorDialog::DigitsBox)); },
         [&] { return result().empty() && worth() == "Tick at least one set of characters." && !enabled(PasswordGeneratorDialog::UseButton); }},
        {"a length out of range",
         [&] {
             click(control(PasswordGeneratorDialog::DigitsBox));
             setText(control(PasswordGeneratorDialog::LengthBox), "7");
         },
         [&] { return result().empty() && worth() == "Choose a length from 8 to 128." && !enabled(PasswordGeneratorDialog::UseButton); }},
        {"a passphrase of four words",
         [&] {
             click(control(PasswordGeneratorDialog::PassphraseOption));
             setText(control(PasswordGeneratorDialog::WordsBox), "4");
         },
         [&] {
             return enabled(PasswordGeneratorDialog::WordsBox) && !enabled(PasswordGeneratorDialog::LengthBox) && !enabled(PasswordGeneratorDialog::DigitsBox) && enabled(PasswordGeneratorDialog::UseButton) &&
                    std::ranges::count(std::string(result()), '-') >= 3 && !isDigits(result());
         }},
    };
    for (const Step& step : steps) {
        const std::string before = result();
        step.act();
        EXPECT_TRUE(step.holds()) << step.what << ": \"" << result() << "\", " << worth();
        if (!before.empty()) {
            EXPECT_NE(result(), before) << step.what;
        }
    }

    // Cancel leaves the editor's box as it was, and keeps the choices.
    click(control(PasswordGeneratorDialog::CancelButton));
    EXPECT_FALSE(generator().isLoaded());
    EXPECT_EQ(editor().control(EntryEditor::PasswordBox)->text(), "");
    EXPECT_EQ(stored("generatorMode"), "passphrase");
    EXPECT_EQ(stored("generatorWords"), "4");
    openGenerator();
    EXPECT_TRUE(checked(PasswordGeneratorDialog::PassphraseOption));
    EXPECT_FALSE(checked(PasswordGeneratorDialog::UpperBox));
    EXPECT_TRUE(checked(PasswordGeneratorDialog::LookAlikesBox));
    EXPECT_EQ(control(PasswordGeneratorDialog::WordsBox)->text(), "4");
    EXPECT_EQ(control(PasswordGeneratorDialog::LengthBox)->text(), "20");  // "7" was no length it could keep
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

}  // namespace
}  // namespace vk::test
