#include "unhandled_error.h"

#include <exception>

#include "error_report.h"

namespace ostrand {

void ReportUnhandledError() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        try {
            ShowErrorReport(error.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowErrorReport("Unknown error");
        } catch (...) {
        }
    }
}

}  // namespace ostrand
