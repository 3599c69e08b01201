#pragma once
// The Earlier Versions dialog: the copies of the vault that saves kept, newest first, when each was
// kept and how many entries it holds. Restore hands the chosen one to the program, which asks first,
// restores it and closes the dialog; Close closes it.
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace vk {

struct Skinning;

class EarlierVersionsDialog : public Window {
public:
    static constexpr int kClientWidth = 6855;  // twips
    static constexpr int kClientHeight = 4380;

    enum ControlId : int {
        MessageLabel = kFirstControlId,
        VersionList,
        RestoreButton,
        CloseButton,
    };

    // A kept version as the list shows it.
    struct Row {
        std::string keptAt;   // in the user's date and time format
        std::string entries;  // how many it holds, or why it cannot be read
        bool restorable = false;
    };

    // What the dialog asks of the program around it.
    class Host {
    public:
        // The user asked to restore the version of this row (from 0).
        virtual void restoreVersionAsked(size_t row) = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    EarlierVersionsDialog(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the dialog on the rows, the newest selected; when it is open, it shows them instead.
    void open(std::vector<Row> rows);
    std::optional<size_t> selectedRow() const;
    void selectRow(size_t row);

    void onRestoreClick();
    void onCloseClick() { unload(); }

protected:
    void create() override;
    void onLoad() override;
    void onMenu(int commandId) override;

private:
    void fillList();

    Control* messageLabel = nullptr;
    Control* versionList = nullptr;
    Button* restoreButton = nullptr;
    Button* closeButton = nullptr;

    Host& host_;
    Skinning& skinning_;
    std::vector<Row> rows_;
};

}  // namespace vk
