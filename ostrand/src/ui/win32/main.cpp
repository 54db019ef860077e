// Program entry of the settings tool: COM for the user-interface thread, the
// application's taskbar window, the settings dialog as the main window.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app_window.h"
#include "resource.h"
#include "settings_dialog.h"
#include "unhandled_error.h"

namespace {

class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

int RunMessageLoop(ostrand::SettingsDialog& dialog) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (dialog.PreviewKey(msg)) continue;
        if (dialog.hwnd() && IsDialogMessageA(dialog.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int RunTool(HINSTANCE instance) {
    ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HICON app_icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    ostrand::AppWindow app(instance, app_icon);
    int exit_code = 1;
    {
        ostrand::SettingsDialog dialog(instance, app);
        if (!dialog.Create()) return exit_code;
        dialog.Show();
        exit_code = RunMessageLoop(dialog);
    }
    return exit_code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return RunTool(instance);
    } catch (...) {
        ostrand::ReportUnhandledError();
        return 1;
    }
}
