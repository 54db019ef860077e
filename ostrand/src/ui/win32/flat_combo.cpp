#include "flat_combo.h"

#include "gdi_handles.h"

namespace ostrand {
namespace {

constexpr char kBoxProcProperty[] = "OstrandComboProc";

void SubtractWindow(HRGN area, HWND combo, HWND part) {
    if (!part) return;
    RECT r;
    GetWindowRect(part, &r);
    MapWindowPoints(nullptr, combo, reinterpret_cast<POINT*>(&r), 2);
    const RegionHandle cut(CreateRectRgnIndirect(&r));
    CombineRgn(area, area, cut.get(), RGN_DIFF);
}

void PaintFlatEdge(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(combo, &info)) return;
    const WindowDc dc(combo);
    RECT r;
    GetClientRect(combo, &r);
    FrameRect(dc.get(), &r, GetSysColorBrush(COLOR_WINDOWFRAME));

    // Between the line and the edit field and button, the field's background.
    const auto inside = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(combo), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(combo)));
    InflateRect(&r, -1, -1);
    const RegionHandle area(CreateRectRgnIndirect(&r));
    SubtractWindow(area.get(), combo, info.hwndItem);
    const RegionHandle button(CreateRectRgnIndirect(&info.rcButton));
    CombineRgn(area.get(), area.get(), button.get(), RGN_DIFF);
    if (inside) FillRgn(dc.get(), area.get(), inside);

    const UINT pushed = (info.stateButton & STATE_SYSTEM_PRESSED) ? DFCS_PUSHED : 0;
    DrawFrameControl(dc.get(), &info.rcButton, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_FLAT | pushed);
}

LRESULT CALLBACK FlatComboProc(HWND combo, UINT msg, WPARAM wp, LPARAM lp) {
    const auto box_proc = reinterpret_cast<WNDPROC>(GetPropA(combo, kBoxProcProperty));
    if (!box_proc) return DefWindowProcA(combo, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(box_proc));
        RemovePropA(combo, kBoxProcProperty);
        return CallWindowProcA(box_proc, combo, msg, wp, lp);
    }
    const LRESULT result = CallWindowProcA(box_proc, combo, msg, wp, lp);
    if (msg == WM_PAINT) PaintFlatEdge(combo);
    return result;
}

}  // namespace

void MakeComboFlat(HWND combo) {
    if (!combo || GetPropA(combo, kBoxProcProperty)) return;
    const LONG_PTR box_proc = GetWindowLongPtrA(combo, GWLP_WNDPROC);
    SetPropA(combo, kBoxProcProperty, reinterpret_cast<HANDLE>(box_proc));
    SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FlatComboProc));
    InvalidateRect(combo, nullptr, TRUE);
}

}  // namespace ostrand
