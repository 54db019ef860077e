#include "tray_icon.h"

#include <shellapi.h>

#include "routed_window.h"
#include "tray_protocol.h"
#include "tray_tip.h"

namespace ostrand {
namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr char kTaskbarCreatedMessage[] = "TaskbarCreated";

// The original notification record, up to its 64-byte tip: 88 bytes on i686; on
// x86_64 the window and icon handles are 8 bytes wide and aligned, which gives 104.
#if defined(__i386__) || defined(_M_IX86)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "notification record of the first shell version");
#else
static_assert(NOTIFYICONDATAA_V1_SIZE == 104, "notification record of the first shell version, 64-bit");
#endif
constexpr UINT kRecordFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

void RegisterTrayClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = kTrayWindowClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
}

}  // namespace

TrayIcon::TrayIcon(HINSTANCE instance, const std::array<HICON, kTrayFrameCount>& frames,
                   std::string tip, HMENU popup, Handlers handlers)
    : frames_(frames), tip_(std::move(tip)), popup_(popup), handlers_(std::move(handlers)) {
    RegisterTrayClass(instance, WindowProc);
    taskbar_created_ = RegisterWindowMessageA(kTaskbarCreatedMessage);
    window_ = CreateWindowExA(0, kTrayWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, this);
}

TrayIcon::~TrayIcon() {
    Deactivate();
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool TrayIcon::Activate() {
    if (held_) return true;
    if (!window_) return false;
    wanted_ = true;
    held_ = Notify(NIM_ADD);
    // Frames only for a shell that holds the icon; a taskbar that starts late gets
    // the icon, and with it the frames, when it announces itself (OfferAgain).
    Animate(held_);
    return held_;
}

void TrayIcon::Deactivate() {
    wanted_ = false;
    Animate(false);
    if (held_) Notify(NIM_DELETE);
    held_ = false;
}

void TrayIcon::Animate(bool run) {
    if (!window_ || run == animating_) return;
    if (run) {
        animating_ = SetTimer(window_, kFrameTimer, kTrayFrameMilliseconds, nullptr) != 0;
    } else {
        KillTimer(window_, kFrameTimer);
        animating_ = false;
    }
}

// A restarted taskbar knows no icons. The animation resumes at the frame it paused
// on. A taskbar that announces itself without having lost the icon refuses the add
// as a duplicate but still takes the change.
void TrayIcon::OfferAgain() {
    if (!wanted_) return;
    held_ = Notify(NIM_ADD) || Notify(NIM_MODIFY);
    Animate(held_);
    if (handlers_.shell_restarted) handlers_.shell_restarted(held_);
}

bool TrayIcon::Notify(DWORD action) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window_;
    data.uID = kTrayIconId;
    data.uFlags = kRecordFlags;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = frames_[static_cast<std::size_t>(frame_)];
    const std::string tip = CutGbk(tip_, kTrayTipMaxBytes);
    lstrcpynA(data.szTip, tip.c_str(), static_cast<int>(kTrayTipMaxBytes) + 1);
    return Shell_NotifyIconA(action, &data) != FALSE;
}

void TrayIcon::NextFrame() {
    frame_ = (frame_ + 1) % kTrayFrameCount;
    Notify(NIM_MODIFY);
}

void TrayIcon::ShowMenu() {
    SetForegroundWindow(window_);
    // Let what is queued run first, so the menu opens over a settled desktop.
    MSG pending;
    while (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) {
        if (pending.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(pending.wParam));
            return;
        }
        TranslateMessage(&pending);
        DispatchMessageA(&pending);
    }
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(popup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    SetForegroundWindow(window_);
}

LRESULT TrayIcon::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == taskbar_created_ && taskbar_created_ != 0) {
        OfferAgain();
        return 0;
    }
    switch (msg) {
        case kTrayCallbackMessage:
            if (static_cast<UINT>(lp) == WM_RBUTTONUP) {
                ShowMenu();
            } else if (static_cast<UINT>(lp) == WM_LBUTTONDBLCLK && handlers_.double_click) {
                handlers_.double_click();
            }
            return 0;
        case WM_TIMER:
            if (wp == kFrameTimer) NextFrame();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wp) == 0 && handlers_.menu_command) handlers_.menu_command(LOWORD(wp));
            return 0;
        default:
            return DefWindowProcA(window_, msg, wp, lp);
    }
}

LRESULT CALLBACK TrayIcon::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return RouteMessage(hwnd, msg, wp, lp, &TrayIcon::window_, &TrayIcon::Handle);
}

}  // namespace ostrand
