#pragma once
// The Options dialog: when the open vault locks itself, whether the list shows passwords, and how
// many earlier versions saves keep. OK
// hands the options chosen to the program, which keeps them and acts on them.
#include <string>

#include "mainwindow/options.h"
#include "platform/window.h"

namespace vk {

struct Skinning;

class OptionsDialog : public Window {
public:
    static constexpr int kClientWidth = 5730;  // twips
    static constexpr int kClientHeight = 2880;

    enum ControlId : int {
        LockAfterLabel = kFirstControlId,
        MinutesBox,
        MinutesLabel,
        SessionLockBox,
        MinimisedBox,
        ShowPasswordsBox,
        KeepLabel,
        VersionsBox,
        VersionsLabel,
        OkButton,
        CancelButton,
    };

    // What the dialog asks of the program around it.
    class Host {
    public:
        // The options as the user chose them, handed over when OK is clicked.
        virtual void optionsChosen(const Options& options) = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    OptionsDialog(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the dialog on the options in force; while it is open, another request only brings it
    // forward.
    void open(const Options& options);

    void onOkClick();
    void onCancelClick() { unload(); }

protected:
    void create() override;
    void onLoad() override;
    void onMenu(int commandId) override;

private:
    Control* lockAfterLabel = nullptr;
    EditBox* minutesBox = nullptr;
    Control* minutesLabel = nullptr;
    CheckBox* sessionLockBox = nullptr;
    CheckBox* minimisedBox = nullptr;
    CheckBox* showPasswordsBox = nullptr;
    Control* keepLabel = nullptr;
    EditBox* versionsBox = nullptr;
    Control* versionsLabel = nullptr;
    Button* okButton = nullptr;
    Button* cancelButton = nullptr;

    Host& host_;
    Skinning& skinning_;
    Options shown_;
};

}  // namespace vk
