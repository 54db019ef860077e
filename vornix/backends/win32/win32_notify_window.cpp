// The hidden top-level window that receives WM_DEVICECHANGE for line box interfaces.
//
// A window belongs to the thread that created it, and only that thread may destroy it.
// The host may open the library on one thread and close it on another; a window the
// closing thread cannot destroy is cut loose instead: it gets the default window
// procedure (so it never again reaches the library's memory or code), its
// registration is ended, and it is asked to close, which its own thread does the next
// time it takes messages.
#include <windows.h>
#include <dbt.h>

#include <cstring>
#include <new>

#include "../../src/system_port.h"
#include "win32_handles.h"
#include "win32_hotplug.h"
#include "win32_notify_window.h"

namespace vornix::port {

namespace {
constexpr char kClassName[] = "VornixNotifyWindowClass";
constexpr char kWindowTitle[] = "Vornix_Notify_Window";

struct NotifyWindow {
    HWND hwnd = nullptr;
    HDEVNOTIFY registration = nullptr;
    HotplugHandler handler = nullptr;
};

// The window of the open library, if any: what an unload must take down.
NotifyWindow* g_current = nullptr;

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_DEVICECHANGE) return DefWindowProcA(hwnd, msg, wparam, lparam);
    const LRESULT result = DefWindowProcA(hwnd, msg, wparam, lparam);
    // Null until creation is complete (WM_CREATE-time messages arrive first).
    auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    HotplugEvent event;
    if (self && self->handler && win32::decode_device_change(wparam, lparam, &event)) self->handler(event);
    return result;
}

bool register_class(HINSTANCE instance) {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    if (GetClassInfoA(instance, kClassName, &wc)) return true;
    wc.style = 0;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

bool owned_by_this_thread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

// Another thread's window: harmless from now on, and gone once its thread takes messages.
void cut_loose(NotifyWindow* w, bool end_registration) {
    SetWindowLongPtrA(w->hwnd, GWLP_USERDATA, 0);
    SetWindowLongPtrA(w->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    if (end_registration && w->registration) UnregisterDeviceNotification(w->registration);
    PostMessageA(w->hwnd, WM_CLOSE, 0, 0);
}

void take_down(NotifyWindow* w, bool end_registration) {
    if (w->hwnd && IsWindow(w->hwnd)) {
        KillTimer(w->hwnd, win32::kNotifyWindowTimer);
        if (owned_by_this_thread(w->hwnd)) {
            // Destroying the window ends its registration too.
            if (end_registration && w->registration) UnregisterDeviceNotification(w->registration);
            SetWindowLongPtrA(w->hwnd, GWLP_USERDATA, 0);
            DestroyWindow(w->hwnd);
        } else {
            cut_loose(w, end_registration);
        }
    }
    if (g_current == w) g_current = nullptr;
    delete w;
}
}  // namespace

void* create_notify_window(HotplugHandler handler) {
    win32::KeepLastError keep;
    DEV_BROADCAST_DEVICEINTERFACE_A filter = win32::line_box_filter();

    auto* w = new (std::nothrow) NotifyWindow;
    if (!w) return nullptr;
    HINSTANCE instance = win32::this_module();
    if (register_class(instance)) {
        w->hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    }
    if (w->hwnd) {
        w->handler = handler;
        SetWindowLongPtrA(w->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        // The registration lasts as long as the window.
        w->registration = RegisterDeviceNotificationA(w->hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    g_current = w;
    return w;
}

void destroy_notify_window(void* window) {
    win32::KeepLastError keep;
    if (window) take_down(static_cast<NotifyWindow*>(window), true);
}

}  // namespace vornix::port

namespace vornix::win32 {

HWND notify_window_handle() { return port::g_current ? port::g_current->hwnd : nullptr; }

HINSTANCE this_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&port::window_proc), &module);
    return module;
}

void take_down_notify_window_at_unload() {
    // Under the loader lock: no waiting on other threads and no call that may load a
    // library. Destroying our own window sends only to this thread's window procedure,
    // which is still mapped, and ends the registration with it; another thread's window
    // gets the default procedure, so its notifications reach nothing of ours.
    if (port::g_current) port::take_down(port::g_current, false);
    UnregisterClassA(port::kClassName, this_module());
}

}  // namespace vornix::win32
