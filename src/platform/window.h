#pragma once
// A top-level window of the program and its controls.
//
// A window is loaded (created, its onLoad runs once), shown modeless, hidden, and unloaded
// (onUnload runs, then it is destroyed). Loading a window that is already loaded only returns
// it; the next load after an unload builds it afresh. Layout is given in twips.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"
#include "platform/keep_on_top.h"

namespace vk {

class Window;

// The class of every top-level window of the program: another copy of it looks for this class to
// tell a running copy from any other program.
inline constexpr wchar_t kWindowClass[] = L"Vellumkeep.Window";

// Control ids of a window start here, clear of IDOK and IDCANCEL, which dialog navigation sends.
inline constexpr int kFirstControlId = 100;

// What a control is: the window class it was made of, and what the skin makes of it.
enum class ControlKind {
    Button,
    CheckBox,     // a check box or a radio button
    EditBox,
    Label,
    SkinLabel,    // a label that paints its caption over the skin (skin/skin_label.h)
    Image,        // a picture shown as it is
    Picture,      // a picture on a panel of the skin's colour
    ListView,
    RichEdit,
    DropDownList,
    StatusBar,
};

// One control of a window, made as what it is and found by the id it was made with (the window's
// own enum of ids) or by the window's member that holds it.
class Control {
public:
    Control(Window& parent, ControlKind kind, HWND hwnd, int id);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }
    Window& parent() const { return parent_; }

    std::string text() const;
    virtual void setText(const std::string& ansi);
    bool visible() const;
    void setVisible(bool visible);
    bool enabled() const;

    // Position and size in twips, relative to the parent's client area.
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void move(int left, int top, int width, int height);
    void setTop(int top);
    void setLeft(int left);
    void setWidth(int width);
    void setHeight(int height);

    HFONT font() const { return font_; }
    void setFont(HFONT font);

    // Colours as a control's backColour and foreColour properties; false when the control is gone.
    std::optional<COLORREF> backColor() const { return backColor_; }
    std::optional<COLORREF> foreColor() const { return foreColor_; }
    bool setBackColor(COLORREF colour);
    bool setForeColor(COLORREF colour);
    HBRUSH backBrush() const { return backBrush_.get(); }

    // A notification the control sent its window in WM_COMMAND; each kind knows its own codes.
    virtual void notified(WORD code) { (void)code; }

private:
    RECT rectTwips() const;

    Window& parent_;
    ControlKind kind_;
    HWND hwnd_;
    int id_;
    HFONT font_ = nullptr;
    std::optional<COLORREF> backColor_, foreColor_;
    Brush backBrush_;
};

class Button : public Control {
public:
    using Control::Control;
    std::function<void()> onClick;
    void notified(WORD code) override;
};

// A check box or a radio button.
class CheckBox : public Button {
public:
    using Button::Button;
    bool checked() const;
    void setChecked(bool checked);
};

class EditBox : public Control {
public:
    using Control::Control;
    // A box that holds a secret has its old text wiped where it kept it before a new one is set.
    void setText(const std::string& ansi) override;
    void setSecretText(std::string_view ansi);
    // Makes the box one that holds a secret though it shows it (a password box, which shows dots,
    // is one from the start): its text is wiped when it changes or the window goes, and it is given
    // room at once for what is typed into it, so that typing never moves the text and frees its old
    // place unwiped.
    void holdSecret();
    bool holdsSecret() const;
    // Empties the box, its text wiped where the box kept it (wipeBoxText); no change is notified.
    void wipeText();

    // Each typed character, first: true when it was handled here. onChange: the text has changed,
    // typed or set.
    std::function<bool(wchar_t)> onKeyPress;
    std::function<void()> onChange;
    void notified(WORD code) override;

private:
    bool secret_ = false;
    bool quiet_ = false;  // while the box changes its own text to keep a secret out of memory
};

class DropDownList : public Control {
public:
    using Control::Control;
    // The user chose another item.
    std::function<void()> onSelectionChange;
    void notified(WORD code) override;
};

// A window timer, found by the id it was made with.
class Timer {
public:
    Timer(Window& parent, UINT_PTR id, UINT intervalMs);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    UINT_PTR id() const { return id_; }
    UINT interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // Takes effect at the next setEnabled(true).
    void setInterval(UINT intervalMs) { interval_ = intervalMs; }
    void tick();  // what WM_TIMER runs; tests may call it as the system would

    std::function<void()> onTick;

private:
    Window& parent_;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
};

// Something in front of a window's own message handling (the skin's painter): it gets every
// message but the last (WM_NCDESTROY) first, and passes on what it does not take through
// Window::passOn.
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    virtual LRESULT message(Window& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The program's window object behind a top-level window handle, if it is one of ours.
    static Window* fromHandle(HWND hwnd);

    void load();
    void show();
    void hide();
    void unload();
    bool isLoaded() const { return hwnd_ != nullptr; }
    HWND hwnd() const { return hwnd_; }

    bool visible() const;
    void setVisible(bool visible);
    std::string caption() const;
    void setCaption(const std::string& ansi);
    void bringToFront();
    // Brings the window to the front with the keyboard focus on `control`: at once when the window
    // can be made active, else as soon as it is activated.
    void focusOn(HWND control);

    int dpi() const { return dpi_; }
    int toPixels(int twips) const;
    int toTwips(int pixels) const;
    // Outer size (border, title and menu bar included), in twips.
    int width() const;
    int height() const;
    void setHeight(int twips);
    // Windows are centred once their final size is known.
    void centreOnScreen();
    // Centred over another window, kept inside the screen's work area.
    void centreOver(HWND other);
    // Beside another window, right edges in line: under it, or above it when there is no room
    // under it, or over its bottom right corner when there is room for neither.
    void placeBeside(HWND other);
    bool minimized() const;

    // The controls in the order they were added (the window's control collection).
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
    // The control or timer made with this id; null when there is none.
    Control* control(int id) const;
    Timer* timer(UINT_PTR id) const;
    Control* controlFromHwnd(HWND hwnd) const;

    // Turns a key the window's accelerators name into its menu command; true when it did.
    bool translateAccelerator(MSG& msg) const;

    // Runs the window's handler for `message` as the system would (tests use it for WM_CTLCOLOR*).
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Puts `filter` in front of the window's own handling until the window is destroyed (it is
    // dropped when the window is loaded again).
    void setMessageFilter(std::unique_ptr<MessageFilter> filter) { filter_ = std::move(filter); }
    MessageFilter* messageFilter() const { return filter_.get(); }
    // The window's own handling of a message, which a filter passes messages on to.
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam) { return handle(message, wParam, lParam); }

    // Adds a control of any window class to the end of the collection (position and size in twips).
    Control& createControl(ControlKind kind, int id, const wchar_t* className, DWORD style, DWORD exStyle,
                           const std::string& text, int left, int top, int width, int height);

protected:
    // Builds the window: createFrame, then the controls in collection order.
    virtual void create() = 0;
    virtual void onLoad() {}
    virtual void onUnload(bool& cancel) { (void)cancel; }
    // Whether a show request may make the window visible.
    virtual bool mayShow() const { return true; }
    // Messages the base does not handle; true when handled (result set).
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void onMenu(int commandId) { (void)commandId; }

    struct Frame {
        std::string caption;
        DWORD style = WS_OVERLAPPEDWINDOW;
        DWORD exStyle = 0;
        int clientWidth = 0;   // twips
        int clientHeight = 0;  // twips
        HMENU menu = nullptr;  // the window takes ownership
        HWND owner = nullptr;  // an owned window is not shown in the task bar
        HICON icon = nullptr;  // shared, not owned
    };
    void createFrame(const Frame& frame);
    // A fixed single border with a caption and a close box, as the program's dialogs have.
    static constexpr DWORD kFixedSingleBorder = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    // The frame of the program's own windows: the program's icon, and Verdana 8.25 for the
    // controls added after it. False when the window could not be made.
    bool createProgramFrame(Frame frame);
    Button& createButton(int id, const std::string& caption, int left, int top, int width, int height);
    // A check box, or with BS_AUTORADIOBUTTON a radio button (the first of its group with WS_GROUP);
    // `style` besides WS_VISIBLE and WS_TABSTOP.
    CheckBox& createCheckBox(int id, const std::string& caption, int left, int top, int width, int height,
                             DWORD style = WS_CLIPSIBLINGS | BS_AUTOCHECKBOX);
    // `style` is the box's own style (ES_*) besides WS_VISIBLE, WS_TABSTOP and WS_CLIPSIBLINGS.
    EditBox& createEditBox(int id, int left, int top, int width, int height, DWORD style = ES_AUTOHSCROLL);
    Control& createLabel(int id, const std::string& caption, int left, int top, int width, int height);
    // A drop-down list to choose from; `height` is the height of the open list.
    DropDownList& createDropDownList(int id, int left, int top, int width, int height);
    Timer& createTimer(UINT_PTR id, UINT intervalMs);
    // Gives the controls a tab order: the first one gets the focus first.
    void setTabOrder(std::initializer_list<Control*> order);
    // The control that has the focus when the window is first activated (default: the first in
    // tab order).
    void setInitialFocus(Control* control) { initialFocus_ = control ? control->hwnd() : nullptr; }

    // Keys that run menu commands while the window or one of its controls has the focus.
    void setAccelerators(std::initializer_list<ACCEL> keys);

    // A font of this window, at its DPI; kept until the window is rebuilt.
    HFONT makeFont(const wchar_t* face, double points, bool bold = false);
    void setDefaultFont(HFONT font) { defaultFont_ = font; }
    // A dialog of the program: from now until it is destroyed, the windows kept on top step down
    // below it.
    void standAboveKeptOnTop();

private:
    friend class Timer;
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleColour(HDC dc, HWND control, LRESULT& result) const;
    void handleCommand(WPARAM wParam, LPARAM lParam);
    void installKeyPress(EditBox& box);
    template <typename Kind>
    Kind& make(ControlKind kind, int id, const wchar_t* className, DWORD style, DWORD exStyle, const std::string& text,
               int left, int top, int width, int height);
    void onActivate(bool active);

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    bool unloading_ = false;
    bool destroying_ = false;
    HFONT defaultFont_ = nullptr;
    HWND initialFocus_ = nullptr;
    HWND lastFocus_ = nullptr;  // restored when the window is activated again
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Timer>> timers_;
    std::vector<Font> fonts_;
    std::optional<AboveKeptOnTop> aboveKeptOnTop_;
    std::unique_ptr<MessageFilter> filter_;
    Accelerators accelerators_;
};

// Tells the user what a handler that failed could not do: nothing may leave a window procedure, yet
// nothing may vanish without a word either. Call it inside a catch block.
void reportHandlerFailure(HWND window) noexcept;

// The screen's DPI, as the program lays out its windows (system DPI aware).
int systemDpi();

// Registers the window classes and common controls the program uses; call once at start.
void initializeWindowing();

}  // namespace vk
