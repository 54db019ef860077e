// RtConfig: the animated notification-area icon that stands for the minimised tool.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>

namespace ostrand {

constexpr int kTrayFrameCount = 6;
constexpr UINT kTrayFrameMilliseconds = 300;

class TrayIcon {
public:
    struct Handlers {
        std::function<void()> double_click;
        std::function<void(UINT command)> menu_command;
        // A restarted taskbar took the icon again (true) or refused it (false).
        std::function<void(bool accepted)> shell_restarted;
    };

    // The frames and the menu stay owned by the caller and must outlive the icon.
    TrayIcon(HINSTANCE instance, const std::array<HICON, kTrayFrameCount>& frames,
             std::string tip, HMENU popup, Handlers handlers);
    // Removes the icon from the notification area. Never from inside one of the
    // handlers: a close they ask for is posted, and the icon goes after the loop.
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon (once) and runs the animation. False when the shell did not
    // take the icon; it is offered again when a taskbar announces itself.
    bool Activate();
    // Removes the icon and pauses the animation.
    void Deactivate();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    bool Notify(DWORD action);
    void Animate(bool run);
    void OfferAgain();
    void ShowMenu();
    void NextFrame();

    HWND window_ = nullptr;
    std::array<HICON, kTrayFrameCount> frames_;
    std::string tip_;
    HMENU popup_;
    Handlers handlers_;
    UINT taskbar_created_ = 0;  // broadcast by a taskbar that has (re)started
    int frame_ = 0;
    bool wanted_ = false;     // the tool is in the tray, between Activate and Deactivate
    bool held_ = false;       // the shell holds the icon
    bool animating_ = false;  // the frame timer runs; only while the shell holds the icon
};

}  // namespace ostrand
