#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "unattended/child_process.h"

extern char** environ;

namespace host {

ChildProcess::~ChildProcess() = default;

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& vars, std::string* reason) {
    std::vector<std::string> current;
    for (char** e = environ; e && *e; ++e) current.emplace_back(*e);
    std::vector<std::string> env = merged_environment(std::move(current), vars, false);
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string name = program;
    char* argv[] = {name.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Nothing of the recorder's beyond stdout and stderr: a program that leaves a child
    // running would otherwise hold the console's listening socket and the recordings
    // being written (the library opens them without close-on-exec), and a recorder
    // started again could not take its port.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // A group of its own: Ctrl+C at the recorder's terminal is not meant for it, and a
    // kill reaches whatever it started.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, name.c_str(), &actions, &attr, argv, envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        *reason = std::strerror(rc);
        return false;
    }
    handle_ = pid;
    return true;
}

bool ChildProcess::ended(bool* ok, std::string* how) {
    if (handle_ == kNone) return true;
    int status = 0;
    const pid_t r = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
    if (r == 0) return false;
    handle_ = kNone;
    *ok = r > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (r < 0)
        *how = std::strerror(errno);
    else if (WIFEXITED(status))
        *how = "exit status " + std::to_string(WEXITSTATUS(status));
    else
        *how = std::string("ended by signal ") + std::to_string(WTERMSIG(status));
    return true;
}

void ChildProcess::kill() {
    if (handle_ != kNone) ::kill(-static_cast<pid_t>(handle_), SIGKILL);
}

}  // namespace host
