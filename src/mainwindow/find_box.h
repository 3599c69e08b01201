#pragma once
// The find box: a small modeless box beside the main window, with a text box labelled "Find:".
// As the user types, the list shows the entries that match; Enter selects the first match;
// Escape, or closing the box, shows every entry again. It stores nothing.
#include <windows.h>

#include "platform/text.h"
#include "platform/window.h"

namespace vk {

struct Skinning;

class FindBox : public Window {
public:
    static constexpr int kClientWidth = 4695;  // twips
    static constexpr int kClientHeight = 435;

    enum ControlId : int { FindLabel = kFirstControlId, FindTextBox };
    enum TimerId : UINT_PTR { RetryTimer = 1 };

    // What the box asks of the main window.
    class Host {
    public:
        // The text changed: the list shows what matches it. False when a keystroke came before the
        // list could show it; the box then asks again once the keys waiting have been handled.
        virtual bool findTextChanged(const AnsiText& typed) = 0;
        // Enter: the first match is selected.
        virtual void firstMatchChosen() = 0;
        // The box closes: every entry is shown again.
        virtual void findClosed() = 0;

    protected:
        ~Host() = default;
    };

    FindBox(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the box beside `owner`, or brings it back with its text chosen, ready to be typed over.
    void open(HWND owner);
    // Keeps the box beside its owner, which moved or changed size.
    void keepBeside();

    void onTextChange();
    bool onKey(wchar_t key);
    void onRetryTimer();

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;
    void onMenu(int commandId) override;

private:
    Control* findLabel = nullptr;
    EditBox* findTextBox = nullptr;
    Timer* retryTimer = nullptr;  // shows the matches of a text whose keystroke was overtaken

    // Hands the text to the host; asks again later when a keystroke overtook it.
    void showMatches();

    Host& host_;
    Skinning& skinning_;
    HWND owner_ = nullptr;
};

}  // namespace vk
