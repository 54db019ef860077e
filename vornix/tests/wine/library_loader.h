// The vornix.dll under test: loaded from beside this program, its device imports
// pointed at the simulated bus, its exports resolved by name.
#pragma once
#include <windows.h>

#include "export_list.h"

namespace vornix::winehost {

struct Exports {
#define VX_MEMBER(name, ordinal, result, params, args) result(__stdcall* name) params = nullptr;
    VORNIX_EXPORT_LIST(VX_MEMBER)
#undef VX_MEMBER
};

// The exports of the loaded library (loading it on first use).
const Exports& exports();

// Unloads the library, as a host's FreeLibrary does (also while it is open), and
// loads it again: a just-loaded library.
void reload_library();

// Unloads the library; the next use of exports() loads it again.
void unload_library();

HMODULE library_module();

}  // namespace vornix::winehost
