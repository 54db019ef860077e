// A program the host starts and watches without ever waiting for it: no shell and no
// arguments, only the host's environment with variables of its own, so that text from
// the telephone line can never become part of a command.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

class ChildProcess {
public:
    ChildProcess() = default;
    // Forgets the process: one still running goes on by itself.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path, or a name looked up on the PATH) with the host's
    // environment plus `vars` ("NAME=value", in place of any of the same name).
    // False with the system's reason when it cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& vars, std::string* reason);
    // True once it has ended; `ok` then says whether it succeeded, `how` how it ended.
    bool ended(bool* ok, std::string* how);
    // Ends it at once.
    void kill();

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;  // the process id, or the process handle
};

// `current` ("NAME=value" entries) with `vars` in place of entries of the same name;
// Windows compares names without case.
std::vector<std::string> merged_environment(std::vector<std::string> current, const std::vector<std::string>& vars,
                                            bool ignore_case);

}  // namespace host
