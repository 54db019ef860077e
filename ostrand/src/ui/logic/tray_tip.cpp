#include "tray_tip.h"

#include "gbk_texts.h"

namespace ostrand {
namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace

std::string CutGbk(const std::string& text, std::size_t max_bytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t width =
            IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + width > max_bytes) break;
        end += width;
    }
    return text.substr(0, end);
}

std::string TrayTip() {
    return CutGbk(std::string(texts::kProductTitle) + texts::kTipSuffix, kTrayTipMaxBytes);
}

}  // namespace ostrand
