#include "dialog_layout.h"

#include <commctrl.h>

#include "resource.h"

namespace ostrand {
namespace {

struct Placement {
    int id;
    int left, top, width, height;
};

// Relative to the dialog's client area.
constexpr Placement kFramePlacements[] = {
    {IDC_PAGE, 18, 8, 256, 188},
    {IDC_BTN_TEST, 18, 206, 80, 25},
    {IDC_BTN_OK, 105, 206, 80, 25},
    {IDC_BTN_CLOSE, 193, 206, 80, 25},
};

// Relative to the inside of Panel1, which fills the page.
constexpr Placement kPanelPlacements[] = {
    {IDC_LABEL1, 20, 22, 70, 14},        {IDC_EDT_DEPT, 89, 21, 121, 20},
    {IDC_LABEL2, 20, 54, 70, 14},        {IDC_EDT_DATABASE, 89, 53, 121, 20},
    {IDC_LABEL3, 19, 89, 70, 14},        {IDC_CBB_SERVER, 89, 85, 122, 20},
    {IDC_LABEL4, 20, 121, 70, 14},       {IDC_EDT_PASSWORD, 89, 117, 121, 20},
};

constexpr int kServerListItemHeight = 12;
constexpr int kServerListVisibleItems = 8;
constexpr int kPanelBorder = 1;  // single-line border

void Place(HWND dialog, const Placement& p, int dx, int dy) {
    SetWindowPos(GetDlgItem(dialog, p.id), nullptr, p.left + dx, p.top + dy, p.width, p.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The drop-down box's window height covers its list too; its closed height follows
// the height of the selection field, which is adjusted to reach the wanted height.
void PlaceServerBox(HWND dialog, const Placement& p, int dx, int dy) {
    HWND box = GetDlgItem(dialog, p.id);
    SendMessageA(box, CB_SETITEMHEIGHT, 0, kServerListItemHeight);
    const int list_height = kServerListItemHeight * kServerListVisibleItems + 2;
    SetWindowPos(box, nullptr, p.left + dx, p.top + dy, p.width, p.height + list_height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // Some list boxes report the field height with their padding, so the request is
    // corrected by what is still missing rather than set from what they report.
    LRESULT requested = SendMessageA(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3 && requested != CB_ERR; ++attempt) {
        RECT r;
        GetWindowRect(box, &r);
        const int missing = p.height - (r.bottom - r.top);
        if (missing == 0) break;
        requested += missing;
        SendMessageA(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), requested);
    }
}

// The page control paints only its tab and frame; Panel1 paints the page. Without the
// cut-out the page control, which comes before the fields in tab order and so above
// them, would paint over them.
void PlacePanel(HWND dialog, RECT* page_in_client) {
    HWND page = GetDlgItem(dialog, IDC_PAGE);
    RECT display{0, 0, kFramePlacements[0].width, kFramePlacements[0].height};
    TabCtrl_AdjustRect(page, FALSE, &display);
    HRGN outline = CreateRectRgn(0, 0, kFramePlacements[0].width, kFramePlacements[0].height);
    HRGN inside = CreateRectRgn(display.left, display.top, display.right, display.bottom);
    CombineRgn(outline, outline, inside, RGN_DIFF);
    DeleteObject(inside);
    SetWindowRgn(page, outline, FALSE);  // the window owns the region from here on

    *page_in_client = display;
    OffsetRect(page_in_client, kFramePlacements[0].left, kFramePlacements[0].top);
    SetWindowPos(GetDlgItem(dialog, IDC_PANEL), nullptr, page_in_client->left,
                 page_in_client->top, display.right - display.left,
                 display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeAndCentre(HWND dialog) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame may differ from what AdjustWindowRectEx predicts; measure and correct.
    RECT client;
    GetClientRect(dialog, &client);
    const int dw = kClientWidth - client.right;
    const int dh = kClientHeight - client.bottom;
    if (dw != 0 || dh != 0) {
        SetWindowPos(dialog, nullptr, x - dw / 2, y - dh / 2, width + dw, height + dh,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

void ApplyLayout(HWND dialog) {
    SizeAndCentre(dialog);
    for (const auto& p : kFramePlacements) Place(dialog, p, 0, 0);
    RECT page;
    PlacePanel(dialog, &page);
    const int dx = page.left + kPanelBorder;
    const int dy = page.top + kPanelBorder;
    for (const auto& p : kPanelPlacements) {
        if (p.id == IDC_CBB_SERVER) {
            PlaceServerBox(dialog, p, dx, dy);
        } else {
            Place(dialog, p, dx, dy);
        }
    }
}

}  // namespace ostrand
