#include "owner_drawn.h"

#include <string>

namespace ostrand {
namespace {

constexpr int kGlyphSize = 16;
constexpr int kGlyphGap = 4;  // between glyph and caption

}  // namespace

void DrawGlyphButton(const DRAWITEMSTRUCT& item, HICON glyph, HFONT font) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    char caption[64] = {};
    GetWindowTextA(item.hwndItem, caption, sizeof caption);
    HGDIOBJ old_font = SelectObject(dc, font);
    SIZE text{};
    GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &text);
    const int shift = pushed ? 1 : 0;
    const int content = kGlyphSize + kGlyphGap + text.cx;
    const int left = r.left + (r.right - r.left - content) / 2 + shift;
    const int middle = (r.top + r.bottom) / 2 + shift;
    DrawIconEx(dc, left, middle - kGlyphSize / 2, glyph, kGlyphSize, kGlyphSize, 0, nullptr,
               DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    TextOutA(dc, left + kGlyphSize + kGlyphGap, middle - text.cy / 2, caption, lstrlenA(caption));
    SelectObject(dc, old_font);

    if (item.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
}

void DrawPanel(const DRAWITEMSTRUCT& item) {
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&r, -1, -1);
    DrawEdge(item.hDC, &r, BDR_RAISEDINNER, BF_RECT);
}

bool IsPushButton(HWND control) {
    char cls[16] = {};
    if (!control || !GetClassNameA(control, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0)
        return false;
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

}  // namespace ostrand
