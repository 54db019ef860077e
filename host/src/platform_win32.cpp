#include <windows.h>

#include <atomic>
#include <cstdio>
#include <io.h>
#include <string>

#include "host_clock.h"
#include "platform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace host::platform {

namespace {
std::atomic<bool> g_stop{false};
std::atomic<bool> g_finished{false};
constexpr DWORD kCloseWaitMs = 4500;  // Windows ends the process about 5 s after a close event
constexpr DWORD kCloseWaitStepMs = 50;

BOOL WINAPI on_console_event(DWORD event) {
    g_stop = true;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The process ends when this returns: give the main loop time to finish the files.
        for (DWORD waited = 0; !g_finished && waited < kCloseWaitMs; waited += kCloseWaitStepMs)
            Sleep(kCloseWaitStepMs);
    }
    return TRUE;
}
}  // namespace

void install_stop_handler() { SetConsoleCtrlHandler(on_console_event, TRUE); }
bool stop_requested() { return g_stop; }
void mark_finished() { g_finished = true; }

void pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void sleep_ms(int ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
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

}  // namespace host::platform
