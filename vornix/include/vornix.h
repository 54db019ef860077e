/*
 * vornix.h - host interface of the vornix line box library.
 *
 * A host drives up to 64 USB telephone-line recording boxes ("line boxes"), one per
 * device slot 0..63, through the 39 exports below. docs/host-guide.md walks through
 * one call as a host should drive it, with code in C, Python, C# and Pascal.
 *
 * Builds and calling convention
 *   vornix.dll comes for 32-bit hosts (i686) and for 64-bit hosts (x86_64); a process
 *   can load only the one of its own architecture. Both export every function by
 *   undecorated name at the ordinal given with it. On i686 every export uses the
 *   standard Windows calling convention (stdcall: the callee removes the arguments);
 *   x86_64 has a single calling convention, which VORNIX_CALL then names. Arguments
 *   are 32 bits wide except pointers, which are as wide as the host's. Results of kind
 *   vx_bool are one byte (1 true, 0 false); int results are 32-bit signed. On Linux,
 *   libvornix.so has the same exports over simulated boxes (see docs/simulator.md).
 *
 * Slots are positions
 *   A device slot is the position of a box among the line box interfaces present
 *   right now, not a stored identity. When an earlier box is pulled out, the boxes
 *   behind it move up one slot. Tell boxes apart by their serial codes (SW_test, then
 *   SW_GetSN) after SW_GetCount changes, and compare each slot's SW_GetSN with the code
 *   known for it every round: a box pulled and another plugged in between two rounds
 *   leave the count as it was. SW_GetSN answers from the same poll as the line's
 *   flags, so the comparison costs no device access.
 *
 * Last error
 *   An export that refuses a call sets the thread's last-error value (GetLastError on
 *   Windows; errno with libvornix.so): VORNIX_ERROR_NOT_OPEN while the library is not open,
 *   VORNIX_ERROR_BAD_ARGUMENT for an argument out of range (a slot outside 0..63, a
 *   null pointer, a read range past 65,536, an LED mode outside 0..2, an empty path).
 *   For a slot outside 0..63 while the library is closed, "not open" comes first.
 *   Every other outcome leaves the host's last-error value as it was, including device
 *   failures: those start the recovery hold-off instead.
 *
 * Recovery hold-off
 *   When a box cannot be opened or rejects a request, the library re-initialises it;
 *   when a read from a box fails or delivers nothing, it re-initialises every box.
 *   Then, for 1 second (2 seconds on Windows XP, NT 5.1), the "guarded" exports
 *   (SW_LED, SW_Reconnect, SW_Disconnect, SW_Record, SW_Record1) answer success at
 *   once without touching any box and without looking at their arguments. Exports built
 *   on them see this too: status queries answer from the status record, a recording
 *   gets no chunk, a silence test repeats its last answer. SW_USBInit and SW_test are
 *   never held off.
 *
 * Status record and status cache
 *   Each box reports its line in a 64-byte status record: caller-ID and DTMF digits,
 *   off-hook, record-end (an audio block is ready), disconnect and ring flags, serial
 *   code. A status query polls the box (a status poll through SW_Record1) only when the
 *   slot's last poll started more than 600 ms ago; otherwise it answers from the
 *   record the library holds. One poll serves every status query of the slot for
 *   600 ms, so polling every slot every 50 ms costs about one poll per slot per 600 ms.
 *   A record without its validity marker is replaced by the slot's last valid record.
 *
 * Time
 *   The 600 ms of the status cache, the hold-off and every other wait of the library
 *   are measured on vornix.dll's system tick count (GetTickCount), milliseconds since
 *   the system started, not on the wall clock: setting the system time moves none of
 *   them, and they keep their length across the tick count's wraps after 24.8 and 49.7
 *   days of uptime, so a host may run for months. The simulated boxes keep a clock of
 *   their own (docs/simulator.md, `clock`).
 *
 * Shared storage
 *   The library keeps one result text buffer, one device read buffer and one record
 *   budget for all slots. Texts it returns (SW_GetStrCID, SW_GetStrDTMF) are its own,
 *   valid until the next call into the library; SW_CheckRing and SW_CheckDisconnect
 *   overwrite their first byte. Copy a text before the next call. Buffers the host
 *   passes stay the host's.
 *
 * Threads and messages
 *   The library creates no thread and takes no lock: call it from one thread at a
 *   time. SW_Init creates a hidden top-level window, "Vornix_Notify_Window", on the
 *   calling thread; arrivals and removals of boxes reach it as WM_DEVICECHANGE only
 *   while that thread dispatches window messages, and only then does SW_GetCount
 *   follow. A host that never dispatches messages sees its count go stale.
 */
#ifndef VORNIX_H
#define VORNIX_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  define VORNIX_CALL __stdcall
#  if defined(VORNIX_WRAPPED)
     /* inside the traced library, whose recording layer exports the calls */
#    define VORNIX_API
#  elif defined(VORNIX_BUILDING)
#    define VORNIX_API __declspec(dllexport)
#  else
#    define VORNIX_API __declspec(dllimport)
#  endif
#else
#  define VORNIX_CALL
#  if defined(VORNIX_BUILDING)
#    define VORNIX_API __attribute__((visibility("default")))
#  else
#    define VORNIX_API
#  endif
#endif

/* One-byte boolean result: 1 true, 0 false. */
typedef unsigned char vx_bool;

/* Last-error values the library sets. */
#define VORNIX_ERROR_NOT_OPEN     1   /* ERROR_INVALID_FUNCTION: the library is not open */
#define VORNIX_ERROR_BAD_ARGUMENT 87  /* ERROR_INVALID_PARAMETER: an argument is out of range */

/* LED modes of SW_LED. What the box shows in modes 1 and 2 is the box's own; the call
   recorder uses 1 while a line rings and 2 while it records. */
#define VORNIX_LED_OFF 0
#define VORNIX_LED_1   1
#define VORNIX_LED_2   2

/* Answers of SW_CheckSilence. */
#define VORNIX_SILENT      1
#define VORNIX_NOT_SILENT  0
#define VORNIX_SILENCE_UNKNOWN (-1)

/* Sizes. */
#define VORNIX_SLOTS        64     /* device slots 0..63 */
#define VORNIX_DIGITS       16     /* caller-ID or DTMF positions of a status record */
#define VORNIX_CHUNK_BYTES  16384  /* one audio block in a recording: 2.048 s at 8000 Hz */
#define VORNIX_BLOCK_BYTES  16896  /* one audio block as the box delivers it */
#define VORNIX_REPORT_BYTES 576    /* one status report as the box delivers it */

/* ===== Lifecycle ================================================================= */

/* SW_Init (ordinal 1): opens the library.
   Enumerates the boxes present, creates the hidden notification window on the calling
   thread and registers it for line box arrivals and removals. The first SW_Init after
   the library is loaded also resets the per-slot tables, fixes the hold-off length
   from the Windows version and re-initialises every box found (SW_USBInit). A later
   SW_Init (also while open) enumerates again and makes a new window, but resets
   nothing. Over simulated boxes it starts the scenario (docs/simulator.md).
   Returns 1, always; leaves the last error alone. */
VORNIX_API vx_bool VORNIX_CALL SW_Init(void);

/* SW_Free (ordinal 2): closes the library.
   Switches every box's LED off (SW_LED mode 0, which a running hold-off skips),
   empties the device list, and takes the notification window down; a window of
   another thread, which only that thread can destroy, is cut loose and closes when
   its thread next takes messages. Recordings are not finished: stop them first
   (while closed, SW_StopFileRecord refuses). Status records and tables are kept.
   Returns 1, always. Without a preceding SW_Init it switches nothing and leaves
   last error VORNIX_ERROR_NOT_OPEN. */
VORNIX_API vx_bool VORNIX_CALL SW_Free(void);

/* SW_GetCount (ordinal 3): the number of boxes, as the last enumeration found them
   (at SW_Init, or when the window handled an arrival or removal). Does not enumerate.
   Returns the count; -1 with VORNIX_ERROR_NOT_OPEN while closed. */
VORNIX_API int     VORNIX_CALL SW_GetCount(void);

/* ===== Commands ==================================================================
   Each opens the box, sends one request and closes it again. Result 1: the request
   was sent (also when the box rejected it, which starts the recovery hold-off), or a
   hold-off skipped the call. Result 0: VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT,
   or the box could not be opened (no last error; the hold-off starts). */

/* SW_LED (ordinal 4): switches the box's LED; mode VORNIX_LED_OFF, _1 or _2. Guarded. */
VORNIX_API vx_bool VORNIX_CALL SW_LED(int slot, int mode);

/* SW_Reconnect (ordinal 19): connects the box to its line for audio. Guarded.
   SW_StartFileRecord and SW_CheckSilence do this themselves. */
VORNIX_API vx_bool VORNIX_CALL SW_Reconnect(int slot);

/* SW_Disconnect (ordinal 20): disconnects the box from its line. Guarded.
   SW_StopFileRecord does this itself. */
VORNIX_API vx_bool VORNIX_CALL SW_Disconnect(int slot);

/* SW_USBInit (ordinal 21): re-initialises the box. Never held off. A box that cannot
   be opened or rejects it starts the hold-off without a further re-initialisation.
   The library re-initialises boxes itself: at the first SW_Init, in every recovery,
   and before every 101st status poll of a slot. */
VORNIX_API vx_bool VORNIX_CALL SW_USBInit(int slot);

/* ===== Audio ===================================================================== */

/* SW_Record (ordinal 6): reads one block of line audio into the host's buffer.
   buffer: at least `length` bytes; offset + length (taken as unsigned) at most
   65,536. The box delivers up to `length` bytes at the start of the buffer; how many
   is not reported, and the rest of the buffer stays as it was. Samples are mono,
   unsigned 8-bit, 8000 per second. Guarded, and once a call got past the hold-off,
   further calls for the slot within 200 ms answer 1 without reading.
   Returns 1 when the call was accepted, which does not mean fresh audio arrived: also
   during a hold-off or the 200 ms guard, when the box rejected the request, and when
   the read failed or delivered nothing (every box is then re-initialised and the
   hold-off starts). Returns 0 with VORNIX_ERROR_NOT_OPEN, with
   VORNIX_ERROR_BAD_ARGUMENT (slot, null buffer, range), or when the box could not be
   opened (hold-off). Most hosts record with SW_StartFileRecord instead. */
VORNIX_API vx_bool VORNIX_CALL SW_Record(int slot, int offset,
                                         unsigned char *buffer, int length);

/* SW_CheckSilence (ordinal 35): whether the line is silent.
   Connects the box (SW_Reconnect), reads 2,048 samples (SW_Record) and counts the
   neighbouring samples that differ by less than 4: more than 1,500 of 2,047 is
   silence. Returns VORNIX_SILENT (1) or VORNIX_NOT_SILENT (0). Without a fresh block
   (hold-off, 200 ms guard, rejected or failed read) it repeats the slot's last answer,
   or returns VORNIX_SILENCE_UNKNOWN (-1) when it never had one. Returns -1 also with
   VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT, or when the box could not be
   opened. Does not disconnect afterwards. */
VORNIX_API int     VORNIX_CALL SW_CheckSilence(int slot);

/* ===== Status polling and line state ============================================
   Flags are the characters '1' (set) and '0' (clear); other bytes count as not set.
   The queries below (and those of caller ID, DTMF and serial code) poll the box only
   when the slot's last poll started more than 600 ms ago, and otherwise answer from
   the status record. A failed poll still counts as the slot's last poll: queries in
   the next 600 ms answer from the unchanged record. While the library is closed,
   SW_OffHook, SW_RecEnd, SW_GetCID, SW_GetDTMF and SW_SN still answer from the
   record while the slot's last poll is less than 600 ms old (after that they would
   need a poll, which refuses with VORNIX_ERROR_NOT_OPEN); SW_CheckRecEnd,
   SW_CheckOffHook, SW_CheckRing, SW_CheckDisconnect, SW_ReceiveCID, SW_ReceiveDTMF,
   SW_GetStrCID, SW_GetStrDTMF and SW_GetSN refuse at once with
   VORNIX_ERROR_NOT_OPEN, whatever the record holds. */

/* SW_Record1 (ordinal 36): one status poll into the host's buffer, past the cache.
   buffer: at least `length` bytes, with length at least 448 (enough for the record
   also where a box puts it behind its offset marker of five '+'); the
   library's own polls read VORNIX_REPORT_BYTES. Installs the record from the bytes
   the box delivered (a short report leaves the record unchanged). Guarded: during a
   hold-off it returns 1 without polling. Returns 1 also when the box rejected the
   request (record unchanged) or the read failed (full recovery); 0 with
   VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT, or when the box could not be
   opened (hold-off). Hosts rarely need it: the queries below poll for them. */
VORNIX_API vx_bool VORNIX_CALL SW_Record1(int slot, int offset,
                                          unsigned char *buffer, int length);

/* SW_RecEnd (ordinal 8): the record-end flag byte (an audio block is ready) into
   *flag. SW_OffHook (ordinal 9): the off-hook flag byte (the handset is lifted).
   Return 1 with the byte written; 0 when the poll failed (box gone, library closed
   with an expired cache: VORNIX_ERROR_NOT_OPEN) or with VORNIX_ERROR_BAD_ARGUMENT
   (slot, null flag); *flag is then left alone. */
VORNIX_API vx_bool VORNIX_CALL SW_RecEnd(int slot, unsigned char *flag);
VORNIX_API vx_bool VORNIX_CALL SW_OffHook(int slot, unsigned char *flag);

/* SW_CheckRecEnd (ordinal 10), SW_CheckOffHook (ordinal 11): the same as 1 (set),
   0 (not set) or -1 (failure; VORNIX_ERROR_NOT_OPEN while closed, whatever the cache
   holds). */
VORNIX_API int     VORNIX_CALL SW_CheckRecEnd(int slot);
VORNIX_API int     VORNIX_CALL SW_CheckOffHook(int slot);

/* SW_CheckDisconnect (ordinal 37): 1 when the line is disconnected (no call, no
   ring), 0 when it is not, -1 on failure (VORNIX_ERROR_NOT_OPEN,
   VORNIX_ERROR_BAD_ARGUMENT, poll failed). After a fresh poll a flag byte that is
   neither '1' nor '0' repeats the slot's last definite answer (1 until the box first
   says otherwise); from the cache it gives 0. Overwrites the first byte of the last
   text of SW_GetStrCID / SW_GetStrDTMF with the flag byte. */
VORNIX_API int     VORNIX_CALL SW_CheckDisconnect(int slot);

/* SW_CheckRing (ordinal 38): 1 while the line rings, 0 when not, -1 on failure
   (VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT, poll failed). Overwrites the
   first byte of the last text of SW_GetStrCID / SW_GetStrDTMF with the flag byte. */
VORNIX_API int     VORNIX_CALL SW_CheckRing(int slot);

/* ===== Caller ID ================================================================
   The calling number of a ringing line, up to 16 digits '0'-'9', from the status
   record (the cache rules above). Reading it as digits consumes it in the library's
   record, so a second read within 600 ms finds no number; the next poll brings back
   whatever the box still reports. */

/* SW_GetCID (ordinal 12): the 16 raw codes into codes16 (at least 16 bytes): each a
   digit character with its eight bits reversed, 0xFF for an empty position. Not
   consumed. The second and fourth arguments are ignored. Returns 1; 0 when the poll
   failed or with VORNIX_ERROR_BAD_ARGUMENT (codes16 then untouched). */
VORNIX_API vx_bool VORNIX_CALL SW_GetCID(int slot, int unused1,
                                         unsigned char *codes16, int unused2);

/* SW_ReceiveCID (ordinal 23): the digits into digits16, the count as result (0..16).
   digits16: at least 16 bytes. A zero byte follows the digits only when there are
   fewer than 16: with 16 digits there is NO terminator, so pass 17 bytes and
   terminate at the count. Consumes the number. Returns -1 with VORNIX_ERROR_NOT_OPEN,
   VORNIX_ERROR_BAD_ARGUMENT, or when the poll failed (nothing written or consumed). */
VORNIX_API int     VORNIX_CALL SW_ReceiveCID(int slot, char *digits16);

/* SW_GetStrCID (ordinal 29): the digits as a zero-terminated text (never null). The
   text is the library's, valid until the next call into it. Consumes the number only
   when all 16 positions held digits, so a shorter number reads again within 600 ms.
   Returns an empty text when the poll failed or with VORNIX_ERROR_BAD_ARGUMENT, and
   with VORNIX_ERROR_NOT_OPEN while closed. */
VORNIX_API const char *VORNIX_CALL SW_GetStrCID(int slot);

/* ===== DTMF ======================================================================
   Digits dialled on the line, up to 16 of '0'-'9' '*' '#' 'A'-'D', from the status
   record. Every successful read as digits consumes them. */

/* SW_GetDTMF (ordinal 18): the 16 raw codes (0x00 'D', 0x01-0x09 '1'-'9', 0x0A '0',
   0x0B '*', 0x0C '#', 0x0D-0x0F 'A'-'C'; 0x10 and above end the digits) into codes16
   (at least 16 bytes). Not consumed. Results as SW_GetCID. */
VORNIX_API vx_bool VORNIX_CALL SW_GetDTMF(int slot, int unused1,
                                          unsigned char *codes16, int unused2);

/* SW_ReceiveDTMF (ordinal 22): the digits into digits16, the count as result; no
   terminator with 16 digits, as SW_ReceiveCID. Consumes them. Failures as
   SW_ReceiveCID. */
VORNIX_API int     VORNIX_CALL SW_ReceiveDTMF(int slot, char *digits16);

/* SW_GetStrDTMF (ordinal 30): the digits as a zero-terminated library text, valid
   until the next call; the same buffer as SW_GetStrCID's. Consumes them. Failures as
   SW_GetStrCID. */
VORNIX_API const char *VORNIX_CALL SW_GetStrDTMF(int slot);

/* ===== WAV file recording ========================================================
   A recording is a WAV file of 8000 Hz, 8-bit, mono PCM: a 58-byte header (with a
   fact chunk), then one 16,384-byte chunk per audio block the box reports ready, every
   2.048 s of call audio. One record budget, in bytes, serves every slot: each
   SW_StartFileRecord replaces it and every chunk of any slot lowers it. */

/* SW_StartFileRecord (ordinal 24): starts recording the slot into a new file.
   Connects the box (SW_Reconnect; a hold-off lets the start go on), creates or
   truncates `path` (an ANSI path, NUL-terminated) and writes a provisional header.
   The library keeps the path's absolute form, a relative one taken against the
   current folder now, for every reopen and the final header: a host that changes its
   folder during the call (a file dialog may) keeps its file. Sets the record budget
   to `budget` bytes. A slot that still records finishes its earlier file first.
   Returns 0; -1 with VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT (slot, null or
   empty path), when the box could not be opened (hold-off), or when the file cannot
   be created, its absolute path included longer than 4,095 bytes (the last error is
   then whatever the C runtime left). The file belongs to the library until
   SW_StopFileRecord. */
VORNIX_API int     VORNIX_CALL SW_StartFileRecord(int slot, const char *path,
                                                  int budget);

/* SW_CheckFileRecordEnd (ordinal 26): call it again and again while recording (every
   50 to 500 ms; a block is ready every 2.048 s). When the box reports a block ready,
   reads it and appends its 16,384 audio bytes. Every 11th chunk the file is closed
   and reopened with its header brought up to date, so a file cut short by a crash is
   a playable WAV of all but its last chunks.
   Returns the record budget left: it falls by 16,384 per chunk and stops at 0, which
   says the budget is spent; recording goes on until SW_StopFileRecord. A block not
   read whole (hold-off, 200 ms guard, failed read) is skipped and the budget returned
   unchanged. Returns -1 with VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT, when
   the slot does not record, when the status poll failed (the recording stays open),
   when the box could not be opened, or when the reopen failed (the recording ends,
   its file keeps the header of its last refresh). */
VORNIX_API int     VORNIX_CALL SW_CheckFileRecordEnd(int slot);

/* SW_StopFileRecord (ordinal 25): writes the final header, closes the file and
   disconnects the box (SW_Disconnect). A file past 4 GiB (some 149 hours of one line)
   gets the largest sizes its 32-bit header fields hold: RIFF size 0xFFFFFFFF, data
   size and sample count 0xFFFFFFCD; its audio runs to the end of the file. Returns 0; -1 with VORNIX_ERROR_NOT_OPEN (the
   recording stays open: stop it after the next SW_Init), VORNIX_ERROR_BAD_ARGUMENT,
   when the slot does not record, or when the disconnect failed (the file is finished
   and closed all the same). */
VORNIX_API int     VORNIX_CALL SW_StopFileRecord(int slot);

/* ===== Serial code and self-test ================================================ */

/* SW_GetSN (ordinal 33): the box's serial code from its status record (cache rules
   above): 5000..5999, or 5301 for any other code, a box that reports none, or a failed
   poll. Returns -1 with VORNIX_ERROR_NOT_OPEN or VORNIX_ERROR_BAD_ARGUMENT. The record
   may be up to 600 ms old: after a plug or unplug call SW_test first for a fresh one. */
VORNIX_API int     VORNIX_CALL SW_GetSN(int slot);

/* SW_SN (ordinal 34): the serial code as two bytes, big-endian, into code2 (at least
   2 bytes). Returns 1; 0 when the poll failed or with VORNIX_ERROR_BAD_ARGUMENT
   (code2 untouched). */
VORNIX_API vx_bool VORNIX_CALL SW_SN(int slot, unsigned char *code2);

/* SW_test (ordinal 39): whether the box answers with a valid status record. Reads one
   status report straight from the box, past the cache and the hold-off, and installs
   its record (valid or not) for the slot's next cached queries. The second argument
   is ignored. Returns 1 for a record with the validity marker; 0 for one without, with
   VORNIX_ERROR_NOT_OPEN or VORNIX_ERROR_BAD_ARGUMENT, when the box could not be opened
   (hold-off), rejected the request (the record is left alone) or the read failed. */
VORNIX_API vx_bool VORNIX_CALL SW_test(int slot, int unused);

/* ===== Kept for hosts of earlier boxes ===========================================
   They do nothing, need no open library, take arguments they ignore and leave the
   last error alone. */
VORNIX_API vx_bool VORNIX_CALL SW_Play(int a, int b, int c, int d);            /* @5  always 1 */
VORNIX_API vx_bool VORNIX_CALL SW_GetInfo(int a, int b);                       /* @7  always 1 */
VORNIX_API vx_bool VORNIX_CALL SW_CIDEnd(int a, int b);                        /* @13 always 1 */
VORNIX_API vx_bool VORNIX_CALL SW_CIDClear(int a);                             /* @14 always 1 */
VORNIX_API int     VORNIX_CALL SW_PlayEnd(int a, int b);                       /* @15 always 0 */
VORNIX_API int     VORNIX_CALL SW_CheckPlayEnd(int a);                         /* @16 always 0 */
VORNIX_API int     VORNIX_CALL SW_CheckCIDEnd(int a);                          /* @17 always 0 */
VORNIX_API int     VORNIX_CALL SW_StartPlay(int a, int b);                     /* @27 always 0 */
VORNIX_API int     VORNIX_CALL SW_StopPlay(int a);                             /* @28 always 0 */
VORNIX_API vx_bool VORNIX_CALL SW_StartDrv(int a, int b);                      /* @31 always 1 */
VORNIX_API vx_bool VORNIX_CALL SW_StopDrv(int a, int b);                       /* @32 always 1 */

#ifdef __cplusplus
}
#endif

#endif /* VORNIX_H */
