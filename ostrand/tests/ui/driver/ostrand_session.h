// One run of ostrand.exe, worked from outside through its windows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ostrand_ui {

struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    LPCWSTR icon = nullptr;  // IDI_* or nullptr
    bool has_ok = false;
    bool has_cancel = false;
};

class OstrandSession {
public:
    OstrandSession();  // starts the tool
    ~OstrandSession();  // ends it if it still runs
    OstrandSession(const OstrandSession&) = delete;
    OstrandSession& operator=(const OstrandSession&) = delete;

    // The dialog, once visible (waits); nullptr on time-out.
    HWND WaitForDialog(DWORD timeout_ms = 30000);
    HWND dialog() const { return dialog_; }
    HWND control(int id) const { return GetDlgItem(dialog_, id); }
    // The application's taskbar window (class OstrandApplication).
    HWND AppWindow() const;
    // The tray icon's hidden window.
    HWND TrayWindow() const;

    // A message box of the tool (waits); its window is nullptr on time-out.
    MessageBoxSeen WaitForMessageBox(DWORD timeout_ms = 15000);
    // Presses a message box button and waits until the box is gone.
    void Answer(const MessageBoxSeen& box, int button = IDOK);
    // A popup menu window of the tool (waits).
    HWND WaitForMenu(DWORD timeout_ms = 5000);

    // The control that has the keyboard focus, a combo box for its edit field.
    HWND Focused() const;
    // Waits until the given control has the focus.
    bool WaitForFocus(HWND control, DWORD timeout_ms = 5000) const;

    void Type(int id, const std::wstring& text);
    // Replaces the field's text as a paste does, within the field's length limit.
    void Paste(int id, const std::wstring& text);
    std::wstring Text(int id) const;
    void Click(int id);  // posted, so a modal box it opens does not block the driver
    void PostKey(HWND target, UINT vk);

    // Waits until the tool has ended; its exit code, or -1 on time-out.
    int WaitForExit(DWORD timeout_ms = 10000);
    bool Running() const;
    // Lets the tool handle what has been posted to it.
    void Settle(DWORD ms = 300) const;

    DWORD process_id() const { return pi_.dwProcessId; }

private:
    HWND FindOwnWindow(const wchar_t* cls, bool visible_only) const;

    PROCESS_INFORMATION pi_{};
    HWND dialog_ = nullptr;
};

std::wstring WindowText(HWND window);

// Polls until the condition holds; false on time-out.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeout_ms = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace ostrand_ui
