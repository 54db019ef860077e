#include "error_report.h"

#include <windows.h>

#include "gbk_texts.h"

namespace ostrand {

void ShowErrorReport(const std::string& text) {
    MessageBoxA(GetActiveWindow(), text.c_str(), texts::kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace ostrand
