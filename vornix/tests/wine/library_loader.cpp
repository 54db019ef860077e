#include "library_loader.h"

#include <cstdio>
#include <cstdlib>

#include "change_broadcaster.h"
#include "sim_imports.h"

namespace vornix::winehost {

namespace {

constexpr char kLibraryName[] = "vornix.dll";

HMODULE g_module = nullptr;
Exports g_exports;

[[noreturn]] void give_up(const char* what, const char* detail = "") {
    std::fprintf(stderr, "vornix.dll under test: %s %s (error %lu)\n", what, detail, GetLastError());
    std::fflush(stderr);
    std::exit(2);
}

}  // namespace

void unload_library() {
    if (!g_module) return;
    FreeLibrary(g_module);
    g_module = nullptr;
    g_exports = Exports{};
    if (GetModuleHandleA(kLibraryName)) give_up("still loaded after FreeLibrary; it would not start afresh");
}

namespace {

void load() {
    g_module = LoadLibraryA(kLibraryName);
    if (!g_module) give_up("cannot be loaded");
    for (const std::string& name : redirect_imports(g_module, device_import_redirects()))
        give_up("does not import", name.c_str());
#define VX_RESOLVE(name, ordinal, result, params, args)                                   \
    g_exports.name = reinterpret_cast<result(__stdcall*) params>(                        \
        reinterpret_cast<void*>(GetProcAddress(g_module, #name)));                       \
    if (!g_exports.name) give_up("does not export", #name);
    VORNIX_EXPORT_LIST(VX_RESOLVE)
#undef VX_RESOLVE
    forget_device_info_sets();
    report_9x_family(false);
    fail_version_query(false);
    install_change_broadcaster();
}

}  // namespace

const Exports& exports() {
    if (!g_module) load();
    return g_exports;
}

void reload_library() {
    unload_library();
    load();
}

HMODULE library_module() {
    exports();
    return g_module;
}

}  // namespace vornix::winehost
