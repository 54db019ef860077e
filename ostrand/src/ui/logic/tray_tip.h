// The tool-tip of the tray icon.
#pragma once
#include <cstddef>
#include <string>

namespace ostrand {

// Room for tip text in the original notification record: 64 bytes with the NUL.
constexpr std::size_t kTrayTipMaxBytes = 63;

// Cuts a GBK text to at most max_bytes bytes without splitting a double-byte
// character (a lone lead byte would show as garbage).
std::string CutGbk(const std::string& text, std::size_t max_bytes);

// The product title followed by " - 系统设置", cut to kTrayTipMaxBytes.
std::string TrayTip();

}  // namespace ostrand
