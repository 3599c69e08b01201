#pragma once
// The dialog that makes a strong password for the entry editor: random characters from the sets
// the user ticks, or a passphrase of words from EFF's list. It shows the result and what it is
// worth in bits; Use hands it to the editor, which stays disabled while the dialog is open. The
// last choices are kept in the settings store.
#include <windows.h>

#include <string>

#include "passwords/password_generator.h"
#include "platform/app_info.h"
#include "platform/handles.h"
#include "platform/window.h"

namespace vk {

struct SettingsStore;
struct Skinning;

class PasswordGeneratorDialog : public Window {
public:
    static constexpr int kClientWidth = 6855;  // twips, as the program's other dialogs
    static constexpr int kClientHeight = 4395;

    enum ControlId : int {
        CharactersOption = kFirstControlId,
        PassphraseOption,
        LengthLabel,
        LengthBox,
        LengthRange,
        UpperBox,
        LowerBox,
        DigitsBox,
        SymbolsBox,
        LookAlikesBox,
        WordsLabel,
        WordsBox,
        WordsRange,
        ResultLabel,
        ResultBox,
        BitsLabel,
        NewButton,
        UseButton,
        CancelButton,
    };

    // What the dialog asks of the program around it.
    class Host {
    public:
        // The system's cryptography: its random bytes.
        virtual vault::Cryptography& cryptography() = 0;
        virtual SettingsStore& settings() = 0;
        // The user chose to use this password.
        virtual void useGeneratedPassword(std::string_view password) = 0;

    protected:
        ~Host() = default;
    };

    PasswordGeneratorDialog(Host& host, const Branding& branding, Skinning& skinning)
        : host_(host), branding_(branding), skinning_(skinning) {}

    // Opens the dialog over `owner`, which it keeps disabled while it is open, as a modal dialog
    // does; while it is open, another request only brings it forward.
    void open(HWND owner);

    void onNewClick();
    void onUseClick();
    void onCancelClick();

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;

private:
    CheckBox* charactersOption = nullptr;
    CheckBox* passphraseOption = nullptr;
    Control* lengthLabel = nullptr;
    EditBox* lengthBox = nullptr;
    Control* lengthRange = nullptr;
    CheckBox* upperBox = nullptr;
    CheckBox* lowerBox = nullptr;
    CheckBox* digitsBox = nullptr;
    CheckBox* symbolsBox = nullptr;
    CheckBox* lookAlikesBox = nullptr;
    Control* wordsLabel = nullptr;
    EditBox* wordsBox = nullptr;
    Control* wordsRange = nullptr;
    Control* resultLabel = nullptr;
    EditBox* resultBox = nullptr;
    Control* bitsLabel = nullptr;  // what the result is worth, or why there is none
    Button* newButton = nullptr;
    Button* useButton = nullptr;
    Button* cancelButton = nullptr;

    void createChoiceControls();
    void createResultControls();
    // The choice as the controls show it, and the controls set to show a choice.
    passwords::GeneratorChoice choiceShown() const;
    void showChoice(const passwords::GeneratorChoice& choice);
    // Any change of the choice makes a new result at once.
    void onChoiceChange();
    void enableControlsOfMode(passwords::GeneratorMode mode);
    // A new result for the choice shown, or the reason there is none.
    void generate();
    void showResult(std::string_view result, const std::string& worth);

    Host& host_;
    const Branding& branding_;
    Skinning& skinning_;
    HWND owner_ = nullptr;
    Font resultFont_;
};

}  // namespace vk
