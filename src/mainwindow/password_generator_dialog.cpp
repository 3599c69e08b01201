#include "mainwindow/password_generator_dialog.h"

#include <commctrl.h>

#include "platform/parse.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

using passwords::GeneratorChoice;
using passwords::GeneratorMode;

constexpr int kBoxHeight = 315;
constexpr int kCheckHeight = 285;
constexpr int kButtonHeight = 495;
constexpr int kButtonsTop = 3780;
// The passphrase's choices stand in a second column, right of the characters'.
constexpr int kSecondColumn = 3720;

// A whole number typed in a box; 0 (outside every range) when it holds anything else.
int numberIn(const Control* box) { return parseWholeNumber(box->text(), 0, 9999).value_or(0); }

std::string rangeText(int lowest, int highest) { return std::to_string(lowest) + " to " + std::to_string(highest); }

}  // namespace

void PasswordGeneratorDialog::open(HWND owner) {
    if (isLoaded()) return show();
    owner_ = owner;
    load();
    show();
}

void PasswordGeneratorDialog::create() {
    Frame frame;
    frame.caption = "Generate Password";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    frame.owner = owner_;  // above the editor, and out of the task bar
    if (!createProgramFrame(frame)) return;
    createChoiceControls();
    createResultControls();
    // In reading order: the two modes (one group: the arrow keys move between them), the
    // characters' choices, the passphrase's, the result, the buttons. Each box follows its label.
    setTabOrder({charactersOption, passphraseOption, lengthLabel, lengthBox, lengthRange, upperBox, lowerBox,
                 digitsBox, symbolsBox, lookAlikesBox, wordsLabel, wordsBox, wordsRange, resultLabel, resultBox,
                 bitsLabel, newButton, useButton, cancelButton});
    newButton->onClick = [this] { onNewClick(); };
    useButton->onClick = [this] { onUseClick(); };
    cancelButton->onClick = [this] { onCancelClick(); };
}

void PasswordGeneratorDialog::createChoiceControls() {
    auto option = [this](int id, const char* caption, int left, DWORD group) {
        return &createCheckBox(id, caption, left, 120, 2415, kCheckHeight, BS_AUTORADIOBUTTON | group);
    };
    auto checkBox = [this](int id, const char* caption, int left, int top, int width) {
        return &createCheckBox(id, caption, left, top, width, kCheckHeight, BS_AUTOCHECKBOX);
    };
    auto numberBox = [this](int id, int left) {
        return &createEditBox(id, left, 540, 675, kBoxHeight, ES_AUTOHSCROLL | ES_NUMBER);
    };
    charactersOption = option(CharactersOption, "Characters", 120, WS_GROUP);
    passphraseOption = option(PassphraseOption, "Passphrase", kSecondColumn, 0);

    // WS_GROUP ends the group of the two modes.
    lengthLabel = &createSkinLabel(*this, LengthLabel, "Length:", 360, 570, 900, 255);
    SetWindowLongW(lengthLabel->hwnd(), GWL_STYLE, GetWindowLongW(lengthLabel->hwnd(), GWL_STYLE) | WS_GROUP);
    lengthBox = numberBox(LengthBox, 1260);
    lengthRange = &createSkinLabel(*this, LengthRange, rangeText(passwords::kShortestLength, passwords::kLongestLength),
                                   2040, 570, 1500, 255);
    upperBox = checkBox(UpperBox, "A-Z", 360, 960, 1335);
    lowerBox = checkBox(LowerBox, "a-z", 1800, 960, 1335);
    digitsBox = checkBox(DigitsBox, "0-9", 360, 1320, 1335);
    symbolsBox = checkBox(SymbolsBox, "Symbols", 1800, 1320, 1335);
    lookAlikesBox = checkBox(LookAlikesBox, "Avoid look-alike characters", 360, 1680, 3300);

    wordsLabel = &createSkinLabel(*this, WordsLabel, "Words:", kSecondColumn + 240, 570, 900, 255);
    wordsBox = numberBox(WordsBox, kSecondColumn + 1140);
    wordsRange = &createSkinLabel(*this, WordsRange, rangeText(passwords::kFewestWords, passwords::kMostWords),
                                  kSecondColumn + 1920, 570, 1095, 255);
}

void PasswordGeneratorDialog::createResultControls() {
    resultLabel = &createSkinLabel(*this, ResultLabel, "Password:", 120, 2160, 3000, 255);
    // Read-only, but it can be selected and copied; long results wrap over three lines.
    resultBox = &createEditBox(ResultBox, 120, 2460, 6615, 855, ES_MULTILINE | ES_READONLY);
    // A typewriter face, where I, l and 1, O and 0 look different.
    LOGFONTW font{};
    font.lfHeight = -MulDiv(10, dpi(), 72);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, L"Consolas", LF_FACESIZE);
    resultFont_.reset(CreateFontIndirectW(&font));
    resultBox->setFont(resultFont_.get());
    bitsLabel = &createSkinLabel(*this, BitsLabel, "", 120, 3405, 6615, 255);

    newButton = &createButton(NewButton, "New", 120, kButtonsTop, 1095, kButtonHeight);
    useButton = &createButton(UseButton, "Use", 4500, kButtonsTop, 1095, kButtonHeight);
    cancelButton = &createButton(CancelButton, "Cancel", 5700, kButtonsTop, 1035, kButtonHeight);
}

void PasswordGeneratorDialog::onLoad() {
    standAboveKeptOnTop();
    showChoice(passwords::choiceFromSettings([this](const std::string& name) {
        return host_.settings().get(branding_.productName, "Settings", name, "");
    }));
    // Only now: setting the boxes above is no change of the user's.
    for (CheckBox* box : {charactersOption, passphraseOption, upperBox, lowerBox, digitsBox, symbolsBox, lookAlikesBox})
        box->onClick = [this] { onChoiceChange(); };
    for (EditBox* box : {lengthBox, wordsBox}) box->onChange = [this] { onChoiceChange(); };
    onChoiceChange();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
    if (owner_) EnableWindow(owner_, FALSE);
}

void PasswordGeneratorDialog::onUnload(bool&) {
    for (const auto& [name, value] : passwords::settingsOf(choiceShown()))
        host_.settings().save(branding_.productName, "Settings", name, value);
    resultBox->setText("");
    // Before this window goes, so that the owner is the one activated next.
    if (owner_) EnableWindow(owner_, TRUE);
}

GeneratorChoice PasswordGeneratorDialog::choiceShown() const {
    GeneratorChoice choice;
    choice.mode = passphraseOption->checked() ? GeneratorMode::Passphrase : GeneratorMode::Characters;
    choice.length = numberIn(lengthBox);
    choice.upper = upperBox->checked();
    choice.lower = lowerBox->checked();
    choice.digits = digitsBox->checked();
    choice.symbols = symbolsBox->checked();
    choice.avoidLookAlikes = lookAlikesBox->checked();
    choice.words = numberIn(wordsBox);
    return choice;
}

void PasswordGeneratorDialog::showChoice(const GeneratorChoice& choice) {
    charactersOption->setChecked(choice.mode == GeneratorMode::Characters);
    passphraseOption->setChecked(choice.mode == GeneratorMode::Passphrase);
    lengthBox->setText(std::to_string(choice.length));
    upperBox->setChecked(choice.upper);
    lowerBox->setChecked(choice.lower);
    digitsBox->setChecked(choice.digits);
    symbolsBox->setChecked(choice.symbols);
    lookAlikesBox->setChecked(choice.avoidLookAlikes);
    wordsBox->setText(std::to_string(choice.words));
}

void PasswordGeneratorDialog::onChoiceChange() {
    enableControlsOfMode(choiceShown().mode);
    generate();
}

void PasswordGeneratorDialog::enableControlsOfMode(GeneratorMode mode) {
    const bool characters = mode == GeneratorMode::Characters;
    const Control* charactersControls[] = {lengthBox, upperBox, lowerBox, digitsBox, symbolsBox, lookAlikesBox};
    for (const Control* control : charactersControls) EnableWindow(control->hwnd(), characters);
    EnableWindow(wordsBox->hwnd(), !characters);
}

void PasswordGeneratorDialog::generate() {
    const GeneratorChoice choice = choiceShown();
    if (std::string problem = passwords::choiceProblem(choice); !problem.empty()) return showResult("", problem);
    std::optional<std::string> password = passwords::generatePassword(host_.cryptography(), choice);
    if (!password) return showResult("", "Windows gave no random numbers, so no password could be made.");
    showResult(*password, passwords::aboutBitsText(passwords::generatedBits(choice)));
    wipeSecret(*password);
}

void PasswordGeneratorDialog::showResult(const std::string& result, const std::string& worth) {
    resultBox->setText(result);
    bitsLabel->setText(worth);
    EnableWindow(useButton->hwnd(), !result.empty());
}

void PasswordGeneratorDialog::onNewClick() { generate(); }

void PasswordGeneratorDialog::onUseClick() {
    AnsiText result = windowText(resultBox->hwnd());
    WipedWhenDone wiped(result.text);
    if (result.text.empty()) return;
    host_.useGeneratedPassword(result.text);
    unload();
}

void PasswordGeneratorDialog::onCancelClick() { unload(); }

}  // namespace vk
