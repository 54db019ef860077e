/*
 * vornix.h - host interface of the vornix line box library.
 *
 * A host drives up to 64 USB telephone-line recording boxes ("line boxes"), one per
 * device slot 0..63. A device slot is the position of a box among the line box
 * interfaces present right now, not a stored identity.
 *
 * vornix.dll comes for 32-bit hosts (i686) and for 64-bit hosts (x86_64); a process can
 * load only the one of its own architecture. Both export every function by undecorated
 * name at the ordinal given in its comment. On i686 every export uses the standard
 * Windows calling convention (stdcall: the callee removes the arguments); x86_64 has a
 * single calling convention, which VORNIX_CALL then names. Arguments are 32 bits wide
 * except pointers, which are as wide as the host's. Results of kind vx_bool are one
 * byte (1 true, 0 false); int results are 32-bit signed (-1 for failure).
 *
 * Failure reasons go to the thread's last-error value: 1 when the library is not
 * open, 87 for an argument out of range. Device failures set no last-error value of
 * their own; they start the library-wide recovery hold-off instead.
 *
 * The library creates no thread and takes no lock: call it from one thread at a time,
 * and dispatch window messages on the thread that called SW_Init so that hot-plug
 * notifications reach the library's hidden window.
 */
#ifndef VORNIX_H
#define VORNIX_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  define VORNIX_CALL __stdcall
#  if defined(VORNIX_BUILDING)
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

/* Lifecycle (ordinals 1-3) */
VORNIX_API vx_bool VORNIX_CALL SW_Init(void);                                  /* @1  always 1 */
VORNIX_API vx_bool VORNIX_CALL SW_Free(void);                                  /* @2  always 1 */
VORNIX_API int     VORNIX_CALL SW_GetCount(void);                              /* @3  boxes, -1 closed */

/* Commands */
VORNIX_API vx_bool VORNIX_CALL SW_LED(int slot, int mode);                     /* @4  mode 0..2 */
VORNIX_API vx_bool VORNIX_CALL SW_Reconnect(int slot);                         /* @19 */
VORNIX_API vx_bool VORNIX_CALL SW_Disconnect(int slot);                        /* @20 */
VORNIX_API vx_bool VORNIX_CALL SW_USBInit(int slot);                           /* @21 re-initialise */

/* Audio */
VORNIX_API vx_bool VORNIX_CALL SW_Record(int slot, int offset,
                                         unsigned char *buffer, int length);   /* @6  */
VORNIX_API int     VORNIX_CALL SW_CheckSilence(int slot);                      /* @35 1/0/-1 */

/* Status polling and line state */
VORNIX_API vx_bool VORNIX_CALL SW_Record1(int slot, int offset,
                                          unsigned char *buffer, int length);  /* @36 status poll */
VORNIX_API vx_bool VORNIX_CALL SW_RecEnd(int slot, unsigned char *flag);       /* @8  */
VORNIX_API vx_bool VORNIX_CALL SW_OffHook(int slot, unsigned char *flag);      /* @9  */
VORNIX_API int     VORNIX_CALL SW_CheckRecEnd(int slot);                       /* @10 1/0/-1 */
VORNIX_API int     VORNIX_CALL SW_CheckOffHook(int slot);                      /* @11 1/0/-1 */
VORNIX_API int     VORNIX_CALL SW_CheckDisconnect(int slot);                   /* @37 1/0/-1 */
VORNIX_API int     VORNIX_CALL SW_CheckRing(int slot);                         /* @38 1/0/-1 */

/* Caller ID */
VORNIX_API vx_bool VORNIX_CALL SW_GetCID(int slot, int unused1,
                                         unsigned char *codes16, int unused2); /* @12 raw codes */
VORNIX_API int     VORNIX_CALL SW_ReceiveCID(int slot, char *digits16);        /* @23 digit count, -1 */
VORNIX_API const char *VORNIX_CALL SW_GetStrCID(int slot);                     /* @29 library text */

/* DTMF */
VORNIX_API vx_bool VORNIX_CALL SW_GetDTMF(int slot, int unused1,
                                          unsigned char *codes16, int unused2);/* @18 raw codes */
VORNIX_API int     VORNIX_CALL SW_ReceiveDTMF(int slot, char *digits16);       /* @22 digit count, -1 */
VORNIX_API const char *VORNIX_CALL SW_GetStrDTMF(int slot);                    /* @30 library text */

/* WAV file recording */
VORNIX_API int     VORNIX_CALL SW_StartFileRecord(int slot, const char *path,
                                                  int budget);                 /* @24 0/-1 */
VORNIX_API int     VORNIX_CALL SW_StopFileRecord(int slot);                    /* @25 0/-1 */
VORNIX_API int     VORNIX_CALL SW_CheckFileRecordEnd(int slot);                /* @26 budget left, -1 */

/* Serial code and self-test */
VORNIX_API int     VORNIX_CALL SW_GetSN(int slot);                             /* @33 5000..5999, 5301, -1 */
VORNIX_API vx_bool VORNIX_CALL SW_SN(int slot, unsigned char *code2);          /* @34 big-endian code */
VORNIX_API vx_bool VORNIX_CALL SW_test(int slot, int unused);                  /* @39 */

/* Exports kept for hosts of earlier boxes; they do nothing and need no open library. */
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
