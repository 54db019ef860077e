#include "error_report.h"

#include <windows.h>

namespace ostrand {

namespace {
// "系统配置" (system configuration) in GBK.
constexpr char kApplicationTitle[] = "\xCF\xB5\xCD\xB3\xC5\xE4\xD6\xC3";
}  // namespace

void ShowErrorReport(const std::string& text) {
    MessageBoxA(GetActiveWindow(), text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace ostrand
