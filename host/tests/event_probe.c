/* A program told of call events: writes the event it was started for, one line of
   its VORNIX_* variables, to events/<process id>.txt in the folder it was started
   from (its name's folder, so that a service, which runs in the system folder, finds
   it too). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <process.h>
#define probe_pid _getpid
#else
#include <unistd.h>
#define probe_pid getpid
#endif

int main(int argc, char** argv) {
    static const char* const names[] = {"VORNIX_EVENT",       "VORNIX_SLOT",           "VORNIX_SERIAL",
                                        "VORNIX_CALLER",      "VORNIX_DIGITS",         "VORNIX_FILE",
                                        "VORNIX_TIME",        "VORNIX_CALLER_NAME",    "VORNIX_CALLER_COMPANY",
                                        "VORNIX_CALLER_ADDRESS"};
    char path[1024] = "";
    const char* self = argc > 0 && argv[0] ? argv[0] : "";
    const char* end = strrchr(self, '/');
    const char* back = strrchr(self, '\\');
    if (back && (!end || back > end)) end = back;
    const int folder = end && end - self < 900 ? (int)(end - self) + 1 : 0;
    snprintf(path, sizeof path, "%.*sevents/%d.txt", folder, self, (int)probe_pid());
    FILE* out = fopen(path, "w");
    if (!out) return 1;
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        const char* value = getenv(names[i]);
        fprintf(out, "%s%s=%s", i ? "|" : "", names[i], value ? value : "(unset)");
    }
    fputc('\n', out);
    return fclose(out) == 0 ? 0 : 1;
}
