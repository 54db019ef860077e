#include "screen.h"

#include <cstdint>
#include <vector>

#include "png_file.h"

namespace ostrand_ui {
namespace {

constexpr int kIconSize = 32;

std::vector<std::uint32_t> Grab(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> out(pixels, pixels + static_cast<std::size_t>(width) * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return out;
}

}  // namespace

bool SaveScreenPng(const std::wstring& path) {
    HDC screen = GetDC(nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const std::vector<std::uint32_t> pixels = Grab(screen, 0, 0, width, height);
    ReleaseDC(nullptr, screen);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(pixels.size() * 3);
    for (std::uint32_t p : pixels) {
        rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        rgb.push_back(static_cast<std::uint8_t>(p));
    }
    return WritePng(path, width, height, rgb);
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

std::vector<std::uint32_t> ScreenPixels(const RECT& area) {
    HDC screen = GetDC(nullptr);
    std::vector<std::uint32_t> pixels =
        Grab(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, screen);
    return pixels;
}

LPCWSTR RecogniseStandardIcon(HWND icon_window) {
    RECT r;
    if (!GetWindowRect(icon_window, &r)) return nullptr;
    HDC screen = GetDC(nullptr);
    const std::vector<std::uint32_t> shown = Grab(screen, r.left, r.top, kIconSize, kIconSize);
    ReleaseDC(nullptr, screen);

    const LPCWSTR candidates[] = {IDI_INFORMATION, IDI_QUESTION, IDI_WARNING, IDI_ERROR};
    LPCWSTR best = nullptr;
    double best_score = 0.9;  // share of opaque icon pixels that must agree
    for (LPCWSTR id : candidates) {
        HICON icon = LoadIconW(nullptr, id);
        HDC screen_dc = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen_dc);
        // Drawn once over black and once over white: pixels that differ are clear.
        std::vector<std::uint32_t> over[2];
        for (int pass = 0; pass < 2; ++pass) {
            HBITMAP bitmap = CreateCompatibleBitmap(screen_dc, kIconSize, kIconSize);
            HGDIOBJ old = SelectObject(memory, bitmap);
            RECT all{0, 0, kIconSize, kIconSize};
            FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(pass ? WHITE_BRUSH : BLACK_BRUSH)));
            DrawIconEx(memory, 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
            over[pass] = Grab(memory, 0, 0, kIconSize, kIconSize);
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen_dc);
        int opaque = 0, agree = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if ((over[0][i] & 0xFFFFFF) != (over[1][i] & 0xFFFFFF)) continue;
            ++opaque;
            if ((over[0][i] & 0xFFFFFF) == (shown[i] & 0xFFFFFF)) ++agree;
        }
        const double score = opaque ? static_cast<double>(agree) / opaque : 0.0;
        if (score > best_score) {
            best_score = score;
            best = id;
        }
    }
    return best;
}

}  // namespace ostrand_ui
