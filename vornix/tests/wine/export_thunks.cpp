// The 39 SW_* functions of this program forward to the exports of the vornix.dll
// loaded right now, so that the scenario tests, written against vornix.h, drive the
// real library (which is loaded afresh for every test).
#include "library_loader.h"
#include "vornix.h"

#define VX_THUNK(name, ordinal, result, params, args) \
    extern "C" result VORNIX_CALL name params { return vornix::winehost::exports().name args; }
VORNIX_EXPORT_LIST(VX_THUNK)
#undef VX_THUNK
