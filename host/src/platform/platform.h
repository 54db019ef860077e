// What the host needs from the operating system: the stop request (Ctrl+C), message
// dispatch for the library's hot-plug window, sleeping, a monotonic clock, the
// terminal test for the live status lines, writes that reach the disk, the lock
// that keeps a second host out of a recordings folder, paths as the system names
// files, free disk space, the console's selection mode and the end of the session.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace host::platform {

// Ctrl+C (and, where there is one, a console close or termination request) asks the
// host to stop; the main loop then finishes every recording before it exits.
void install_stop_handler();
bool stop_requested();
// Asks for the stop from within the program (the session ends); wakes the loop too.
void request_stop();
// Tells a waiting console-close handler that the recordings are finished.
void mark_finished();

// Dispatches pending window messages of this thread, so that device-change
// notifications reach the library's hidden window.
void pump_messages();

// Sleeps, but returns at once when the stop is requested.
void sleep_ms(int ms);
int64_t monotonic_ms();

// True when stdout is a terminal that can redraw the live status lines.
bool stdout_is_live_terminal();

// Flushes the stream and asks the system to put its data on the disk (not just in the
// cache), so that a power cut keeps what was written. False when either fails.
bool sync_file(std::FILE* f);

// Held for a host's whole run over a recordings folder: a second host on the same
// folder, or a repair of it, sees the lock taken and keeps away from recordings that
// are still being written. The system releases it when the process ends, however.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return handle_ != kNone; }
    // Another process holds it (as opposed to a lock file that cannot be made at all).
    bool busy() const { return busy_; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
    bool busy_ = false;
};

// The lock file's name inside the folder.
constexpr const char* kFolderLockName = ".vornix_host.lock";

// Paths stay as the system names files to the C runtime and to the library: on Windows
// bytes in the ANSI code page (GBK on a Chinese system), which std::filesystem does not
// take for a narrow string there. These two are the only way between such a path and
// std::filesystem.
std::filesystem::path fs_path(const std::string& path);
std::string path_text(const std::filesystem::path& path);

// Bytes this user may still write on the disk that holds `folder`, asked of the folder
// itself (a share's root has no parent to ask). False when the system cannot tell.
bool free_bytes(const std::string& folder, uint64_t* bytes);

// While held, a click in the console window starts no selection: in the classic
// Windows console a selection holds every console write, and with it the loop. The
// console's mode is given back when released.
class ConsoleSelectionOff {
public:
    ConsoleSelectionOff();
    ~ConsoleSelectionOff();
    ConsoleSelectionOff(const ConsoleSelectionOff&) = delete;
    ConsoleSelectionOff& operator=(const ConsoleSelectionOff&) = delete;

private:
    // Windows only; elsewhere there is no console mode to keep.
    [[maybe_unused]] intptr_t console_ = -1;
    [[maybe_unused]] uint32_t saved_mode_ = 0;
};

// While held, the end of the session (log-off, shutdown) reaches the host through a
// window of its own: `finish` runs, on the thread that dispatches messages, before the
// system is told it may end the process. Without this a process with a window gets
// no console event for the session's end and is ended with its recordings open.
class SessionEndWatch {
public:
    explicit SessionEndWatch(std::function<void()> finish);
    ~SessionEndWatch();
    SessionEndWatch(const SessionEndWatch&) = delete;
    SessionEndWatch& operator=(const SessionEndWatch&) = delete;

    // The window's class name, for whoever needs to find it.
    static constexpr const char* kWindowClass = "vornix_host_session";

private:
    std::function<void()> finish_;
    [[maybe_unused]] intptr_t window_ = 0;  // Windows only
};

}  // namespace host::platform
