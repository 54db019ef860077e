// The hidden top-level window that receives WM_DEVICECHANGE for line box interfaces.
#include <windows.h>
#include <dbt.h>

#include <cstring>
#include <new>

#include "../../src/linebox_ioctl.h"
#include "../../src/port.h"
#include "record_sizes.h"

namespace vornix::port {

namespace {
constexpr char kClassName[] = "VornixNotifyWindowClass";
constexpr char kWindowTitle[] = "Vornix_Notify_Window";

struct NotifyWindow {
    HWND hwnd = nullptr;
    DeviceChangeHandler handler = nullptr;
};

// The window being created: WM_CREATE-time messages arrive before SetWindowLongPtr.
LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_DEVICECHANGE) return DefWindowProcA(hwnd, msg, wparam, lparam);
    const LRESULT result = DefWindowProcA(hwnd, msg, wparam, lparam);
    auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && self->handler)
        self->handler(static_cast<uint32_t>(wparam), reinterpret_cast<const void*>(lparam));
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

HINSTANCE this_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&window_proc), &module);
    return module;
}
}  // namespace

void* create_notify_window(DeviceChangeHandler handler) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(&filter.dbcc_classguid, &kLineBoxInterfaceGuid, sizeof filter.dbcc_classguid);

    auto* w = new (std::nothrow) NotifyWindow;
    if (!w) return nullptr;
    HINSTANCE instance = this_module();
    if (register_class(instance)) {
        w->hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    }
    if (w->hwnd) {
        SetWindowLongPtrA(w->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        w->handler = handler;
        // The registration lasts as long as the window; its handle is not kept.
        RegisterDeviceNotificationA(w->hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    return w;
}

void destroy_notify_window(void* window) {
    auto* w = static_cast<NotifyWindow*>(window);
    if (!w) return;
    if (w->hwnd && IsWindow(w->hwnd)) DestroyWindow(w->hwnd);
    delete w;
}

}  // namespace vornix::port
