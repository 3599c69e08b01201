#include "skin/skin_label.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "platform/control_front.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "skin/skin_painter.h"

namespace vk {
namespace {

// The parent paints what lies behind the label, so the label shows the skin's background.
void paintParentBackground(HWND label, HDC dc) {
    HWND parent = GetParent(label);
    if (!parent) return;
    POINT origin{0, 0};
    MapWindowPoints(label, parent, &origin, 1);
    POINT previous{};
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

COLORREF captionColour(HWND label) {
    const SkinData* skin = skinOf(GetParent(label));
    return skin ? skin->labelText : GetSysColor(COLOR_BTNTEXT);
}

// Word-wrapped, in the label's font, centred where the label asks for it; CR LF starts a new line.
void paintCaption(HWND label, HDC dc) {
    std::wstring caption = wideWindowText(label);
    if (caption.empty()) return;
    RECT client{};
    GetClientRect(label, &client);
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
    SelectObjectScope selected(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    int previousMode = SetBkMode(dc, TRANSPARENT);
    COLORREF previousColour = SetTextColor(dc, captionColour(label));
    const UINT alignment = (GetWindowLongW(label, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER ? DT_CENTER : DT_LEFT;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
              alignment | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
}

// A sibling below the label that does not clip its siblings draws over them (a box the label
// reaches into): the label leaves that part to it.
void leaveOutSiblingsDrawnOver(HWND label, HDC dc) {
    RECT own{};
    GetWindowRect(label, &own);
    for (HWND sibling = GetWindow(label, GW_HWNDNEXT); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(sibling, GWL_STYLE);
        RECT place{}, overlap{};
        if (!(style & WS_VISIBLE) || (style & WS_CLIPSIBLINGS) || !GetWindowRect(sibling, &place) ||
            !IntersectRect(&overlap, &own, &place))
            continue;
        MapWindowPoints(HWND_DESKTOP, label, reinterpret_cast<POINT*>(&overlap), 2);
        ExcludeClipRect(dc, overlap.left, overlap.top, overlap.right, overlap.bottom);
    }
}

void paintLabel(HWND label, HDC dc) {
    int saved = SaveDC(dc);  // a DC handed in to print on keeps its own clipping
    leaveOutSiblingsDrawnOver(label, dc);
    paintParentBackground(label, dc);
    paintCaption(label, dc);
    RestoreDC(dc, saved);
}

// In front of a skinned label for its life: the label paints itself over its parent's background.
class SkinLabelFront : public ControlFront {
public:
    LRESULT message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_UPDATEUISTATE: {
            // The static control would paint its own look at once; keep the state, paint ours later.
            LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return result;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (dc) paintLabel(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paintLabel(hwnd, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        }
        return callOriginal(hwnd, message, wParam, lParam);
    }
};

}  // namespace

void makeSkinLabel(HWND label) {
    SetWindowLongW(label, GWL_STYLE, GetWindowLongW(label, GWL_STYLE) | SS_NOPREFIX);
    putInFront(label, std::make_unique<SkinLabelFront>());
}

Control& createSkinLabel(Window& window, int id, const std::string& caption, int left, int top, int width, int height,
                         bool visible) {
    Control& label = window.createControl(ControlKind::SkinLabel, id, kSkinLabelClass,
                                          (visible ? WS_VISIBLE : 0) | WS_CLIPSIBLINGS, 0, caption, left, top, width,
                                          height);
    makeSkinLabel(label.hwnd());
    return label;
}

}  // namespace vk
