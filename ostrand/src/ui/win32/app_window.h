// The application's own window: never seen itself, it carries the taskbar button
// captioned with the application title and owns the settings dialog.
#pragma once
#include <windows.h>

#include <functional>

namespace ostrand {

class AppWindow {
public:
    AppWindow(HINSTANCE instance, HICON icon);
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    HWND hwnd() const { return window_; }
    void set_main_window(HWND main) { main_ = main; }
    // Runs after the tool has been minimised (the handler FormShow installs).
    void set_minimize_handler(std::function<void()> handler) { on_minimize_ = std::move(handler); }
    // Runs when the taskbar button restores the tool; plain Restore when unset.
    void set_restore_handler(std::function<void()> handler) { on_restore_ = std::move(handler); }

    // Minimises the tool: the taskbar window goes to its button, the dialog hides.
    void Minimize();
    // Brings the taskbar window and the dialog back and activates them.
    void Restore();
    // Hides the taskbar button, or shows it again, minimised.
    void HideButton();
    void ShowButton();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    HWND window_ = nullptr;
    HWND main_ = nullptr;
    std::function<void()> on_minimize_;
    std::function<void()> on_restore_;
};

}  // namespace ostrand
