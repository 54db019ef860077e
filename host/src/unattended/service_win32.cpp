#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "unattended/service.h"
#include "unattended/service_command_line.h"

namespace host {

namespace {
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kStartWaitHintMs = 5000;
// Finishing the recordings takes a moment per open file; progress is reported meanwhile.
constexpr DWORD kStopWaitHintMs = 10000;
constexpr DWORD kProgressEveryMs = 1000;
constexpr DWORD kRemoveWaitMs = 60000;
constexpr DWORD kRemovePollMs = 250;
// The one message of the program's message table (unattended/service_messages.mc): the
// text it is given.
constexpr DWORD kStartFailedEventId = 1;
constexpr const char* kEventSourceKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\vornix_recorder";
// A crash restarts the recorder: soon the first times, then every minute; a day without
// one counts from the start again.
constexpr DWORD kRestartAfterMs[] = {5000, 30000, 60000};
constexpr DWORD kFailureCountResetSeconds = 24 * 3600;

std::string system_error_text(DWORD code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s + " (" + std::to_string(code) + ")";
}

struct HandleCloser {
    void operator()(SC_HANDLE h) const { CloseServiceHandle(h); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, HandleCloser>;

const char* state_name(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED: return "stopped";
        case SERVICE_START_PENDING: return "starting";
        case SERVICE_STOP_PENDING: return "stopping";
        case SERVICE_RUNNING: return "running";
        case SERVICE_CONTINUE_PENDING: return "continuing";
        case SERVICE_PAUSE_PENDING: return "pausing";
        case SERVICE_PAUSED: return "paused";
    }
    return "in an unknown state";
}

// A path as this program names it now, made absolute for the service, which starts in
// the system folder: against the current folder, and a program's bare name looked up
// as the system would look it up.
bool absolute_path(const std::string& path, bool program, std::string* made, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p = platform::fs_path(path);
    if (program && !p.has_parent_path() && !fs::exists(p, ec)) {
        char found[MAX_PATH];
        const DWORD n = SearchPathA(nullptr, path.c_str(), ".exe", MAX_PATH, found, nullptr);
        if (n == 0 || n >= MAX_PATH) {
            *error = "no such program here or on the PATH (give its full path)";
            return false;
        }
        *made = found;
        return true;
    }
    const fs::path full = fs::absolute(p, ec);
    if (ec) {
        *error = ec.message();
        return false;
    }
    *made = platform::path_text(full);
    return true;
}

bool is_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

// The event log shows the recorder's own text: its message table is in this program.
bool register_event_source(const char* program) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    const bool set =
        RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(program),
                       static_cast<DWORD>(std::strlen(program) + 1)) == ERROR_SUCCESS &&
        RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types) ==
            ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

bool restart_after_crash(SC_HANDLE service) {
    SC_ACTION restart[std::size(kRestartAfterMs)];
    for (size_t i = 0; i < std::size(kRestartAfterMs); ++i) restart[i] = {SC_ACTION_RESTART, kRestartAfterMs[i]};
    SERVICE_FAILURE_ACTIONSA actions{};
    actions.dwResetPeriod = kFailureCountResetSeconds;
    actions.cActions = static_cast<DWORD>(std::size(restart));
    actions.lpsaActions = restart;
    return ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions) != 0;
}

int install(SC_HANDLE manager, const HostOptions& options) {
    char program[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (n == 0 || n == MAX_PATH) {
        std::fprintf(stderr, "cannot tell where this program is: %s\n", system_error_text(GetLastError()).c_str());
        return kExitFailure;
    }
    std::vector<std::string> args;
    std::string error, folder;
    if (!arguments_with_absolute_paths(options, options.service_options, false, absolute_path, &args, &error) ||
        !absolute_path(options.folder, false, &folder, &error)) {
        std::fprintf(stderr, "cannot install the service: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string command = service_command_line(program, args, is_lead_byte);
    ServiceHandle service(CreateServiceA(manager, kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                         command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) {
        const DWORD error = GetLastError();
        if (error == ERROR_SERVICE_EXISTS || error == ERROR_DUPLICATE_SERVICE_NAME)
            std::fprintf(stderr, "the service %s (\"%s\") is already installed; nothing changed (--service remove first)\n",
                         kServiceName, kServiceDisplayName);
        else
            std::fprintf(stderr, "cannot install the service %s: %s\n", kServiceName, system_error_text(error).c_str());
        return kExitFailure;
    }
    std::string about = "Records every answered call on every line box into " + folder + " (events in host.log there)";
    SERVICE_DESCRIPTIONA description{&about[0]};
    ChangeServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, &description);
    std::printf("installed the service %s (\"%s\"), started with Windows:\n  %s\n", kServiceName, kServiceDisplayName,
                command.c_str());
    if (restart_after_crash(service.get()))
        std::printf("restarted by the service manager %lu s after a crash\n", kRestartAfterMs[0] / 1000);
    else
        std::fprintf(stderr, "warning: no restart after a crash: %s\n", system_error_text(GetLastError()).c_str());
    if (!register_event_source(program))
        std::fprintf(stderr, "warning: the event log will not show the recorder's own text for %s\n", kServiceName);
    std::printf("start it now with: sc start %s\n", kServiceName);
    return 0;
}

ServiceHandle open_installed(SC_HANDLE manager, DWORD access) {
    ServiceHandle service(OpenServiceA(manager, kServiceName, access));
    if (!service) {
        const DWORD error = GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST)
            std::fprintf(stderr, "the service %s (\"%s\") is not installed\n", kServiceName, kServiceDisplayName);
        else
            std::fprintf(stderr, "cannot open the service %s: %s\n", kServiceName, system_error_text(error).c_str());
    }
    return service;
}

int remove(SC_HANDLE manager) {
    ServiceHandle service = open_installed(manager, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) return kExitFailure;
    SERVICE_STATUS status{};
    // Stopped first, so that it finishes its recordings before it is gone.
    if (QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        std::printf("stopping the service (it finishes its recordings first)\n");
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        for (DWORD waited = 0; waited < kRemoveWaitMs && QueryServiceStatus(service.get(), &status) &&
                               status.dwCurrentState != SERVICE_STOPPED;
             waited += kRemovePollMs)
            Sleep(kRemovePollMs);
        if (status.dwCurrentState != SERVICE_STOPPED)
            std::fprintf(stderr, "the service is still %s; it is removed once it stops\n",
                         state_name(status.dwCurrentState));
    }
    if (!DeleteService(service.get())) {
        std::fprintf(stderr, "cannot remove the service %s: %s\n", kServiceName,
                     system_error_text(GetLastError()).c_str());
        return kExitFailure;
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEventSourceKey);
    std::printf("removed the service %s (\"%s\")\n", kServiceName, kServiceDisplayName);
    return 0;
}

int status(SC_HANDLE manager) {
    ServiceHandle service = open_installed(manager, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (!service) return kExitFailure;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) {
        std::fprintf(stderr, "cannot ask the service %s: %s\n", kServiceName, system_error_text(GetLastError()).c_str());
        return kExitFailure;
    }
    std::printf("the service %s (\"%s\") is installed and %s\n", kServiceName, kServiceDisplayName,
                state_name(status.dwCurrentState));
    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(&buffer[0]);
    if (needed && QueryServiceConfigA(service.get(), config, needed, &needed))
        std::printf("  %s\n", config->lpBinaryPathName);
    return 0;
}

// The running service: its status as the service manager sees it, set from the
// service's thread and, while stopping, from the thread that reports progress.
struct Running {
    const RecordRun* record = nullptr;
    int exit_code = 0;
    SERVICE_STATUS_HANDLE handle = nullptr;
    SERVICE_STATUS status{};
    CRITICAL_SECTION guard;
    HANDLE finished = nullptr;  // set when the recorder has closed down
    HANDLE progress = nullptr;  // the thread that reports progress while stopping
};
Running g_running;

void set_state(DWORD state, DWORD wait_hint, DWORD service_exit = 0) {
    EnterCriticalSection(&g_running.guard);
    SERVICE_STATUS& s = g_running.status;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    s.dwCheckPoint = pending && s.dwCurrentState == state ? s.dwCheckPoint + 1 : (pending ? 1 : 0);
    s.dwCurrentState = state;
    s.dwWaitHint = wait_hint;
    s.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    s.dwWin32ExitCode = service_exit ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
    s.dwServiceSpecificExitCode = service_exit;
    SetServiceStatus(g_running.handle, &s);
    LeaveCriticalSection(&g_running.guard);
}

DWORD WINAPI report_progress(void*) {
    while (WaitForSingleObject(g_running.finished, kProgressEveryMs) == WAIT_TIMEOUT)
        set_state(SERVICE_STOP_PENDING, kStopWaitHintMs);
    return 0;
}

DWORD WINAPI on_control(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            if (g_running.progress) return NO_ERROR;  // already stopping
            set_state(SERVICE_STOP_PENDING, kStopWaitHintMs);
            g_running.progress = CreateThread(nullptr, 0, report_progress, nullptr, 0, nullptr);
            platform::request_stop();  // the loop closes down as on Ctrl+C
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void report_to_event_log(const std::string& text) {
    HANDLE source = RegisterEventSourceA(nullptr, kServiceName);
    if (!source) return;
    const char* strings[] = {text.c_str()};
    ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, kStartFailedEventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

void WINAPI service_main(DWORD, LPSTR*) {
    g_running.handle = RegisterServiceCtrlHandlerExA(kServiceName, on_control, nullptr);
    if (!g_running.handle) return;
    g_running.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_running.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    set_state(SERVICE_START_PENDING, kStartWaitHintMs);
    RecordHooks hooks;
    hooks.failed = [](const std::string& why) { report_to_event_log(std::string(kServiceDisplayName) + ": " + why); };
    hooks.started = [] { set_state(SERVICE_RUNNING, 0); };
    hooks.to_host_log = true;
    g_running.exit_code = (*g_running.record)(hooks);
    if (g_running.finished) SetEvent(g_running.finished);
    if (g_running.progress) {
        WaitForSingleObject(g_running.progress, INFINITE);
        CloseHandle(g_running.progress);
    }
    set_state(SERVICE_STOPPED, 0, static_cast<DWORD>(g_running.exit_code));
}
}  // namespace

int service_command(const HostOptions& options) {
    const bool asks = options.service == "status";
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, asks ? SC_MANAGER_CONNECT : SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        std::fprintf(stderr, "cannot reach the service manager (an administrator's prompt is needed): %s\n",
                     system_error_text(GetLastError()).c_str());
        return kExitFailure;
    }
    if (options.service == "install") return install(manager.get(), options);
    if (options.service == "remove") return remove(manager.get());
    return status(manager.get());
}

int run_service(const RecordRun& record) {
    InitializeCriticalSection(&g_running.guard);
    g_running.record = &record;
    char name[64];
    std::snprintf(name, sizeof name, "%s", kServiceName);
    SERVICE_TABLE_ENTRYA table[] = {{name, service_main}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
            std::fprintf(stderr, "--service run is for the service manager: install the service with --service install\n");
            return kExitUsage;
        }
        std::fprintf(stderr, "cannot run as a service: %s\n", system_error_text(GetLastError()).c_str());
        return kExitFailure;
    }
    return g_running.exit_code;
}

}  // namespace host
