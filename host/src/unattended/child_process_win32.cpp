#include <windows.h>

#include <algorithm>
#include <cstring>

#include "unattended/child_process.h"

namespace host {

namespace {
std::string name_of(const std::string& entry) { return entry.substr(0, entry.find('=', 1)); }
}  // namespace

ChildProcess::~ChildProcess() {
    if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& vars, std::string* reason) {
    std::vector<std::string> current;
    if (char* strings = GetEnvironmentStringsA()) {
        for (const char* p = strings; *p; p += std::strlen(p) + 1) current.emplace_back(p);
        FreeEnvironmentStringsA(strings);
    }
    std::vector<std::string> env = merged_environment(std::move(current), vars, true);
    // The system wants the block sorted by name, without regard to case.
    std::sort(env.begin(), env.end(),
              [](const std::string& a, const std::string& b) { return _stricmp(name_of(a).c_str(), name_of(b).c_str()) < 0; });
    std::string block;
    for (const auto& entry : env) block.append(entry).push_back('\0');
    block.push_back('\0');
    // The program's name alone, quoted for spaces; the option refuses names with quotes.
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // No handles inherited: the folder lock and the open recordings stay the host's.
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, &block[0], nullptr,
                        &si, &pi)) {
        *reason = "Windows error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    handle_ = reinterpret_cast<intptr_t>(pi.hProcess);
    return true;
}

bool ChildProcess::ended(bool* ok, std::string* how) {
    if (handle_ == kNone) return true;
    const HANDLE process = reinterpret_cast<HANDLE>(handle_);
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return false;
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    handle_ = kNone;
    *ok = code == 0;
    *how = "exit status " + std::to_string(code);
    return true;
}

void ChildProcess::kill() {
    if (handle_ != kNone) TerminateProcess(reinterpret_cast<HANDLE>(handle_), 1);
}

}  // namespace host
