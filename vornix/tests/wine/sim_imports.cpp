#include "sim_imports.h"

#include <gtest/gtest.h>

namespace vornix::winehost {

const std::vector<ImportRedirect>& device_import_redirects() {
    static const std::vector<ImportRedirect> redirects = {
        {"setupapi.dll", "SetupDiGetClassDevsA", reinterpret_cast<const void*>(&sim_SetupDiGetClassDevsA)},
        {"setupapi.dll", "SetupDiEnumDeviceInterfaces", reinterpret_cast<const void*>(&sim_SetupDiEnumDeviceInterfaces)},
        {"setupapi.dll", "SetupDiGetDeviceInterfaceDetailA",
         reinterpret_cast<const void*>(&sim_SetupDiGetDeviceInterfaceDetailA)},
        {"setupapi.dll", "SetupDiDestroyDeviceInfoList", reinterpret_cast<const void*>(&sim_SetupDiDestroyDeviceInfoList)},
        {"kernel32.dll", "CreateFileA", reinterpret_cast<const void*>(&sim_CreateFileA)},
        {"kernel32.dll", "DeviceIoControl", reinterpret_cast<const void*>(&sim_DeviceIoControl)},
        {"kernel32.dll", "ReadFile", reinterpret_cast<const void*>(&sim_ReadFile)},
        {"kernel32.dll", "CloseHandle", reinterpret_cast<const void*>(&sim_CloseHandle)},
        {"kernel32.dll", "GetVersion", reinterpret_cast<const void*>(&sim_GetVersion)},
        {"kernel32.dll", "GetVersionExA", reinterpret_cast<const void*>(&sim_GetVersionExA)},
        {"kernel32.dll", "GetTickCount", reinterpret_cast<const void*>(&sim_GetTickCount)},
    };
    return redirects;
}

void report_wrong_call(const char* function, const std::string& what) {
    ADD_FAILURE() << "vornix.dll called " << function << " wrongly: " << what;
}

}  // namespace vornix::winehost
