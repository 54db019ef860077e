// Errors no handler deals with: they end in the generic error report instead of
// leaving a window procedure.
#pragma once

namespace ostrand {

// To be called from a catch (...) block: reports the exception being handled.
void ReportUnhandledError() noexcept;

}  // namespace ostrand
