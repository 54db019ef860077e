// The end of the session as the system brings it to the host: WM_QUERYENDSESSION,
// then WM_ENDSESSION, sent to its window while two calls are being recorded; right
// after the answer the process is ended, as the system may. Every recording must then
// carry its final header and every call its row.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {
constexpr char kFolder[] = "recordings";
constexpr DWORD kAnswerMs = 10000;

std::vector<std::string> recordings() {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((std::string(kFolder) + "\\*.wav").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do files.push_back(std::string(kFolder) + "\\" + found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return files;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

int fail(const char* what) {
    std::printf("FAILED: %s\n", what);
    return 1;
}
}  // namespace

int main() {
    char command[] = "vornix_host.exe --out recordings --no-status --stop-after 600";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION host{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &host))
        return fail("the host does not start");

    // Both calls recorded for a few blocks; the host's window is there.
    HWND window = nullptr;
    for (int waited = 0; waited < 300 && (!window || recordings().size() < 2); ++waited) {
        Sleep(100);
        window = FindWindowA(host::platform::SessionEndWatch::kWindowClass, nullptr);
    }
    Sleep(1500);
    int result = 0;
    if (!window) {
        result = fail("the host has no window for the session's end");
    } else {
        DWORD_PTR may_end = 0, ended = 0;
        if (!SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, kAnswerMs, &may_end) ||
            !may_end)
            result = fail("the session's end was refused or not answered");
        const DWORD asked = GetTickCount();
        if (!SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, kAnswerMs, &ended))
            result = fail("WM_ENDSESSION was not answered");
        std::printf("WM_ENDSESSION answered after %lu ms\n", static_cast<unsigned long>(GetTickCount() - asked));
    }
    TerminateProcess(host.hProcess, 1);
    WaitForSingleObject(host.hProcess, INFINITE);
    CloseHandle(host.hThread);
    CloseHandle(host.hProcess);
    if (result) return result;

    const std::vector<std::string> files = recordings();
    if (files.size() != 2) return fail("not two recordings");
    for (const std::string& f : files) {
        const std::string b = file_text(f);
        std::printf("%s: %u bytes, header counts %u\n", f.c_str(), static_cast<unsigned>(b.size()),
                    b.size() >= 58 ? le32(b, 54) + 58 : 0);
        if (b.size() < 58 + 16384 || le32(b, 4) != b.size() - 8 || le32(b, 54) != b.size() - 58)
            return fail("a recording without its final header");
    }
    const std::string log = file_text(std::string(kFolder) + "\\calls.csv");
    size_t rows = 0;
    for (size_t at = log.find(",stopped,"); at != std::string::npos; at = log.find(",stopped,", at + 1)) ++rows;
    std::printf("%s", log.c_str());
    if (rows != 2) return fail("not a row for each call");
    std::printf("session end: ok\n");
    return 0;
}
