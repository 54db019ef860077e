// A notification area of the driver's own. It takes the taskbar's window class, so
// while it lives every Shell_NotifyIcon call in the prefix reaches it rather than
// the desktop's: it plays a shell that has just started. It keeps icons as a shell
// does, or refuses every new one, and records what the tool asked of it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ostrand_ui {

class FakeShell {
public:
    enum class Answer { Accept, Refuse };

    struct Request {
        DWORD action = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
        HWND window = nullptr;
        UINT id = 0;
        std::wstring tip;
        std::uint32_t image = 0;  // fingerprint of the icon's pixels
        DWORD tick = 0;           // GetTickCount() on arrival
        bool granted = false;
    };

    explicit FakeShell(Answer answer);
    ~FakeShell();
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    // Whether notification calls now reach this shell first.
    bool Installed() const;
    void set_answer(Answer answer);
    // What the tool asked; the driver's own presence probes are left out.
    std::vector<Request> Requests() const;
    bool Holds(HWND window, UINT id) const;

private:
    static DWORD WINAPI Run(LPVOID self);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    BOOL Take(DWORD action, const COPYDATASTRUCT& data);

    mutable CRITICAL_SECTION lock_;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    HWND window_ = nullptr;
    Answer answer_;
    std::vector<Request> requests_;
    std::vector<std::pair<HWND, UINT>> icons_;
};

// Every top-level window hears that a taskbar has (re)started, as the shell tells it.
void AnnounceNewTaskbar();

}  // namespace ostrand_ui
