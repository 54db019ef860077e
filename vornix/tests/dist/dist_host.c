/* A host built the way a host developer builds one: plain C, only the files of an
 * installed win32/ or win64/ folder (vornix.h and the import library), vornix.dll
 * beside the program. On a machine without line boxes it opens the library, finds
 * none, and closes it again. */
#include <stdio.h>
#include <windows.h>

#include "vornix.h"

int main(void) {
    int failures = 0;
    if (SW_Init() != 1) { puts("SW_Init did not return 1"); ++failures; }
    if (SW_GetCount() != 0) { puts("SW_GetCount is not 0 without line boxes"); ++failures; }
    if (SW_GetStrCID(0)[0] != '\0') { puts("SW_GetStrCID without a box is not empty"); ++failures; }
    if (SW_Free() != 1) { puts("SW_Free did not return 1"); ++failures; }
    SetLastError(0);
    if (SW_GetCount() != -1 || GetLastError() != 1) { puts("SW_GetCount once closed is not -1 / 1"); ++failures; }
    printf("dist host (%u-bit): %s\n", (unsigned)(sizeof(void*) * 8), failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
