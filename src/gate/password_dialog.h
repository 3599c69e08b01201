#pragma once
// frmPass, the only way into the program: it asks for a new master password twice (first start)
// or for the master password (every later start), and keeps the main window hidden meanwhile.
#include <string>

#include "platform/window.h"

namespace vk {

class Program;

class PasswordDialog : public Window {
public:
    static constexpr int kClientWidth = 6855;  // twips
    static constexpr int kMaxTries = 3;
    static constexpr size_t kMinimumLength = 4;

    explicit PasswordDialog(Program& app) : app_(app) {}

    Control* SkinLabel1 = nullptr;
    Control* SkinLabel2 = nullptr;
    Control* txtPass = nullptr;
    Control* SkinLabel3 = nullptr;
    Control* txtPass2 = nullptr;
    Control* cmdOK = nullptr;
    Control* cmdCancel = nullptr;
    Timer* Timer1 = nullptr;

    // Wrong passwords after which the user chose to try again.
    short passwordTries = 0;

    void cmdOK_Click();
    void cmdCancel_Click();
    void Timer1_Timer();
    bool txtPass_KeyPress(wchar_t key);

protected:
    void create() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    void layOutCreateMode();
    void layOutEnterMode();
    void createModeOK();
    void enterModeOK();
    // The create-mode boxes let go of the topmost place while they are shown; `emptyBoxes`
    // empties both password boxes before the dialog takes it back.
    void showCreateModeMessage(const std::string& text, bool emptyBoxes);

    Program& app_;
};

}  // namespace vk
