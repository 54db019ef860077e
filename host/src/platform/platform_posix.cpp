#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/platform.h"

namespace host::platform {

namespace {
volatile std::sig_atomic_t g_stop = 0;
extern "C" void on_stop_signal(int) { g_stop = 1; }
}  // namespace

void install_stop_handler() {
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool stop_requested() { return g_stop != 0; }
void request_stop() { g_stop = 1; }
void mark_finished() {}
void pump_messages() {}

void sleep_ms(int ms) {
    if (ms <= 0) return;
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && !stop_requested()) {
    }
}

int64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool stdout_is_live_terminal() {
    const char* term = std::getenv("TERM");
    return isatty(STDOUT_FILENO) && !(term && std::string(term) == "dumb");
}

bool sync_file(std::FILE* f) {
    if (std::fflush(f) != 0) return false;
    return fsync(fileno(f)) == 0;
}

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + "/" + kFolderLockName;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        close(fd);
        return;
    }
    handle_ = fd;
}

FolderLock::~FolderLock() {
    if (held()) close(static_cast<int>(handle_));
}

std::filesystem::path fs_path(const std::string& path) { return path; }
std::string path_text(const std::filesystem::path& path) { return path.string(); }

bool free_bytes(const std::string& folder, uint64_t* bytes) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) return false;
    *bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

// A terminal's selection never holds the program's writes.
ConsoleSelectionOff::ConsoleSelectionOff() = default;
ConsoleSelectionOff::~ConsoleSelectionOff() = default;

// The session's end comes as SIGTERM, which the stop handler takes.
SessionEndWatch::SessionEndWatch(std::function<void()> finish) : finish_(std::move(finish)) {}
SessionEndWatch::~SessionEndWatch() = default;

}  // namespace host::platform
