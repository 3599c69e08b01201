#include "skin/skin_painter.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/control_front.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/window.h"

namespace vk {
namespace {

enum class ButtonKind { Plain, Default };

bool hasClass(HWND hwnd, const wchar_t* name) {
    wchar_t className[32] = L"";
    return GetClassNameW(hwnd, className, 32) && lstrcmpiW(className, name) == 0;
}

// Channels lie between 0 and 255, so adding a half and cutting rounds as lround does, without the
// library call that would otherwise be made for every channel of every button pixel.
COLORREF mix(COLORREF from, COLORREF to, double t) {
    if (t <= 0) return from;
    if (t >= 1) return to;
    auto channel = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

// A control's colour property may hold a system colour in the OLE form (high bit set).
COLORREF plainColour(COLORREF colour) {
    return (colour & 0x80000000u) ? GetSysColor(static_cast<int>(colour & 0xFF)) : colour;
}

// ---- Background ----

// Fills what the DC may paint of the window's client area, row by row, with the skin's gradient.
void paintBackground(HWND window, HDC dc, const SkinData& skin) {
    RECT client{};
    GetClientRect(window, &client);
    RECT area{};
    if (GetClipBox(dc, &area) == ERROR) area = client;
    if (!IntersectRect(&area, &area, &client)) return;
    COLORREF previous = GetBkColor(dc);
    // One fill for each band of rows of one colour: a gentle gradient has few colours.
    for (int y = area.top; y < area.bottom;) {
        COLORREF colour = skinBackgroundAt(skin, y, client.bottom);
        int end = y + 1;
        while (end < area.bottom && skinBackgroundAt(skin, end, client.bottom) == colour) ++end;
        SetBkColor(dc, colour);
        RECT band{area.left, y, area.right, end};
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
        y = end;
    }
    SetBkColor(dc, previous);
}

// Labels and check boxes show the background, except those the program gave colours of its own.
bool drawsOverBackground(const Window& topLevel, HWND child) {
    if (!child || !(hasClass(child, WC_STATICW) || hasClass(child, WC_BUTTONW))) return false;
    const Control* control = topLevel.controlFromHwnd(child);
    return !control || (!control->backColor() && !control->foreColor());
}

LRESULT drawOverBackground(HWND window, HDC dc, HWND child, const SkinData& skin) {
    // The control erases with a hollow brush, so put the background behind it first.
    POINT origin{0, 0};
    MapWindowPoints(child, window, &origin, 1);
    POINT previous{};
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
    paintBackground(window, dc, skin);
    SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, skin.labelText);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// ---- Push buttons ----

struct ButtonLook {
    COLORREF faceTop;
    COLORREF faceBottom;
    COLORREF border;
    COLORREF text;
    bool pressed = false;
    bool focusRing = false;
};

COLORREF faceTopOf(const Window& topLevel, HWND button, const SkinData& skin) {
    const Control* control = topLevel.controlFromHwnd(button);
    return control && control->backColor() ? plainColour(*control->backColor()) : skin.buttonTop;
}

// How the program made a skinned push button, and whether the mouse is over it.
struct ButtonState {
    ButtonKind kind = ButtonKind::Plain;
    bool hot = false;
};

ButtonLook lookOf(const Window& topLevel, const DRAWITEMSTRUCT& item, const ButtonState& state, const SkinData& skin) {
    const COLORREF base = faceTopOf(topLevel, item.hwndItem, skin);
    const bool isDefault = state.kind == ButtonKind::Default;
    ButtonLook look{base, skin.buttonBottom, isDefault ? skin.buttonHotBorder : skin.buttonBorder, skin.buttonText};
    if (item.itemState & ODS_DISABLED) {
        look.faceBottom = mix(base, skin.buttonBottom, 0.5);
        look.border = mix(skin.buttonBorder, skin.clientBottom, 0.5);
        look.text = skin.buttonDisabledText;
        return look;
    }
    if (item.itemState & ODS_SELECTED) {
        look.faceTop = skin.buttonPressedTop;
        look.faceBottom = skin.buttonPressedBottom;
        look.border = skin.buttonHotBorder;
        look.pressed = true;
    } else if (state.hot) {
        look.faceTop = mix(base, skin.buttonHotTop, 0.5);
        look.faceBottom = skin.buttonHotBottom;
        look.border = skin.buttonHotBorder;
    }
    look.focusRing = (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT);
    return look;
}

// Signed distance from a pixel centre to the edge of a rounded rectangle filling w x h: negative inside.
double roundedRectDistance(double x, double y, double w, double h, double radius) {
    double qx = std::abs(x - w / 2) - (w / 2 - radius);
    double qy = std::abs(y - h / 2) - (h / 2 - radius);
    if (qx <= 0 || qy <= 0) return std::max(qx, qy) - radius;  // beside a straight edge
    return std::sqrt(qx * qx + qy * qy) - radius;               // in a rounded corner
}

// How much of a pixel lies more than `inset` pixels inside the edge (smooth over one pixel).
double coverage(double distance, double inset) {
    return std::clamp(0.5 - (distance + inset), 0.0, 1.0);
}

// The rounded face with its border and focus ring, over the window's background at the button's place.
void paintButtonFace(Canvas& canvas, const ButtonLook& look, const SkinData& skin, double scale, int backgroundTop,
                     int backgroundHeight) {
    const int w = canvas.width();
    const int h = canvas.height();
    const double border = std::max(1.0, std::floor(scale + 0.5));
    const double radius = std::min(skin.buttonRadius * scale, std::min(w, h) / 2.0);
    const double ringInset = border + std::floor(2 * scale + 0.5);
    const double ringWidth = std::max(1.0, std::floor(scale + 0.5));
    // The face's first full row shows exactly its top colour, its last the bottom colour.
    const int faceFirst = static_cast<int>(border);
    const int faceSpan = std::max(1, h - 1 - 2 * faceFirst);

    std::vector<COLORREF> background(static_cast<size_t>(h)), face(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        background[y] = skinBackgroundAt(skin, backgroundTop + y, backgroundHeight);
        face[y] = mix(look.faceTop, look.faceBottom, std::clamp(double(y - faceFirst) / faceSpan, 0.0, 1.0));
    }
    // Pixels whose centre lies this deep inside show the plain face: only the rim is worked out.
    const double deep = radius + ringInset + ringWidth + 0.5;
    const int rim = static_cast<int>(std::ceil(deep - 0.5));
    auto rimColour = [&](int x, int y) {
        double d = roundedRectDistance(x + 0.5, y + 0.5, w, h, radius);
        COLORREF colour = mix(background[y], look.border, coverage(d, 0));
        colour = mix(colour, face[y], coverage(d, border));
        if (look.focusRing)
            colour = mix(colour, skin.focus, 0.85 * (coverage(d, ringInset) - coverage(d, ringInset + ringWidth)));
        return colour;
    };
    for (int y = 0; y < h; ++y) {
        const bool rowInside = y >= rim && y < h - rim;
        for (int x = 0; x < w; ++x)
            canvas.set(x, y, rowInside && x >= rim && x < w - rim ? face[y] : rimColour(x, y));
    }
}

void drawCaption(HDC dc, HWND button, RECT area, const ButtonLook& look, UINT state, double scale) {
    std::wstring caption = wideWindowText(button);
    if (caption.empty()) return;
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0));
    SelectObjectScope selected(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    UINT format = DT_CENTER | DT_WORDBREAK | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
    RECT measured = area;
    int textHeight = DrawTextW(dc, caption.c_str(), -1, &measured, format | DT_CALCRECT);
    RECT target = area;
    target.top += std::max(0, (static_cast<int>(area.bottom - area.top) - textHeight) / 2);
    target.bottom = target.top + textHeight;
    if (look.pressed) OffsetRect(&target, 0, static_cast<int>(std::floor(scale + 0.5)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.text);
    DrawTextW(dc, caption.c_str(), -1, &target, format);
}

void drawButton(const Window& topLevel, const DRAWITEMSTRUCT& item, const ButtonState& state, const SkinData& skin) {
    const int w = item.rcItem.right - item.rcItem.left;
    const int h = item.rcItem.bottom - item.rcItem.top;
    if (w <= 0 || h <= 0) return;
    const HWND window = topLevel.hwnd();
    const double scale = topLevel.dpi() / 96.0;
    const ButtonLook look = lookOf(topLevel, item, state, skin);
    // Drawn off screen first, so that a button never flickers through its states.
    Canvas canvas(item.hDC, w, h);
    if (!canvas) return;
    POINT origin{0, 0};
    MapWindowPoints(item.hwndItem, window, &origin, 1);
    RECT client{};
    GetClientRect(window, &client);
    GdiFlush();
    paintButtonFace(canvas, look, skin, scale, origin.y, client.bottom);
    const int padding = static_cast<int>(std::lround(4 * scale));
    drawCaption(canvas.dc(), item.hwndItem, {padding, padding, w - padding, h - padding}, look, item.itemState, scale);
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, w, h, canvas.dc(), 0, 0, SRCCOPY);
}

bool isPushButton(HWND hwnd) {
    if (!hasClass(hwnd, WC_BUTTONW)) return false;
    LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// In front of a push button for its life: keeps it owner-drawn and remembers its state.
class SkinnedButton : public ControlFront {
public:
    const ButtonState& state() const { return state_; }

    // Keeps the button owner-drawn when someone restyles it, remembering whether it is the default one.
    WPARAM keepOwnerDrawn(WPARAM style) {
        UINT type = static_cast<UINT>(style) & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return style;
        state_.kind = type == BS_DEFPUSHBUTTON ? ButtonKind::Default : ButtonKind::Plain;
        return (style & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
    }

    LRESULT message(HWND button, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_MOUSEMOVE:
            setHot(button, true);
            break;
        case WM_MOUSELEAVE:
            setHot(button, false);
            break;
        case WM_LBUTTONDBLCLK:
            // An owner-drawn button reports a quick second click as a double click; a push button clicks twice.
            return callOriginal(button, WM_LBUTTONDOWN, wParam, lParam);
        case WM_GETDLGCODE:
            // Keyboard navigation treats it as the push button it was.
            return DLGC_BUTTON | (state_.kind == ButtonKind::Default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case BM_SETSTYLE: {
            LRESULT result = callOriginal(button, message, keepOwnerDrawn(wParam), lParam);
            InvalidateRect(button, nullptr, FALSE);
            return result;
        }
        }
        return callOriginal(button, message, wParam, lParam);
    }

private:
    void setHot(HWND button, bool hot) {
        if (hot == state_.hot) return;
        state_.hot = hot;
        if (hot) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button, 0};
            TrackMouseEvent(&track);
        }
        InvalidateRect(button, nullptr, FALSE);
    }

    ButtonState state_;
};

const SkinnedButton* skinnedButton(HWND hwnd) {
    return dynamic_cast<const SkinnedButton*>(frontOf(hwnd));
}

void drawPushButtonWithSkin(HWND button) {
    auto front = std::make_unique<SkinnedButton>();
    SkinnedButton& skinned = *front;
    if (!putInFront(button, std::move(front))) return;
    LONG style = GetWindowLongW(button, GWL_STYLE);
    SetWindowLongW(button, GWL_STYLE, static_cast<LONG>(skinned.keepOwnerDrawn(static_cast<WPARAM>(style))));
}

// ---- The skinned window ----

// In front of a skinned window's own handling, for the window's life.
class SkinnedWindow : public MessageFilter {
public:
    SkinnedWindow(const SkinData& skin, int clientHeight) : skin_(skin), paintedHeight_(clientHeight) {}
    const SkinData& skin() const { return skin_; }

    LRESULT message(Window& topLevel, UINT message, WPARAM wParam, LPARAM lParam) override {
        HWND window = topLevel.hwnd();
        switch (message) {
        case WM_ERASEBKGND:
            paintBackground(window, reinterpret_cast<HDC>(wParam), skin_);
            return 1;
        case WM_PRINTCLIENT:
            // Controls that draw their parent's background behind them ask for it this way.
            paintBackground(window, reinterpret_cast<HDC>(wParam), skin_);
            return 0;
        case WM_CTLCOLORSTATIC: {
            auto child = reinterpret_cast<HWND>(lParam);
            if (drawsOverBackground(topLevel, child))
                return drawOverBackground(window, reinterpret_cast<HDC>(wParam), child, skin_);
            break;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            const SkinnedButton* button = item.CtlType == ODT_BUTTON ? skinnedButton(item.hwndItem) : nullptr;
            if (!button) break;
            drawButton(topLevel, item, button->state(), skin_);
            return TRUE;
        }
        case WM_SIZE: {
            LRESULT result = topLevel.passOn(message, wParam, lParam);
            if (wParam != SIZE_MINIMIZED) repaintIfHeightChanged(window);
            return result;
        }
        }
        return topLevel.passOn(message, wParam, lParam);
    }

private:
    // The gradient depends on the client height: a window that grows or shrinks is painted afresh.
    void repaintIfHeightChanged(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        if (client.bottom == paintedHeight_) return;
        paintedHeight_ = client.bottom;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }

    const SkinData& skin_;
    int paintedHeight_;
};

}  // namespace

COLORREF skinBackgroundAt(const SkinData& skin, int y, int height) {
    if (height <= 1) return skin.clientTop;
    return mix(skin.clientTop, skin.clientBottom, std::clamp(double(y) / (height - 1), 0.0, 1.0));
}

const SkinData* skinOf(HWND window) {
    const Window* topLevel = Window::fromHandle(window);
    const auto* skinned = topLevel ? dynamic_cast<const SkinnedWindow*>(topLevel->messageFilter()) : nullptr;
    return skinned ? &skinned->skin() : nullptr;
}

void installSkin(HWND window, const SkinData& skin) {
    Window* topLevel = IsWindow(window) ? Window::fromHandle(window) : nullptr;
    if (!topLevel) return;
    RECT client{};
    GetClientRect(window, &client);
    topLevel->setMessageFilter(std::make_unique<SkinnedWindow>(skin, client.bottom));
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (isPushButton(child)) drawPushButtonWithSkin(child);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace vk
