/* A host that shares nothing with the library: it loads the library by path at run
 * time, as a program in any language would, and finds the exports by name. The
 * scenario comes from the environment (VORNIX_SCENARIO, VORNIX_SPEED).
 *
 *   foreign_host LIBRARY --record FILE     expects the call of foreign_call.scn and
 *                                          records it into FILE
 *   foreign_host LIBRARY --expect-no-boxes expects SW_Init, twice, to find no box
 *   foreign_host LIBRARY --scenario-set-late SCENARIO
 *                                          names the scenario only at run time, as
 *                                          Python's os.environ and .NET do, then
 *                                          expects its first box
 *   foreign_host LIBRARY --init-here-poll-there
 *                                          opens the library on one thread and polls
 *                                          on another; box2 of foreign_call.scn must
 *                                          reach both
 *   foreign_host LIBRARY --shared-clock    (Windows) moves the simulator DLL's clock
 *                                          itself through the shared mapping, without
 *                                          waiting: foreign_call.scn's plug, ring and
 *                                          off-hook come at once, and the end is told
 *   foreign_host LIBRARY --sessions FILE   two_sessions.scn as a careless host meets
 *                                          it: a first session of refused arguments
 *                                          until the ring, then the call recorded into
 *                                          FILE, which is removed under the recording
 *                                          where the system lets it
 *
 * Prints "foreign host: ok" and exits 0 when everything was as expected. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vornix.h"

#if defined(_WIN32)
#include <windows.h>
typedef HMODULE library_t;
static library_t open_library(const char* path) { return LoadLibraryA(path); }
static void* find(library_t l, const char* name) { return (void*)GetProcAddress(l, name); }
static void close_library(library_t l) { FreeLibrary(l); }
static void nap(int ms) { Sleep((DWORD)ms); }
static void set_variable(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }
/* Lets the library's hidden window take the hot-plug broadcasts. */
static void pump(void) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
#define HAS_MESSAGE_PUMP 1
#else
#include <dlfcn.h>
#include <pthread.h>
#include <time.h>
typedef void* library_t;
static library_t open_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* find(library_t l, const char* name) { return dlsym(l, name); }
static void close_library(library_t l) { dlclose(l); }
static void nap(int ms) {
    struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}
static void pump(void) {}
static void set_variable(const char* name, const char* value) { setenv(name, value, 1); }
#define HAS_MESSAGE_PUMP 0
#endif

/* Runs `body` on a thread of its own and waits until it has ended. */
struct job {
    void (*body)(void);
};
#if defined(_WIN32)
static DWORD WINAPI job_main(LPVOID j) {
    ((struct job*)j)->body();
    return 0;
}
static void on_other_thread(void (*body)(void)) {
    struct job j;
    HANDLE t;
    j.body = body;
    t = CreateThread(NULL, 0, job_main, &j, 0, NULL);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}
#else
static void* job_main(void* j) {
    ((struct job*)j)->body();
    return NULL;
}
static void on_other_thread(void (*body)(void)) {
    struct job j;
    pthread_t t;
    j.body = body;
    pthread_create(&t, NULL, job_main, &j);
    pthread_join(t, NULL);
}
#endif

typedef vx_bool(VORNIX_CALL* bool_void)(void);
typedef int(VORNIX_CALL* int_void)(void);
typedef int(VORNIX_CALL* int_slot)(int);
typedef const char*(VORNIX_CALL* text_slot)(int);
typedef int(VORNIX_CALL* int_slot_text)(int, char*);
typedef int(VORNIX_CALL* start_record)(int, const char*, int);
typedef vx_bool(VORNIX_CALL* read_block)(int, int, unsigned char*, int);
typedef vx_bool(VORNIX_CALL* bool_slot_bytes)(int, unsigned char*);
typedef vx_bool(VORNIX_CALL* bool_slot_int)(int, int);

static struct {
    bool_void init, free_;
    int_void count;
    int_slot ring, off_hook, disconnect, record_end, stop, serial;
    text_slot caller;
    int_slot_text dtmf;
    start_record start;
    read_block record, record1;
    bool_slot_bytes sn;
    bool_slot_int self_test;
} sw;

static int failures = 0;
static void expect(int ok, const char* what) {
    if (!ok) {
        printf("foreign host: FAILED: %s\n", what);
        ++failures;
    }
}

static double speed(void) {
    const char* s = getenv("VORNIX_SPEED");
    return s && atof(s) > 0 ? atof(s) : 1.0;
}

/* Real milliseconds for `seconds` of scenario time. */
static int real_ms(double seconds) { return (int)(seconds * 1000.0 / speed()) + 1; }

/* Polls `query(slot)` every 10 ms, taking messages, until it answers `want` or
 * `seconds` of scenario time have passed. */
static int wait_for(int_slot query, int slot, int want, double seconds) {
    int waited;
    for (waited = 0; waited < real_ms(seconds) + 2000; waited += 10) {
        pump();
        if (query(slot) == want) return 1;
        nap(10);
    }
    return 0;
}

static int VORNIX_CALL count_is(int slot) { (void)slot; return sw.count(); }

#if defined(_WIN32)
/* The simulator DLL's shared clock, laid out as docs/simulator.md gives it. */
struct shared_clock {
    long long now_ms;
    int followed;
    int over;
};
_Static_assert(sizeof(struct shared_clock) == 16, "16 bytes, as the simulator reads them");

static void shared_clock_moved(void) {
    char name[64];
    HANDLE mapping;
    volatile struct shared_clock* clock;
    snprintf(name, sizeof name, "Local\\vornix-simulated-clock-%lu", (unsigned long)GetCurrentProcessId());
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(struct shared_clock), name);
    clock = mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(struct shared_clock)) : NULL;
    if (!clock) {
        expect(0, "the clock's mapping is made");
        return;
    }
    expect(sw.init() == 1, "SW_Init returns 1");
    expect(clock->followed == 1, "the simulator follows the host's clock");
    expect(sw.count() == 1, "one box at the start");
    /* No waiting from here on: only the host's clock moves the scenario. */
    clock->now_ms = 1500;
    sw.count();
    pump();
    expect(sw.count() == 2, "box2, plugged at 1 s, is counted once the messages are taken");
    expect(sw.ring(1) == 0, "no ring before 2 s");
    clock->now_ms = 2500;
    expect(sw.ring(1) == 1, "box2 rings at 2.5 s");
    clock->now_ms = 3500;
    expect(sw.off_hook(1) == 1, "the handset is lifted at 3.5 s");
    expect(clock->over == 0, "the scenario goes on");
    clock->now_ms = 15000;
    sw.count();
    expect(clock->over == 1, "the scenario's end is told");
    sw.free_();
    UnmapViewOfFile((void*)clock);
    CloseHandle(mapping);
}
#endif

static int record_call(const char* file) {
    char digits[17], dialled[64] = "";
    int budget = 0, waited;
    expect(sw.init() == 1, "SW_Init returns 1");
    expect(sw.count() == 1, "one box at the start");
    expect(sw.serial(0) == 5100, "box1 reports serial code 5100");
    /* box2 is plugged 1 s into the scenario. */
    nap(real_ms(1.2));
    if (HAS_MESSAGE_PUMP) expect(sw.count() == 1, "the count waits for the message pump");
    expect(wait_for(count_is, 0, 2, 1.0), "box2 is counted");
    expect(sw.serial(1) == 5001, "box2 gets the first free serial code");

    expect(wait_for(sw.ring, 1, 1, 2.0), "box2 rings");
    expect(strcmp(sw.caller(1), "13800138000") == 0, "the caller ID is 13800138000");
    expect(wait_for(sw.off_hook, 1, 1, 2.0), "the handset is lifted");
    expect(sw.start(1, file, 1 << 30) == 0, "the recording starts");
    /* The call lasts 10.24 s; a box that never hangs up fails rather than hangs. */
    for (waited = 0; sw.disconnect(1) != 1; waited += 10) {
        int n;
        if (waited > real_ms(20.0) + 2000) {
            expect(0, "the line disconnects");
            break;
        }
        budget = sw.record_end(1);
        n = sw.dtmf(1, digits);
        if (n > 0 && strlen(dialled) + (size_t)n < sizeof dialled) strncat(dialled, digits, (size_t)n);
        pump();
        nap(10);
    }
    expect(budget > 0, "the record budget is left");
    expect(sw.stop(1) == 0, "the recording stops");
    expect(strcmp(dialled, "123#") == 0, "the digits dialled are 123#");
    expect(sw.free_() == 1, "SW_Free returns 1");
    printf("foreign host: recorded %s, digits %s\n", file, dialled);
    return failures;
}

static int two_sessions(const char* file) {
    char digits[17], missing[600];
    int budget = 1 << 30, left, gaps = 0, removed = 0, waited;
    snprintf(missing, sizeof missing, "%s.missing/call.wav", file);
    /* Session 1: every argument refused (87), then status reports until the ring. */
    expect(sw.init() == 1, "SW_Init returns 1");
    expect(sw.record(0, 0, NULL, 65536) == 0, "SW_Record refuses a null buffer");
    expect(sw.record1(0, 0, NULL, 576) == 0, "SW_Record1 refuses a null buffer");
    expect(sw.sn(0, NULL) == 0, "SW_SN refuses a null buffer");
    expect(sw.dtmf(0, NULL) == -1, "SW_ReceiveDTMF refuses a null buffer");
    expect(sw.start(0, NULL, budget) == -1, "SW_StartFileRecord refuses a null path");
    expect(sw.start(0, "", budget) == -1, "SW_StartFileRecord refuses an empty path");
    expect(sw.serial(0) == 5100, "box1 reports serial code 5100");
    expect(wait_for(sw.ring, 0, 1, 2.0), "box1 rings");
    expect(sw.free_() == 1, "SW_Free returns 1");
    /* Session 2: the serial code read afresh from the same report, the call, a recording
       that cannot start, then one with gaps. */
    expect(sw.init() == 1, "SW_Init returns 1 again");
    expect(sw.self_test(0, 0) == 1 && sw.serial(0) == 5100, "the self-test reads serial code 5100");
    expect(wait_for(sw.ring, 0, 1, 2.0), "box1 still rings");
    expect(strcmp(sw.caller(0), "13800138000") == 0, "the caller ID is 13800138000");
    expect(wait_for(sw.off_hook, 0, 1, 3.0), "the handset is lifted");
    expect(sw.start(0, missing, budget) == -1, "a recording into a missing folder does not start");
    expect(sw.start(0, file, budget) == 0, "the recording starts");
    for (waited = 0; sw.disconnect(0) != 1; waited += 10) {
        if (waited > real_ms(40.0) + 2000) {
            expect(0, "the line disconnects");
            break;
        }
        left = sw.record_end(0);
        if (left == -1) ++gaps;
        /* After the first chunk; Windows keeps an open file. */
        if (left >= 0 && left < budget && !removed) removed = remove(file) == 0;
        sw.dtmf(0, digits);
        pump();
        nap(10);
    }
    if (removed) expect(gaps > 0, "the file gone, its reopen fails: the recording has gaps");
    sw.stop(0);
    expect(sw.free_() == 1, "SW_Free returns 1");
    printf("foreign host: two sessions, the recording %s\n", removed ? "removed under it" : "kept");
    return failures;
}

static int expect_no_boxes(void) {
    int round;
    for (round = 0; round < 2; ++round) {
        expect(sw.init() == 1, "SW_Init returns 1");
        expect(sw.count() == 0, "no boxes");
        expect(sw.free_() == 1, "SW_Free returns 1");
    }
    return failures;
}

static int scenario_set_late(const char* scenario) {
    set_variable("VORNIX_SCENARIO", scenario);
    expect(sw.init() == 1, "SW_Init returns 1");
    expect(sw.count() == 1, "the scenario named at run time plays: one box at the start");
    expect(sw.serial(0) == 5100, "box1 reports serial code 5100");
    expect(sw.free_() == 1, "SW_Free returns 1");
    return failures;
}

static int polled_count;
static void poll_after_plug(void) {
    nap(real_ms(1.2));
    polled_count = sw.count();
}
static void poll(void) { polled_count = sw.count(); }

/* At VORNIX_SPEED=0.5, so that box2 comes (2 s in) after SW_Init has made its window. */
static int init_here_poll_there(void) {
    expect(sw.init() == 1, "SW_Init returns 1");
    /* box2 is plugged 1 s into the scenario, as the polling thread's call finds. */
    on_other_thread(poll_after_plug);
    expect(sw.count() == 2, "the opening thread's next call brings box2 in");
    on_other_thread(poll);
    expect(polled_count == 2, "the polling thread counts box2");
    expect(sw.free_() == 1, "SW_Free returns 1");
    return failures;
}

int main(int argc, char** argv) {
    library_t lib;
    if (argc < 3) {
        fprintf(stderr,
                "usage: foreign_host LIBRARY --record FILE | --expect-no-boxes | --scenario-set-late SCENARIO"
                " | --init-here-poll-there | --sessions FILE\n");
        return 2;
    }
    lib = open_library(argv[1]);
    if (!lib) {
        printf("foreign host: FAILED: cannot load %s\n", argv[1]);
        return 1;
    }
#define FIND(member, type, name)                                   \
    sw.member = (type)find(lib, name);                             \
    if (!sw.member) {                                              \
        printf("foreign host: FAILED: no export %s\n", name);      \
        return 1;                                                  \
    }
    FIND(init, bool_void, "SW_Init")
    FIND(free_, bool_void, "SW_Free")
    FIND(count, int_void, "SW_GetCount")
    FIND(ring, int_slot, "SW_CheckRing")
    FIND(off_hook, int_slot, "SW_CheckOffHook")
    FIND(disconnect, int_slot, "SW_CheckDisconnect")
    FIND(record_end, int_slot, "SW_CheckFileRecordEnd")
    FIND(stop, int_slot, "SW_StopFileRecord")
    FIND(serial, int_slot, "SW_GetSN")
    FIND(caller, text_slot, "SW_GetStrCID")
    FIND(dtmf, int_slot_text, "SW_ReceiveDTMF")
    FIND(start, start_record, "SW_StartFileRecord")
    FIND(record, read_block, "SW_Record")
    FIND(record1, read_block, "SW_Record1")
    FIND(sn, bool_slot_bytes, "SW_SN")
    FIND(self_test, bool_slot_int, "SW_test")
    if (strcmp(argv[2], "--record") == 0 && argc == 4) record_call(argv[3]);
    else if (strcmp(argv[2], "--expect-no-boxes") == 0) expect_no_boxes();
    else if (strcmp(argv[2], "--scenario-set-late") == 0 && argc == 4) scenario_set_late(argv[3]);
    else if (strcmp(argv[2], "--init-here-poll-there") == 0) init_here_poll_there();
    else if (strcmp(argv[2], "--sessions") == 0 && argc == 4) two_sessions(argv[3]);
#if defined(_WIN32)
    else if (strcmp(argv[2], "--shared-clock") == 0) shared_clock_moved();
#endif
    else {
        fprintf(stderr, "foreign_host: unknown mode %s\n", argv[2]);
        return 2;
    }
    close_library(lib);
    if (failures == 0) printf("foreign host: ok\n");
    return failures == 0 ? 0 : 1;
}
