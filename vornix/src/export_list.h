// The 39 exports of vornix.dll as one list, for code that has to walk all of them:
//   X(name, ordinal, result type, parameter list, argument list)
// Types are those of vornix.h; every export is stdcall.
#pragma once
#include "vornix.h"

#define VORNIX_EXPORT_LIST(X)                                                              \
    X(SW_Init, 1, vx_bool, (void), ())                                                     \
    X(SW_Free, 2, vx_bool, (void), ())                                                     \
    X(SW_GetCount, 3, int, (void), ())                                                     \
    X(SW_LED, 4, vx_bool, (int slot, int mode), (slot, mode))                              \
    X(SW_Play, 5, vx_bool, (int a, int b, int c, int d), (a, b, c, d))                     \
    X(SW_Record, 6, vx_bool, (int slot, int offset, unsigned char* buffer, int length),    \
      (slot, offset, buffer, length))                                                      \
    X(SW_GetInfo, 7, vx_bool, (int a, int b), (a, b))                                      \
    X(SW_RecEnd, 8, vx_bool, (int slot, unsigned char* flag), (slot, flag))                \
    X(SW_OffHook, 9, vx_bool, (int slot, unsigned char* flag), (slot, flag))               \
    X(SW_CheckRecEnd, 10, int, (int slot), (slot))                                         \
    X(SW_CheckOffHook, 11, int, (int slot), (slot))                                        \
    X(SW_GetCID, 12, vx_bool, (int slot, int unused1, unsigned char* codes16, int unused2), \
      (slot, unused1, codes16, unused2))                                                   \
    X(SW_CIDEnd, 13, vx_bool, (int a, int b), (a, b))                                      \
    X(SW_CIDClear, 14, vx_bool, (int a), (a))                                              \
    X(SW_PlayEnd, 15, int, (int a, int b), (a, b))                                         \
    X(SW_CheckPlayEnd, 16, int, (int a), (a))                                              \
    X(SW_CheckCIDEnd, 17, int, (int a), (a))                                               \
    X(SW_GetDTMF, 18, vx_bool, (int slot, int unused1, unsigned char* codes16, int unused2), \
      (slot, unused1, codes16, unused2))                                                   \
    X(SW_Reconnect, 19, vx_bool, (int slot), (slot))                                       \
    X(SW_Disconnect, 20, vx_bool, (int slot), (slot))                                      \
    X(SW_USBInit, 21, vx_bool, (int slot), (slot))                                         \
    X(SW_ReceiveDTMF, 22, int, (int slot, char* digits16), (slot, digits16))               \
    X(SW_ReceiveCID, 23, int, (int slot, char* digits16), (slot, digits16))                \
    X(SW_StartFileRecord, 24, int, (int slot, const char* path, int budget),               \
      (slot, path, budget))                                                                \
    X(SW_StopFileRecord, 25, int, (int slot), (slot))                                      \
    X(SW_CheckFileRecordEnd, 26, int, (int slot), (slot))                                  \
    X(SW_StartPlay, 27, int, (int a, int b), (a, b))                                       \
    X(SW_StopPlay, 28, int, (int a), (a))                                                  \
    X(SW_GetStrCID, 29, const char*, (int slot), (slot))                                   \
    X(SW_GetStrDTMF, 30, const char*, (int slot), (slot))                                  \
    X(SW_StartDrv, 31, vx_bool, (int a, int b), (a, b))                                    \
    X(SW_StopDrv, 32, vx_bool, (int a, int b), (a, b))                                     \
    X(SW_GetSN, 33, int, (int slot), (slot))                                               \
    X(SW_SN, 34, vx_bool, (int slot, unsigned char* code2), (slot, code2))                 \
    X(SW_CheckSilence, 35, int, (int slot), (slot))                                        \
    X(SW_Record1, 36, vx_bool, (int slot, int offset, unsigned char* buffer, int length),  \
      (slot, offset, buffer, length))                                                      \
    X(SW_CheckDisconnect, 37, int, (int slot), (slot))                                     \
    X(SW_CheckRing, 38, int, (int slot), (slot))                                           \
    X(SW_test, 39, vx_bool, (int slot, int unused), (slot, unused))

constexpr int kVornixExportCount = 39;
