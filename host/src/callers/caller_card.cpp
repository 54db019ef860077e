#include "callers/caller_card.h"

#include "callers/text_codec.h"

namespace host::callers {

namespace {
// `utf8` without control characters (a line break reads as a space) and without the
// characters of `dropped`, in the system's code page.
std::string system_text(std::string_view utf8, std::string_view dropped) {
    std::string kept;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F) {
            if (!kept.empty() && kept.back() != ' ') kept += ' ';  // a line break reads as a space
            continue;
        }
        // C1 controls, U+0080..U+009F, are C2 80..C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            ++i;
            continue;
        }
        if (dropped.find(static_cast<char>(c)) != std::string_view::npos) continue;
        kept += static_cast<char>(c);
    }
    while (!kept.empty() && kept.back() == ' ') kept.pop_back();
    return utf8_to_system(kept);
}
}  // namespace

std::string environment_value(std::string_view utf8) { return system_text(utf8, "%^&|<>\"!"); }

std::string screen_text(std::string_view utf8) { return system_text(utf8, ""); }

}  // namespace host::callers
