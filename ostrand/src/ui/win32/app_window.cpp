#include "app_window.h"

#include "gbk_texts.h"
#include "routed_window.h"

namespace ostrand {
namespace {

constexpr char kAppWindowClass[] = "OstrandApplication";

}  // namespace

AppWindow::AppWindow(HINSTANCE instance, HICON icon) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.lpszClassName = kAppWindowClass;
    RegisterClassA(&wc);
    // A zero-sized visible window in the middle of the screen: only its taskbar
    // button is ever seen.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    window_ = CreateWindowExA(0, kAppWindowClass, texts::kApplicationTitle,
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, instance, this);
    if (window_) {
        SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
}

AppWindow::~AppWindow() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void AppWindow::Minimize() {
    if (!IsIconic(window_)) ShowWindow(window_, SW_MINIMIZE);
    if (main_) ShowWindow(main_, SW_HIDE);
    if (on_minimize_) on_minimize_();
}

void AppWindow::Restore() {
    if (IsIconic(window_) || !IsWindowVisible(window_)) ShowWindow(window_, SW_RESTORE);
    if (main_) {
        ShowWindow(main_, SW_SHOW);
        SetForegroundWindow(main_);
        SetActiveWindow(main_);
    }
}

void AppWindow::HideButton() { ShowWindow(window_, SW_HIDE); }

void AppWindow::ShowButton() { ShowWindow(window_, SW_SHOWMINNOACTIVE); }

LRESULT AppWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SYSCOMMAND:
            switch (wp & 0xFFF0) {
                case SC_MINIMIZE:
                    Minimize();
                    return 0;
                case SC_RESTORE:
                    if (on_restore_) {
                        on_restore_();
                    } else {
                        Restore();
                    }
                    return 0;
                case SC_CLOSE:
                    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
                    return 0;
            }
            break;
        case WM_ACTIVATE:
            // Activation through the taskbar button belongs to the dialog.
            if (LOWORD(wp) != WA_INACTIVE && main_ && IsWindowVisible(main_)) {
                SetActiveWindow(main_);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
            return 0;
    }
    return DefWindowProcA(window_, msg, wp, lp);
}

LRESULT CALLBACK AppWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return RouteMessage(hwnd, msg, wp, lp, &AppWindow::window_, &AppWindow::Handle);
}

}  // namespace ostrand
