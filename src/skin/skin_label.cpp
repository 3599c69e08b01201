#include "skin/skin_label.h"

#include <string>

#include "platform/handles.h"
#include "platform/text.h"
#include "skin/skin_painter.h"

namespace vk {
namespace {

constexpr int kFontSlot = 0;  // window extra bytes: the label's font

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

// Word-wrapped, in the label's font; CR LF starts a new line.
void paintCaption(HWND label, HDC dc) {
    std::wstring caption = wideWindowText(label);
    if (caption.empty()) return;
    RECT client{};
    GetClientRect(label, &client);
    auto font = reinterpret_cast<HGDIOBJ>(GetWindowLongPtrW(label, kFontSlot));
    SelectObjectScope selected(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    int previousMode = SetBkMode(dc, TRANSPARENT);
    COLORREF previousColour = SetTextColor(dc, captionColour(label));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
              DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
}

void paintLabel(HWND label, HDC dc) {
    paintParentBackground(label, dc);
    paintCaption(label, dc);
}

LRESULT labelMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFONT:
        SetWindowLongPtrW(hwnd, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrW(hwnd, kFontSlot);
    case WM_SETTEXT: {
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
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK skinLabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return labelMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        // Nothing may leave a window procedure.
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void registerSkinLabelClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kSkinLabelClass, &wc)) return;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = skinLabelProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = kSkinLabelClass;
    RegisterClassExW(&wc);
}

}  // namespace vk
