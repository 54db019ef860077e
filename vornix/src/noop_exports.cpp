// Exports kept for hosts written for earlier boxes (playback, caller-ID control,
// driver start/stop, info). They do nothing: no state, no open test, no last error.
#include "vornix.h"

namespace {
vx_bool done_true() { return 1; }
int done_zero() { return 0; }
}  // namespace

extern "C" {
VORNIX_API vx_bool VORNIX_CALL SW_Play(int, int, int, int) { return done_true(); }
VORNIX_API vx_bool VORNIX_CALL SW_GetInfo(int, int) { return done_true(); }
VORNIX_API vx_bool VORNIX_CALL SW_CIDEnd(int, int) { return done_true(); }
VORNIX_API vx_bool VORNIX_CALL SW_CIDClear(int) { return done_true(); }
VORNIX_API vx_bool VORNIX_CALL SW_StartDrv(int, int) { return done_true(); }
VORNIX_API vx_bool VORNIX_CALL SW_StopDrv(int, int) { return done_true(); }
VORNIX_API int VORNIX_CALL SW_PlayEnd(int, int) { return done_zero(); }
VORNIX_API int VORNIX_CALL SW_StartPlay(int, int) { return done_zero(); }
VORNIX_API int VORNIX_CALL SW_CheckPlayEnd(int) { return done_zero(); }
VORNIX_API int VORNIX_CALL SW_CheckCIDEnd(int) { return done_zero(); }
VORNIX_API int VORNIX_CALL SW_StopPlay(int) { return done_zero(); }
}
