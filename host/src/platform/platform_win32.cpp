#include <windows.h>

#include <atomic>
#include <cstdio>
#include <io.h>
#include <string>

#include "platform/host_clock.h"
#include "platform/platform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace host::platform {

namespace {
std::atomic<bool> g_stop{false};
std::atomic<bool> g_finished{false};
constexpr DWORD kCloseWaitMs = 4500;  // Windows ends the process about 5 s after a close event
constexpr DWORD kCloseWaitStepMs = 50;

// Set with the stop: ends the loop's sleep at once.
struct WakeEvent {
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~WakeEvent() {
        if (handle) CloseHandle(handle);
    }
};
HANDLE wake_event() {
    static WakeEvent wake;
    return wake.handle;
}

BOOL WINAPI on_console_event(DWORD event) {
    request_stop();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The process ends when this returns: give the main loop time to finish the files.
        for (DWORD waited = 0; !g_finished && waited < kCloseWaitMs; waited += kCloseWaitStepMs)
            Sleep(kCloseWaitStepMs);
    }
    return TRUE;
}
}  // namespace

void install_stop_handler() {
    wake_event();
    SetConsoleCtrlHandler(on_console_event, TRUE);
}
bool stop_requested() { return g_stop; }
void request_stop() {
    g_stop = true;
    if (HANDLE wake = wake_event()) SetEvent(wake);
}
void mark_finished() { g_finished = true; }

void pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void sleep_ms(int ms) {
    if (ms <= 0 || stop_requested()) return;
    HANDLE wake = wake_event();
    if (!wake) {
        Sleep(static_cast<DWORD>(ms));
        return;
    }
    // A message sent to one of the thread's windows (the session's end) wakes it too.
    MsgWaitForMultipleObjects(1, &wake, FALSE, static_cast<DWORD>(ms), QS_SENDMESSAGE);
}

int64_t monotonic_ms() {
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return counter_ms(now.QuadPart, freq.QuadPart);
}

bool stdout_is_live_terminal() {
    if (!_isatty(_fileno(stdout))) return false;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) return false;
    // The status lines are redrawn with cursor-movement sequences.
    return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool sync_file(std::FILE* f) {
    if (std::fflush(f) != 0) return false;
    return _commit(_fileno(f)) == 0;
}

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + "\\" + kFolderLockName;
    // No sharing: a second open fails for as long as this handle lives.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = reinterpret_cast<intptr_t>(h);
    } else {
        busy_ = GetLastError() == ERROR_SHARING_VIOLATION;
    }
}

FolderLock::~FolderLock() {
    if (held()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::filesystem::path fs_path(const std::string& path) {
    const int size = static_cast<int>(path.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.data(), size, &wide[0], n);
    return wide;
}

std::string path_text(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &text[0], n, nullptr, nullptr);
    return text;
}

bool free_bytes(const std::string& folder, uint64_t* bytes) {
    // In UTF-16: a GBK name can end in a byte that reads as a backslash.
    std::wstring dir = fs_path(folder.empty() ? "." : folder).native();
    if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';  // a share's root needs it
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(dir.c_str(), &available, nullptr, nullptr)) return false;
    *bytes = available.QuadPart;
    return true;
}

ConsoleSelectionOff::ConsoleSelectionOff() {
    // The console's own input, also when stdin is redirected.
    HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    // The quick-edit bit is taken only together with ENABLE_EXTENDED_FLAGS.
    if (!GetConsoleMode(in, &mode) || !SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) & ~ENABLE_QUICK_EDIT_MODE)) {
        CloseHandle(in);
        return;
    }
    console_ = reinterpret_cast<intptr_t>(in);
    saved_mode_ = mode;
}

ConsoleSelectionOff::~ConsoleSelectionOff() {
    if (console_ == -1) return;
    HANDLE in = reinterpret_cast<HANDLE>(console_);
    SetConsoleMode(in, saved_mode_ | ENABLE_EXTENDED_FLAGS);
    CloseHandle(in);
}

namespace {
// Shown by the system for as long as the host holds the session's end up.
constexpr wchar_t kSessionEndReason[] = L"vornix_host is finishing the call recordings and the call log";

// Since Windows Vista: looked up, so that the host still starts on older systems.
template <typename F>
F user32_function(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

LRESULT CALLBACK session_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            if (auto create = user32_function<BOOL(WINAPI*)(HWND, LPCWSTR)>("ShutdownBlockReasonCreate"))
                create(window, kSessionEndReason);
            return TRUE;
        case WM_ENDSESSION: {
            // The process may be ended as soon as this returns: everything is finished first.
            // Without the end (another program refused it) the calls go on being recorded.
            auto* finish = reinterpret_cast<std::function<void()>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (wparam) {
                request_stop();
                if (finish && *finish) (*finish)();
            }
            if (auto destroy = user32_function<BOOL(WINAPI*)(HWND)>("ShutdownBlockReasonDestroy")) destroy(window);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}
}  // namespace

SessionEndWatch::SessionEndWatch(std::function<void()> finish) : finish_(std::move(finish)) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = session_window_proc;
    window_class.hInstance = instance;
    window_class.lpszClassName = kWindowClass;
    RegisterClassA(&window_class);
    // Top level and never shown: message-only windows are not told of the session's end.
    HWND window = CreateWindowExA(0, kWindowClass, "vornix_host", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&finish_));
    window_ = reinterpret_cast<intptr_t>(window);
}

SessionEndWatch::~SessionEndWatch() {
    if (window_) DestroyWindow(reinterpret_cast<HWND>(window_));
    UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
}

}  // namespace host::platform
