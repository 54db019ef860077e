// Owners for the GDI and USER handles the dialog creates.
#pragma once
#include <windows.h>

#include <utility>

namespace ostrand {

template <class Handle, BOOL(WINAPI* Free)(Handle)>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(Handle h) : h_(h) {}
    ~OwnedHandle() {
        if (h_) Free(h_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        std::swap(h_, other.h_);
        return *this;
    }
    Handle get() const { return h_; }

private:
    Handle h_ = nullptr;
};

inline BOOL WINAPI DeleteFontHandle(HFONT h) { return DeleteObject(h); }
inline BOOL WINAPI DeleteBrushHandle(HBRUSH h) { return DeleteObject(h); }
inline BOOL WINAPI DeleteRegionHandle(HRGN h) { return DeleteObject(h); }
inline BOOL WINAPI DestroyMenuHandle(HMENU h) { return DestroyMenu(h); }

using FontHandle = OwnedHandle<HFONT, DeleteFontHandle>;
using BrushHandle = OwnedHandle<HBRUSH, DeleteBrushHandle>;
using RegionHandle = OwnedHandle<HRGN, DeleteRegionHandle>;
using IconHandle = OwnedHandle<HICON, DestroyIcon>;
using MenuHandle = OwnedHandle<HMENU, DestroyMenuHandle>;

// A window's device context, released with the owner.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace ostrand
