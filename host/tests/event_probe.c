/* A program told of call events: writes the event it was started for, one line of
   its VORNIX_* variables, to events/<process id>.txt in its working folder. */
#include <stdio.h>
#include <stdlib.h>
#ifdef _WIN32
#include <process.h>
#define probe_pid _getpid
#else
#include <unistd.h>
#define probe_pid getpid
#endif

int main(void) {
    static const char* const names[] = {"VORNIX_EVENT",  "VORNIX_SLOT", "VORNIX_SERIAL", "VORNIX_CALLER",
                                        "VORNIX_DIGITS", "VORNIX_FILE", "VORNIX_TIME"};
    char path[64];
    snprintf(path, sizeof path, "events/%d.txt", (int)probe_pid());
    FILE* out = fopen(path, "w");
    if (!out) return 1;
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        const char* value = getenv(names[i]);
        fprintf(out, "%s%s=%s", i ? "|" : "", names[i], value ? value : "(unset)");
    }
    fputc('\n', out);
    return fclose(out) == 0 ? 0 : 1;
}
