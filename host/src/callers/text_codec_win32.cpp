// The Chinese code page and the system's ANSI code page through the system's own
// conversions, by way of UTF-16.
#include <windows.h>

#include "callers/text_codec.h"

namespace host::callers {

namespace {
constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

bool to_wide(UINT code_page, DWORD flags, std::string_view bytes, std::wstring* wide) {
    wide->clear();
    if (bytes.empty()) return true;
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
    if (n <= 0) return false;
    wide->resize(static_cast<size_t>(n));
    return MultiByteToWideChar(code_page, flags, bytes.data(), size, &(*wide)[0], n) == n;
}

std::string from_wide(UINT code_page, const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), size, &text[0], n, nullptr, nullptr);
    return text;
}

std::wstring wide_of(const std::u16string& units) { return std::wstring(units.begin(), units.end()); }
std::u16string units_of(const std::wstring& wide) { return std::u16string(wide.begin(), wide.end()); }
}  // namespace

bool gb18030_to_utf8(std::string_view bytes, std::string* utf8) {
    // A system without GB18030 still reads GBK, which is all of it an office writes.
    static const UINT code_page = IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    std::wstring wide;
    if (!to_wide(code_page, MB_ERR_INVALID_CHARS, bytes, &wide)) {
        utf8->clear();
        return false;
    }
    *utf8 = utf16_to_utf8(units_of(wide));
    return true;
}

std::string utf8_to_system(std::string_view utf8) { return from_wide(CP_ACP, wide_of(utf8_to_utf16(utf8))); }

std::string system_to_utf8(std::string_view text) {
    std::wstring wide;
    to_wide(CP_ACP, 0, text, &wide);
    return utf16_to_utf8(units_of(wide));
}

}  // namespace host::callers
