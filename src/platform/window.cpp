#include "platform/window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "platform/app_info.h"
#include "platform/control_front.h"
#include "platform/handler_run.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/twips.h"
#include "resource_ids.h"

namespace vk {
namespace {

constexpr const wchar_t* kFrameClass = kWindowClass;

// A text box's key presses go to its control's handler first.
class KeyPressFront : public ControlFront {
public:
    explicit KeyPressFront(EditBox& control) : control_(control) {}

    LRESULT message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_GETDLGCODE:
            // Let Enter reach the control as a typed character instead of being taken by dialog navigation.
            if (lParam && control_.onKeyPress) {
                auto* msg = reinterpret_cast<MSG*>(lParam);
                if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                    return callOriginal(hwnd, message, wParam, lParam) | DLGC_WANTMESSAGE;
            }
            break;
        case WM_CHAR:
            if (control_.onKeyPress) {
                try {
                    if (control_.onKeyPress(static_cast<wchar_t>(wParam))) return 0;
                } catch (...) {
                    reportHandlerFailure(GetAncestor(hwnd, GA_ROOT));
                    return 0;
                }
            }
            break;
        }
        return callOriginal(hwnd, message, wParam, lParam);
    }

private:
    EditBox& control_;
};

RECT workArea() {
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return area;
}

// Where a window of this size stands centred in the screen's work area.
POINT centredCorner(int width, int height) {
    RECT area = workArea();
    return {area.left + ((area.right - area.left) - width) / 2, area.top + ((area.bottom - area.top) - height) / 2};
}

}  // namespace

// What a handler that failed could not do, told to the user: nothing may leave a window procedure,
// yet nothing may vanish without a word either. Runs inside a catch block.
void reportHandlerFailure(HWND window) noexcept {
    const char* reason = "An unexpected error occurred.";
    std::string described;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        reason = "There is not enough memory for it.";
    } catch (const std::exception& error) {
        try {
            described = error.what();
            reason = described.c_str();
        } catch (...) {
        }
    } catch (...) {
    }
    // A window destroyed while its handler ran can own no box: the box would never show.
    if (!IsWindow(window)) window = nullptr;
    try {
        messageBox(window, std::string("Vellumkeep could not finish what you asked.\r\n\r\n") + reason,
                   readAppInfo().title, MB_OK | MB_ICONERROR);
    } catch (...) {
        // Too short of memory even to say so in our own words: the system's box needs none.
        MessageBoxW(window, L"Vellumkeep could not finish what you asked: there is not enough memory for it.",
                    nullptr, MB_OK | MB_ICONERROR);
    }
}

int systemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void initializeWindowing() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The rich-text control's class lives in its own library, loaded for the life of the process.
    LoadLibraryW(L"msftedit.dll");
}

// ---- Control ----

Control::Control(Window& parent, ControlKind kind, HWND hwnd, int id)
    : parent_(parent), kind_(kind), hwnd_(hwnd), id_(id) {}

std::string Control::text() const { return windowText(hwnd_).text; }
void Control::setText(const std::string& ansi) { setWindowText(hwnd_, ansi); }
bool Control::visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
void Control::setVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
bool Control::enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

RECT Control::rectTwips() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return {parent_.toTwips(r.left), parent_.toTwips(r.top), parent_.toTwips(r.right - r.left),
            parent_.toTwips(r.bottom - r.top)};
}
int Control::left() const { return rectTwips().left; }
int Control::top() const { return rectTwips().top; }
int Control::width() const { return rectTwips().right; }
int Control::height() const { return rectTwips().bottom; }

void Control::move(int left, int top, int width, int height) {
    MoveWindow(hwnd_, parent_.toPixels(left), parent_.toPixels(top), parent_.toPixels(width),
               parent_.toPixels(height), TRUE);
}
void Control::setTop(int top) { move(left(), top, width(), height()); }
void Control::setLeft(int left) { move(left, top(), width(), height()); }
void Control::setWidth(int width) { move(left(), top(), width, height()); }
void Control::setHeight(int height) { move(left(), top(), width(), height); }

void Control::setFont(HFONT font) {
    font_ = font;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool Control::setBackColor(COLORREF colour) {
    if (!IsWindow(hwnd_)) return false;
    backColor_ = colour;
    backBrush_.reset(CreateSolidBrush(colour));
    if (kind_ == ControlKind::ListView) {
        SendMessageW(hwnd_, LVM_SETBKCOLOR, 0, colour);
        SendMessageW(hwnd_, LVM_SETTEXTBKCOLOR, 0, colour);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

bool Control::setForeColor(COLORREF colour) {
    if (!IsWindow(hwnd_)) return false;
    foreColor_ = colour;
    if (kind_ == ControlKind::ListView) SendMessageW(hwnd_, LVM_SETTEXTCOLOR, 0, colour);
    InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

// ---- Buttons, check boxes, edit boxes, drop-down lists ----

void Button::notified(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

bool CheckBox::checked() const { return SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void CheckBox::setChecked(bool checked) {
    SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EditBox::setText(const std::string& ansi) {
    if (holdsSecret()) wipeText();
    Control::setText(ansi);
}

void EditBox::setSecretText(std::string_view ansi) {
    wipeText();
    setSecretWindowText(hwnd(), ansi);
}

void EditBox::holdSecret() {
    secret_ = true;
    // Room for a long password: what the box holds grows in place up to this length.
    constexpr size_t kRoom = 256;
    const HandlerRun quiet(quiet_);
    SetWindowTextW(hwnd(), std::wstring(kRoom, L' ').c_str());
    SetWindowTextW(hwnd(), L"");
}

bool EditBox::holdsSecret() const { return secret_ || (GetWindowLongW(hwnd(), GWL_STYLE) & ES_PASSWORD) != 0; }

void EditBox::wipeText() {
    const HandlerRun quiet(quiet_);
    wipeBoxText(hwnd());
}

void EditBox::notified(WORD code) {
    if (code == EN_CHANGE && onChange && !quiet_) onChange();
}

void DropDownList::notified(WORD code) {
    if (code == CBN_SELCHANGE && onSelectionChange) onSelectionChange();
}

// ---- Timer ----

Timer::Timer(Window& parent, UINT_PTR id, UINT intervalMs) : parent_(parent), id_(id), interval_(intervalMs) {}

void Timer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!parent_.hwnd()) return;
    if (enabled)
        SetTimer(parent_.hwnd(), id_, interval_, nullptr);
    else
        KillTimer(parent_.hwnd(), id_);
}

void Timer::tick() {
    if (enabled_ && onTick) onTick();
}

// ---- Window ----

Window* Window::fromHandle(HWND hwnd) {
    wchar_t className[32] = L"";
    if (!hwnd || !GetClassNameW(hwnd, className, 32) || lstrcmpW(className, kFrameClass) != 0) return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Window::~Window() {
    destroying_ = true;
    if (hwnd_) DestroyWindow(hwnd_);
}

void Window::load() {
    if (hwnd_) return;
    // Controls and the filter of an earlier load are dropped only now: an unload may run inside one
    // of their handlers.
    controls_.clear();
    filter_.reset();
    timers_.clear();
    fonts_.clear();
    accelerators_.reset();
    defaultFont_ = nullptr;
    initialFocus_ = nullptr;
    lastFocus_ = nullptr;
    create();
    if (hwnd_) onLoad();
}

void Window::show() {
    load();
    if (!hwnd_ || !mayShow()) return;
    ShowWindow(hwnd_, SW_SHOW);
    bringToFront();
}

void Window::hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Window::unload() {
    if (!hwnd_ || unloading_) return;
    unloading_ = true;
    bool cancel = false;
    onUnload(cancel);
    if (!cancel && hwnd_) DestroyWindow(hwnd_);
    unloading_ = false;
}

bool Window::visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Window::setVisible(bool visible) {
    if (visible)
        show();
    else
        hide();
}

std::string Window::caption() const { return hwnd_ ? windowText(hwnd_).text : std::string(); }
void Window::setCaption(const std::string& ansi) {
    if (hwnd_) setWindowText(hwnd_, ansi);
}

void Window::bringToFront() {
    if (!hwnd_) return;
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(hwnd_);
}

void Window::focusOn(HWND control) {
    if (!hwnd_ || !IsChild(hwnd_, control)) return;
    lastFocus_ = control;
    bringToFront();
    if (GetActiveWindow() == hwnd_) SetFocus(control);
}

int Window::toPixels(int twips) const { return twipsToPixels(twips, dpi_); }
int Window::toTwips(int pixels) const { return pixelsToTwips(pixels, dpi_); }

int Window::width() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return toTwips(r.right - r.left);
}

int Window::height() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return toTwips(r.bottom - r.top);
}

void Window::setHeight(int twips) {
    if (!hwnd_) return;
    RECT r{};
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, toPixels(twips), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::centreOnScreen() {
    if (!hwnd_) return;
    RECT r{};
    GetWindowRect(hwnd_, &r);
    POINT corner = centredCorner(r.right - r.left, r.bottom - r.top);
    SetWindowPos(hwnd_, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::centreOver(HWND other) {
    RECT over{}, own{};
    if (!hwnd_ || !other || !GetWindowRect(other, &over) || IsIconic(other)) return centreOnScreen();
    GetWindowRect(hwnd_, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    const RECT area = workArea();
    const int left = std::clamp<int>((over.left + over.right - width) / 2, area.left, std::max(area.left, area.right - width));
    const int top = std::clamp<int>((over.top + over.bottom - height) / 2, area.top, std::max(area.top, area.bottom - height));
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::placeBeside(HWND other) {
    RECT beside{}, own{};
    if (!hwnd_ || !other || !GetWindowRect(other, &beside) || IsIconic(other)) return;
    GetWindowRect(hwnd_, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    const RECT area = workArea();
    int top = beside.bottom;
    if (top + height > area.bottom) top = beside.top - height;
    if (top < area.top) top = beside.bottom - height;
    const int left = std::clamp<int>(beside.right - width, area.left, std::max(area.left, area.right - width));
    top = std::clamp<int>(top, area.top, std::max(area.top, area.bottom - height));
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Window::minimized() const { return hwnd_ && IsIconic(hwnd_); }

Control* Window::control(int id) const {
    for (const auto& control : controls_)
        if (control->id() == id) return control.get();
    return nullptr;
}

Timer* Window::timer(UINT_PTR id) const {
    for (const auto& timer : timers_)
        if (timer->id() == id) return timer.get();
    return nullptr;
}

Control* Window::controlFromHwnd(HWND hwnd) const {
    for (const auto& control : controls_)
        if (control->hwnd() == hwnd) return control.get();
    return nullptr;
}

LRESULT Window::send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageW(hwnd_, message, wParam, lParam);
}

void Window::createFrame(const Frame& frame) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kFrameClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Window::windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClass;
        RegisterClassExW(&wc);
    }
    dpi_ = systemDpi();
    RECT outer{0, 0, toPixels(frame.clientWidth), toPixels(frame.clientHeight)};
    AdjustWindowRectEx(&outer, frame.style, frame.menu != nullptr, frame.exStyle);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    POINT corner = centredCorner(width, height);
    HWND hwnd = CreateWindowExW(frame.exStyle | WS_EX_CONTROLPARENT, kFrameClass, widen(frame.caption).c_str(),
                                frame.style & ~WS_VISIBLE, corner.x, corner.y, width, height, frame.owner,
                                frame.menu, GetModuleHandleW(nullptr), this);
    if (!hwnd) {
        if (frame.menu) DestroyMenu(frame.menu);
        return;
    }
    if (frame.icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(frame.icon));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(frame.icon));
    }
}

bool Window::createProgramFrame(Frame frame) {
    frame.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    createFrame(frame);
    if (!hwnd_) return false;
    setDefaultFont(makeFont(L"Verdana", 8.25));
    return true;
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->destroying_) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        if (self->filter_ && message != WM_NCDESTROY) return self->filter_->message(*self, message, wParam, lParam);
        return self->handle(message, wParam, lParam);
    } catch (...) {
        reportHandlerFailure(hwnd);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
    case WM_COMMAND:
        handleCommand(wParam, lParam);
        return 0;
    case WM_TIMER:
        for (const auto& timer : timers_) {
            if (timer->id() == wParam) {
                timer->tick();
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        unload();
        return 0;
    case WM_ACTIVATE:
        onMessage(message, wParam, lParam, result);
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (onMessage(message, wParam, lParam, result)) return result;
        if (handleColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result)) return result;
        break;
    case WM_DESTROY:
        // The password boxes' buffers are freed with them, unwiped, unless they are wiped now.
        for (const auto& control : controls_)
            if (auto* box = dynamic_cast<EditBox*>(control.get()); box && box->holdsSecret()) box->wipeText();
        if (onMessage(message, wParam, lParam, result)) return result;
        break;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        onMessage(message, wParam, lParam, result);
        for (const auto& timer : timers_) timer->setEnabled(false);
        aboveKeptOnTop_.reset();
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
        if (onMessage(message, wParam, lParam, result)) return result;
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool Window::handleColour(HDC dc, HWND hwnd, LRESULT& result) const {
    const Control* control = controlFromHwnd(hwnd);
    if (!control || (!control->backColor() && !control->foreColor())) return false;
    if (control->foreColor()) SetTextColor(dc, *control->foreColor());
    if (control->backColor()) {
        SetBkColor(dc, *control->backColor());
        result = reinterpret_cast<LRESULT>(control->backBrush());
    } else {
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    return true;
}

void Window::handleCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (lParam == 0) {
        if (HIWORD(wParam) <= 1) onMenu(id);  // a menu item (0), or the accelerator (1) that stands for it
        return;
    }
    // Notification codes mean different things to different kinds of control: each knows its own.
    for (const auto& control : controls_) {
        if (control->id() == id && control->hwnd() == reinterpret_cast<HWND>(lParam)) {
            control->notified(HIWORD(wParam));
            return;
        }
    }
}

void Window::installKeyPress(EditBox& box) { putInFront(box.hwnd(), std::make_unique<KeyPressFront>(box)); }

void Window::onActivate(bool active) {
    // As a dialog does: the focus goes back to the control that had it, or to the first one.
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        return;
    }
    HWND target = lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : initialFocus_;
    if (!target || !IsWindowEnabled(target) || !(GetWindowLongW(target, GWL_STYLE) & WS_VISIBLE))
        target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target) SetFocus(target);
}

template <typename Kind>
Kind& Window::make(ControlKind kind, int id, const wchar_t* className, DWORD style, DWORD exStyle,
                   const std::string& text, int left, int top, int width, int height) {
    HWND hwnd = CreateWindowExW(exStyle, className, widen(text).c_str(), WS_CHILD | style, toPixels(left),
                                toPixels(top), toPixels(width), toPixels(height), hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                nullptr);
    auto made = std::make_unique<Kind>(*this, kind, hwnd, id);
    Kind& control = *made;
    controls_.push_back(std::move(made));
    if (defaultFont_) control.setFont(defaultFont_);
    return control;
}

Control& Window::createControl(ControlKind kind, int id, const wchar_t* className, DWORD style, DWORD exStyle,
                               const std::string& text, int left, int top, int width, int height) {
    return make<Control>(kind, id, className, style, exStyle, text, left, top, width, height);
}

Button& Window::createButton(int id, const std::string& caption, int left, int top, int width, int height) {
    return make<Button>(ControlKind::Button, id, WC_BUTTONW, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON,
                        0, caption, left, top, width, height);
}

CheckBox& Window::createCheckBox(int id, const std::string& caption, int left, int top, int width, int height,
                                 DWORD style) {
    return make<CheckBox>(ControlKind::CheckBox, id, WC_BUTTONW, WS_VISIBLE | WS_TABSTOP | style, 0, caption, left, top,
                          width, height);
}

EditBox& Window::createEditBox(int id, int left, int top, int width, int height, DWORD style) {
    EditBox& box = make<EditBox>(ControlKind::EditBox, id, WC_EDITW, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | style,
                                 WS_EX_CLIENTEDGE, "", left, top, width, height);
    // No length limit: an edit control otherwise stops at 32,767 characters.
    SendMessageW(box.hwnd(), EM_SETLIMITTEXT, 0, 0);
    if (style & ES_PASSWORD) box.holdSecret();
    installKeyPress(box);
    return box;
}

Control& Window::createLabel(int id, const std::string& caption, int left, int top, int width, int height) {
    return createControl(ControlKind::Label, id, WC_STATICW, WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT, 0, caption, left,
                         top, width, height);
}

DropDownList& Window::createDropDownList(int id, int left, int top, int width, int height) {
    return make<DropDownList>(ControlKind::DropDownList, id, WC_COMBOBOXW,
                              WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, "", left, top, width,
                              height);
}

Timer& Window::createTimer(UINT_PTR id, UINT intervalMs) {
    timers_.push_back(std::make_unique<Timer>(*this, id, intervalMs));
    return *timers_.back();
}

void Window::setTabOrder(std::initializer_list<Control*> order) {
    HWND after = HWND_TOP;
    for (Control* control : order) {
        SetWindowPos(control->hwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control->hwnd();
    }
}

HFONT Window::makeFont(const wchar_t* face, double points, bool bold) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(points * dpi_ / 72.0 + 0.5);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    fonts_.emplace_back(CreateFontIndirectW(&lf));
    return fonts_.back().get();
}

void Window::setAccelerators(std::initializer_list<ACCEL> keys) {
    std::vector<ACCEL> table(keys);
    accelerators_.reset(CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())));
}

bool Window::translateAccelerator(MSG& msg) const {
    return accelerators_ && hwnd_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg) != 0;
}

void Window::standAboveKeptOnTop() {
    if (hwnd_ && !aboveKeptOnTop_) aboveKeptOnTop_.emplace(hwnd_);
}

bool Window::onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

}  // namespace vk
