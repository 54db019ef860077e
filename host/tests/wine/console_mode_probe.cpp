// The console's selection mode while the host records: the host runs in this probe's
// console, whose input mode has quick edit on. While it runs the mode must have quick
// edit off (with the extended flags that make the bit count); after it, the mode is
// the one it found.
#include <windows.h>

#include <cstdio>

namespace {
int fail(const char* what, DWORD mode) {
    std::printf("FAILED: %s (mode 0x%lx)\n", what, static_cast<unsigned long>(mode));
    return 1;
}
}  // namespace

int main() {
    FreeConsole();
    if (!AllocConsole()) return fail("no console", 0);
    HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &mode)) return fail("no console input", mode);
    const DWORD clicked = mode | ENABLE_QUICK_EDIT_MODE | ENABLE_EXTENDED_FLAGS;
    SetConsoleMode(in, clicked);
    GetConsoleMode(in, &mode);
    if (mode != clicked) return fail("this console does not keep the quick-edit bit", mode);

    char command[] = "vornix_host.exe --out recordings --no-status --stop-after 3";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION host{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &host))
        return fail("the host does not start", 0);
    DWORD while_recording = clicked;
    while (WaitForSingleObject(host.hProcess, 10) == WAIT_TIMEOUT) {
        GetConsoleMode(in, &mode);
        if (!(mode & ENABLE_QUICK_EDIT_MODE)) while_recording = mode;
    }
    CloseHandle(host.hThread);
    CloseHandle(host.hProcess);
    DWORD after = 0;
    GetConsoleMode(in, &after);
    std::printf("console input mode: 0x%lx before, 0x%lx while recording, 0x%lx after\n",
                static_cast<unsigned long>(clicked), static_cast<unsigned long>(while_recording),
                static_cast<unsigned long>(after));
    if (while_recording & ENABLE_QUICK_EDIT_MODE) return fail("quick edit stayed on while recording", while_recording);
    if (!(while_recording & ENABLE_EXTENDED_FLAGS)) return fail("quick edit cleared without the extended flags", while_recording);
    if (after != clicked) return fail("the console's mode was not given back", after);
    std::printf("console mode: ok\n");
    return 0;
}
