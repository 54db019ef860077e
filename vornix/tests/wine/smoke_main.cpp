// Smoke test of the shipped vornix.dll as a host loads it: every export resolves by
// name and by ordinal to the same address, the lifecycle answers as on a machine
// without line boxes, the kept-for-compatibility exports return their constants and
// leave the last-error value alone, and (i686 only) every export removes its own
// arguments.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "export_list.h"
#if defined(__i386__)
#include "stack_probe_i686.h"
#define VX_STDCALL_PROBE 1
#endif

namespace {

constexpr DWORD kErrorNotOpen = VORNIX_ERROR_NOT_OPEN;
constexpr DWORD kUntouchedError = 0x5EED;  // a value no export sets

struct Tally {
    int passed = 0;
    int failed = 0;
    void check(bool ok, const std::string& what) {
        if (ok) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAILED: %s\n", what.c_str());
        }
    }
};

// Typed entry points, exactly as a host declares them.
struct Exports {
#define VX_MEMBER(name, ordinal, result, params, args) result(__stdcall* name) params = nullptr;
    VORNIX_EXPORT_LIST(VX_MEMBER)
#undef VX_MEMBER
};

template <class F>
bool resolve(HMODULE dll, const char* name, int ordinal, F*& out, Tally& t) {
    FARPROC by_name = GetProcAddress(dll, name);
    FARPROC by_ordinal = GetProcAddress(dll, MAKEINTRESOURCEA(ordinal));
    t.check(by_name != nullptr, std::string(name) + " exported by name");
    t.check(by_ordinal != nullptr, std::string(name) + " exported at ordinal " + std::to_string(ordinal));
    t.check(by_name == by_ordinal, std::string(name) + ": name and ordinal give the same address");
    out = reinterpret_cast<F*>(reinterpret_cast<void*>(by_name));
    return by_name != nullptr;
}

void check_lifecycle(const Exports& e, Tally& t) {
    // The first SW_Init registers a class and makes a window, whose system calls leave
    // error values of their own; the host's value must survive them.
    SetLastError(kUntouchedError);
    t.check(e.SW_Init() == 1, "SW_Init returns 1");
    t.check(GetLastError() == kUntouchedError, "SW_Init leaves the last error alone");
    t.check(e.SW_GetCount() == 0, "SW_GetCount is 0 without line boxes");
    SetLastError(kUntouchedError);
    t.check(e.SW_Init() == 1 && GetLastError() == kUntouchedError, "a repeated SW_Init leaves the last error alone");
    t.check(e.SW_Free() == 1, "SW_Free returns 1");
    t.check(GetLastError() == kUntouchedError, "SW_Free leaves the last error alone");
    SetLastError(0);
    t.check(e.SW_GetCount() == -1, "SW_GetCount is -1 once closed");
    t.check(GetLastError() == kErrorNotOpen, "SW_GetCount once closed sets last error 1");
}

struct NoOpCase {
    const char* name;
    int expected;
    int (*call)(const Exports&);
};

void check_noops(const Exports& e, Tally& t) {
    const NoOpCase cases[] = {
        {"SW_Play", 1, [](const Exports& x) { return int{x.SW_Play(1, 2, 3, 4)}; }},
        {"SW_GetInfo", 1, [](const Exports& x) { return int{x.SW_GetInfo(1, 2)}; }},
        {"SW_CIDEnd", 1, [](const Exports& x) { return int{x.SW_CIDEnd(1, 2)}; }},
        {"SW_CIDClear", 1, [](const Exports& x) { return int{x.SW_CIDClear(1)}; }},
        {"SW_StartDrv", 1, [](const Exports& x) { return int{x.SW_StartDrv(1, 2)}; }},
        {"SW_StopDrv", 1, [](const Exports& x) { return int{x.SW_StopDrv(1, 2)}; }},
        {"SW_PlayEnd", 0, [](const Exports& x) { return x.SW_PlayEnd(1, 2); }},
        {"SW_StartPlay", 0, [](const Exports& x) { return x.SW_StartPlay(1, 2); }},
        {"SW_CheckPlayEnd", 0, [](const Exports& x) { return x.SW_CheckPlayEnd(1); }},
        {"SW_CheckCIDEnd", 0, [](const Exports& x) { return x.SW_CheckCIDEnd(1); }},
        {"SW_StopPlay", 0, [](const Exports& x) { return x.SW_StopPlay(1); }},
    };
    for (const NoOpCase& c : cases) {
        SetLastError(kUntouchedError);
        const int result = c.call(e);
        const DWORD error = GetLastError();
        t.check(result == c.expected, std::string(c.name) + " returns " + std::to_string(c.expected) +
                                          " (got " + std::to_string(result) + ")");
        t.check(error == kUntouchedError, std::string(c.name) + " leaves the last error alone");
    }
}

#if VX_STDCALL_PROBE
unsigned char g_scratch[65536];  // target of every pointer argument of the stack probe

template <class T>
uint32_t harmless_argument() {
    if constexpr (std::is_pointer_v<T>) return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g_scratch));
    else return 0;
}

// How far ESP moved across a call of `fn` with harmless arguments of its own types.
// Without arguments both conventions look the same, and SW_Init would open the library.
template <class R, class... A>
int32_t esp_moved_by(R(__stdcall* fn)(A...)) {
    if constexpr (sizeof...(A) == 0) return 0;
    const uint32_t args[sizeof...(A) + 1] = {harmless_argument<A>()..., 0};
    int32_t moved = 0;
    vx_probe_call(reinterpret_cast<const void*>(fn), args, sizeof...(A), &moved);
    return moved;
}

int __cdecl cdecl_pair(int a, int b) { return a + b; }
int __stdcall stdcall_pair(int a, int b) { return a + b; }

// The probe itself must tell the two conventions apart, or a pass proves nothing.
void check_probe(Tally& t) {
    const uint32_t args[] = {2, 3};
    int32_t moved = 1;
    t.check(vx_probe_call(reinterpret_cast<const void*>(&stdcall_pair), args, 2, &moved) == 5 && moved == 0,
            "stack probe: a stdcall callee leaves ESP balanced");
    t.check(vx_probe_call(reinterpret_cast<const void*>(&cdecl_pair), args, 2, &moved) == 5 && moved == -8,
            "stack probe: a cdecl callee leaves its 8 argument bytes");
}

// With the library closed, every export fails or answers at once; each must still
// remove exactly its own arguments from the stack.
void check_stack_balance(const Exports& e, Tally& t) {
#define VX_BALANCE(name, ordinal, result, params, args) \
    t.check(esp_moved_by(e.name) == 0, #name " removes its arguments (stdcall)");
    VORNIX_EXPORT_LIST(VX_BALANCE)
#undef VX_BALANCE
}

#endif

}  // namespace

int main() {
    Tally t;
#if VX_STDCALL_PROBE
    check_probe(t);
#endif
    HMODULE dll = LoadLibraryA("vornix.dll");
    t.check(dll != nullptr, "vornix.dll loads");
    if (!dll) {
        std::printf("smoke: %d passed, %d failed\n", t.passed, t.failed);
        return 1;
    }
    Exports e;
    bool all = true;
#define VX_RESOLVE(name, ordinal, result, params, args) all &= resolve(dll, #name, ordinal, e.name, t);
    VORNIX_EXPORT_LIST(VX_RESOLVE)
#undef VX_RESOLVE
    if (all) {
        check_lifecycle(e, t);
        check_noops(e, t);
#if VX_STDCALL_PROBE
        check_stack_balance(e, t);
#else
        std::printf("smoke: callee-pops check is i686-only (x86_64 has one calling convention)\n");
#endif
    }
    t.check(FreeLibrary(dll) != FALSE, "vornix.dll unloads");
    std::printf("smoke: %d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
