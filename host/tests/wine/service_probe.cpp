// What Windows programs learn of the recorder's service from the service manager and
// the event log:
//   service_probe start NAME    starts it and prints every state it passes through
//                               until it has stopped, or has run for 5 s
//   service_probe config NAME   prints its actions on failure and the event log's
//                               text for an entry of its event source
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* state_name(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED: return "STOPPED";
        case SERVICE_START_PENDING: return "START_PENDING";
        case SERVICE_STOP_PENDING: return "STOP_PENDING";
        case SERVICE_RUNNING: return "RUNNING";
        default: return "OTHER";
    }
}

int start(SC_HANDLE service) {
    if (!StartServiceA(service, 0, nullptr)) {
        std::printf("start refused: %lu\n", GetLastError());
        return 1;
    }
    // Asked without a pause: a state held for a moment only is seen too.
    DWORD last = 0, running_since = 0;
    std::printf("states:");
    for (const DWORD begun = GetTickCount(); GetTickCount() - begun < 30000;) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) break;
        if (status.dwCurrentState != last) {
            std::printf(" %s", state_name(status.dwCurrentState));
            last = status.dwCurrentState;
            if (last == SERVICE_RUNNING) running_since = GetTickCount();
        }
        if (last == SERVICE_STOPPED || (last == SERVICE_RUNNING && GetTickCount() - running_since > 5000)) break;
    }
    std::printf("\n");
    return 0;
}

int config(SC_HANDLE service, const char* name) {
    DWORD needed = 0;
    QueryServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
    std::string buffer(needed + 1, '\0');
    auto* actions = reinterpret_cast<SERVICE_FAILURE_ACTIONSA*>(&buffer[0]);
    if (needed && QueryServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, reinterpret_cast<BYTE*>(&buffer[0]),
                                       needed, &needed)) {
        std::printf("failure count reset after %lu s\n", actions->dwResetPeriod);
        for (DWORD i = 0; i < actions->cActions; ++i)
            std::printf("on failure %lu: %s after %lu ms\n", i + 1,
                        actions->lpsaActions[i].Type == SC_ACTION_RESTART ? "restart" : "other",
                        actions->lpsaActions[i].Delay);
    } else if (GetLastError() == ERROR_INVALID_LEVEL) {
        std::printf("failure actions: the service manager keeps none\n");  // Wine's
    } else {
        std::printf("no failure actions: %lu\n", GetLastError());
    }
    const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\") + name;
    char module[MAX_PATH] = "";
    DWORD size = sizeof module;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "EventMessageFile", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                     RRF_NOEXPAND, nullptr, module, &size) != ERROR_SUCCESS) {
        std::printf("no event source\n");
        return 0;
    }
    HMODULE messages = LoadLibraryExA(module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char insert[] = "probe text";
    char* inserts[] = {insert};
    char text[256] = "";
    if (!messages || !FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, messages, 1, 0, text,
                                     sizeof text, reinterpret_cast<va_list*>(inserts))) {
        std::printf("event source %s: no text for the entry: %lu\n", module, GetLastError());
        return 0;
    }
    std::printf("event source %s: entry reads \"%s\"\n", module, std::strtok(text, "\r\n"));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: service_probe start|config NAME\n");
        return 2;
    }
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, argv[2], SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG)
                                : nullptr;
    if (!service) {
        std::fprintf(stderr, "cannot open the service %s: %lu\n", argv[2], GetLastError());
        return 1;
    }
    const int rc = std::strcmp(argv[1], "start") == 0 ? start(service) : config(service, argv[2]);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return rc;
}
