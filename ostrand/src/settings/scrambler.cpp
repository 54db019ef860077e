#include "scrambler.h"

#include "filler_table.h"

namespace ostrand {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned kDigitBits = 4;
constexpr unsigned kDigitMask = 0x0F;
// Each byte becomes two digits, each behind a filler.
constexpr std::size_t kStoredCharsPerByte = 4;

// Upper-case hex digits only; a hand-edited lower-case digit reads as 0 like any
// other stray character, as the business application reads it.
unsigned DigitValue(char c) {
    if (c >= '1' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 0;
}
}  // namespace

std::string EncodeSetting(const std::string& text) {
    return EncodeSetting(text, DefaultFillerSource());
}

std::string EncodeSetting(const std::string& text, FillerSource& fillers) {
    if (text.empty()) return {};
    auto filler = [&fillers] { return kFillerTable[fillers.Draw() % kFillerCount]; };

    std::string stored;
    stored.reserve(kStoredCharsPerByte * text.size() + 1);
    // Walking the bytes backwards, low digit first, yields the reversed digit string.
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        const auto byte = static_cast<unsigned char>(*it);
        stored += filler();
        stored += kHexDigits[byte & kDigitMask];
        stored += filler();
        stored += kHexDigits[byte >> kDigitBits];
    }
    stored += filler();
    return stored;
}

std::string DecodeSetting(const std::string& stored) {
    // The digits sit at the even positions counting from 1, i.e. odd indices.
    std::string digits;
    digits.reserve(stored.size() / 2);
    for (std::size_t i = 1; i < stored.size(); i += 2) digits += stored[i];

    std::string text;
    text.reserve(digits.size() / 2);
    // Pair the reversed digit string from its start; a lone digit left over is ignored.
    for (std::size_t k = digits.size(); k >= 2; k -= 2) {
        const unsigned high = DigitValue(digits[k - 1]);
        const unsigned low = DigitValue(digits[k - 2]);
        text += static_cast<char>((high << kDigitBits) | low);
    }
    return text;
}

}  // namespace ostrand
