// Stand-ins for the platform functions vornix.dll imports to reach its line boxes,
// served by the simulated bus of this process. Each checks its arguments the way the
// real function depends on them, so that a wrong call from the library fails here
// as it would on a machine with boxes; such a call also fails the running test.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "iat_patch.h"

namespace vornix::winehost {

// --- SetupAPI (sim_setupapi.cpp) -------------------------------------------------------
HDEVINFO WINAPI sim_SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator, HWND parent, DWORD flags);
BOOL WINAPI sim_SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* interface_guid,
                                            DWORD index, PSP_DEVICE_INTERFACE_DATA data);
BOOL WINAPI sim_SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                 PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                                 PDWORD required, PSP_DEVINFO_DATA device);
BOOL WINAPI sim_SetupDiDestroyDeviceInfoList(HDEVINFO set);

// Device information sets handed out and not yet destroyed.
int live_device_info_sets();
// Forgets every set (a fresh library starts from none).
void forget_device_info_sets();
// Bus position of the interface whose path the last successful detail query gave,
// or -1; CreateFileA opens that position when it is given that path.
int slot_of_detailed_path(const std::string& path);

// --- kernel I/O (sim_kernel_io.cpp): other handles and paths go to the real ones --------
HANDLE WINAPI sim_CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE template_file);
BOOL WINAPI sim_DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                                LPDWORD returned, LPOVERLAPPED overlapped);
BOOL WINAPI sim_ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped);
BOOL WINAPI sim_CloseHandle(HANDLE handle);

// --- tick count and Windows version (sim_platform.cpp) ------------------------------------
// The tick count is the bus's clock: past 2^31 ms it is a DWORD above 0x7FFFFFFF.
DWORD WINAPI sim_GetTickCount();
DWORD WINAPI sim_GetVersion();
BOOL WINAPI sim_GetVersionExA(LPOSVERSIONINFOA info);
// Beyond the bus's NT 5.1 switch: GetVersion reporting the 9x family (high bit set),
// and GetVersionExA failing. Both are off again for every freshly loaded library.
void report_9x_family(bool on);
void fail_version_query(bool on);

// Every redirect above, by the DLL and name vornix.dll imports it under.
const std::vector<ImportRedirect>& device_import_redirects();

// Fails the running test: vornix.dll called `function` in a way the real one rejects.
void report_wrong_call(const char* function, const std::string& what);

}  // namespace vornix::winehost
