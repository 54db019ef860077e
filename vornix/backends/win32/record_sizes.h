// Sizes of the Windows records the backend fills in. Every cbSize-style field is set
// from sizeof of its structure; these pins make a header or packing change visible at
// compile time. On i686 SetupAPI packs its records to 1 byte, which gives the 28 and 5
// that 32-bit Windows checks; x86_64 Windows checks 32 and 8.
#pragma once
#include <windows.h>
#include <dbt.h>
#include <setupapi.h>

namespace vornix::win32 {

struct SetupApiSizes {
    DWORD interface_data;  // SP_DEVICE_INTERFACE_DATA
    DWORD detail_data;     // SP_DEVICE_INTERFACE_DETAIL_DATA_A, path excluded
};
constexpr SetupApiSizes kI686SetupApi = {28, 5};
constexpr SetupApiSizes kX86_64SetupApi = {32, 8};

#if defined(__i386__) || defined(_M_IX86)
constexpr SetupApiSizes kSetupApi = kI686SetupApi;
constexpr SetupApiSizes kOtherArchitectureSetupApi = kX86_64SetupApi;
#elif defined(__x86_64__) || defined(_M_X64)
constexpr SetupApiSizes kSetupApi = kX86_64SetupApi;
constexpr SetupApiSizes kOtherArchitectureSetupApi = kI686SetupApi;
#else
#error "vornix.dll is built for i686 and x86_64 only"
#endif

static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == kSetupApi.interface_data, "interface data record");
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == kSetupApi.detail_data, "interface detail record");

// The same on both: the notification filter (an interface broadcast with an empty
// name) and the version record.
constexpr DWORD kInterfaceFilterSize = 32;
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == kInterfaceFilterSize, "notification filter");
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize, "version record");

}  // namespace vornix::win32
