// Where the UI driver finds what it works with; set from its command line.
#pragma once
#include <string>

namespace ostrand_ui {

struct DriverOptions {
    std::wstring ostrand_exe;      // the tool under test
    std::wstring fake_automation;  // the stand-in automation DLL
    std::wstring screenshots;      // folder for PNG captures
};

DriverOptions& Options();

}  // namespace ostrand_ui
