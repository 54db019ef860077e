#include "text_trim.h"

namespace ostrand {
namespace {

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string TrimBlanks(const std::string& text) {
    std::string::size_type first = 0;
    std::string::size_type last = text.size();
    while (first < last && IsBlankByte(text[first])) ++first;
    while (last > first && IsBlankByte(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool IsBlank(const std::string& text) { return TrimBlanks(text).empty(); }

}  // namespace ostrand
