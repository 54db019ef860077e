// Writes 24-bit screen captures as PNG files (stored, uncompressed deflate blocks).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ostrand_ui {

// rgb: width * height * 3 bytes, rows top to bottom.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace ostrand_ui
