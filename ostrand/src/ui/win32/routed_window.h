// Hands the messages of a window to the C++ object that created it: the object comes
// in as the creation parameter and is kept in the window's user data. No exception
// crosses back into the system: it goes to the generic error report.
#pragma once
#include <windows.h>

#include "unhandled_error.h"

namespace ostrand {

template <class Owner>
LRESULT RouteMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, HWND Owner::*window,
                     LRESULT (Owner::*handle)(UINT, WPARAM, LPARAM)) noexcept {
    try {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            self->*window = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        return self ? (self->*handle)(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
    } catch (...) {
        ReportUnhandledError();
        return 0;
    }
}

}  // namespace ostrand
