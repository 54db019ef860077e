// The 39 exports of the library. Each lets the backend catch up with its world, then
// enters one internal operation (README.md in this folder maps which file holds
// which). The checks that internal callers share with the host (hold-off guard, open
// flag, slot and argument ranges, in their fixed order) live in the operations, so
// that a recovery or an SW_Free behaves exactly as the corresponding host call would.
#include "audio_capture.h"
#include "command_channel.h"
#include "device_port.h"
#include "digit_fields.h"
#include "lifecycle.h"
#include "linebox_protocol.h"
#include "serial_selftest.h"
#include "status_poll.h"
#include "vornix.h"
#include "wav_recorder.h"

using namespace vornix;

extern "C" {

// --- lifecycle ---------------------------------------------------------------------
VORNIX_API vx_bool VORNIX_CALL SW_Init(void) {
    port::catch_up();
    open_library();
    return 1;
}
VORNIX_API vx_bool VORNIX_CALL SW_Free(void) {
    port::catch_up();
    close_library();
    return 1;
}
VORNIX_API int VORNIX_CALL SW_GetCount(void) {
    port::catch_up();
    return counted_boxes();
}

// --- commands ----------------------------------------------------------------------
VORNIX_API vx_bool VORNIX_CALL SW_LED(int slot, int mode) {
    port::catch_up();
    return switch_led(slot, mode);
}
VORNIX_API vx_bool VORNIX_CALL SW_Reconnect(int slot) {
    port::catch_up();
    return line_command(slot, IOCTL_LINEBOX_RECONNECT);
}
VORNIX_API vx_bool VORNIX_CALL SW_Disconnect(int slot) {
    port::catch_up();
    return line_command(slot, IOCTL_LINEBOX_DISCONNECT);
}
VORNIX_API vx_bool VORNIX_CALL SW_USBInit(int slot) {
    port::catch_up();
    return reinit_box(slot);
}

// --- audio -------------------------------------------------------------------------
VORNIX_API vx_bool VORNIX_CALL SW_Record(int slot, int offset, unsigned char* buffer, int length) {
    port::catch_up();
    return record_audio(slot, offset, buffer, length, nullptr);
}
VORNIX_API int VORNIX_CALL SW_CheckSilence(int slot) {
    port::catch_up();
    return check_silence(slot);
}

// --- status polling and line state ---------------------------------------------------
VORNIX_API vx_bool VORNIX_CALL SW_Record1(int slot, int offset, unsigned char* buffer, int length) {
    port::catch_up();
    return status_poll(slot, offset, buffer, length);
}
VORNIX_API vx_bool VORNIX_CALL SW_RecEnd(int slot, unsigned char* flag) {
    port::catch_up();
    return read_flag(slot, flag, kRecordEndFlag);
}
VORNIX_API vx_bool VORNIX_CALL SW_OffHook(int slot, unsigned char* flag) {
    port::catch_up();
    return read_flag(slot, flag, kOffHookFlag);
}
VORNIX_API int VORNIX_CALL SW_CheckRecEnd(int slot) {
    port::catch_up();
    return check_flag(slot, kRecordEndFlag);
}
VORNIX_API int VORNIX_CALL SW_CheckOffHook(int slot) {
    port::catch_up();
    return check_flag(slot, kOffHookFlag);
}
VORNIX_API int VORNIX_CALL SW_CheckDisconnect(int slot) {
    port::catch_up();
    return check_disconnect(slot);
}
VORNIX_API int VORNIX_CALL SW_CheckRing(int slot) {
    port::catch_up();
    return check_ring(slot);
}

// --- caller ID and DTMF ------------------------------------------------------------
VORNIX_API vx_bool VORNIX_CALL SW_GetCID(int slot, int, unsigned char* codes16, int) {
    port::catch_up();
    return get_codes(kCallerIdField, slot, codes16);
}
VORNIX_API int VORNIX_CALL SW_ReceiveCID(int slot, char* digits16) {
    port::catch_up();
    return receive_digits(kCallerIdField, slot, digits16);
}
VORNIX_API const char* VORNIX_CALL SW_GetStrCID(int slot) {
    port::catch_up();
    return digits_text(kCallerIdField, slot);
}
VORNIX_API vx_bool VORNIX_CALL SW_GetDTMF(int slot, int, unsigned char* codes16, int) {
    port::catch_up();
    return get_codes(kDtmfField, slot, codes16);
}
VORNIX_API int VORNIX_CALL SW_ReceiveDTMF(int slot, char* digits16) {
    port::catch_up();
    return receive_digits(kDtmfField, slot, digits16);
}
VORNIX_API const char* VORNIX_CALL SW_GetStrDTMF(int slot) {
    port::catch_up();
    return digits_text(kDtmfField, slot);
}

// --- WAV file recording --------------------------------------------------------------
VORNIX_API int VORNIX_CALL SW_StartFileRecord(int slot, const char* path, int budget) {
    port::catch_up();
    return start_recording(slot, path, budget);
}
VORNIX_API int VORNIX_CALL SW_StopFileRecord(int slot) {
    port::catch_up();
    return stop_recording(slot);
}
VORNIX_API int VORNIX_CALL SW_CheckFileRecordEnd(int slot) {
    port::catch_up();
    return poll_recording(slot);
}

// --- serial code and self-test -------------------------------------------------------
VORNIX_API int VORNIX_CALL SW_GetSN(int slot) {
    port::catch_up();
    return serial_number(slot);
}
VORNIX_API vx_bool VORNIX_CALL SW_SN(int slot, unsigned char* code2) {
    port::catch_up();
    return read_serial(slot, code2);
}
VORNIX_API vx_bool VORNIX_CALL SW_test(int slot, int) {
    port::catch_up();
    return self_test(slot);
}

// --- kept for hosts of earlier boxes: no state, no open test, no last error ----------
VORNIX_API vx_bool VORNIX_CALL SW_Play(int, int, int, int) { return 1; }
VORNIX_API vx_bool VORNIX_CALL SW_GetInfo(int, int) { return 1; }
VORNIX_API vx_bool VORNIX_CALL SW_CIDEnd(int, int) { return 1; }
VORNIX_API vx_bool VORNIX_CALL SW_CIDClear(int) { return 1; }
VORNIX_API vx_bool VORNIX_CALL SW_StartDrv(int, int) { return 1; }
VORNIX_API vx_bool VORNIX_CALL SW_StopDrv(int, int) { return 1; }
VORNIX_API int VORNIX_CALL SW_PlayEnd(int, int) { return 0; }
VORNIX_API int VORNIX_CALL SW_StartPlay(int, int) { return 0; }
VORNIX_API int VORNIX_CALL SW_CheckPlayEnd(int) { return 0; }
VORNIX_API int VORNIX_CALL SW_CheckCIDEnd(int) { return 0; }
VORNIX_API int VORNIX_CALL SW_StopPlay(int) { return 0; }

}  // extern "C"
