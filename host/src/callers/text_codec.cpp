#include "callers/text_codec.h"

#include <algorithm>
#include <cstdint>

namespace host::callers {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point at `*i`, moved past it; false (one byte consumed) for bytes that are
// no well-formed UTF-8: overlong forms and surrogates included.
bool next_code_point(std::string_view s, size_t* i, char32_t* c) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(*i);
    size_t n = 0;
    char32_t min = 0;
    if (b < 0x80) { n = 0; *c = b; }
    else if ((b & 0xE0) == 0xC0) { n = 1; *c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { n = 2; *c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { n = 3; *c = b & 0x07; min = 0x10000; }
    else { ++*i; return false; }
    if (*i + n >= s.size()) { ++*i; return false; }
    for (size_t k = 1; k <= n; ++k) {
        if ((byte(*i + k) & 0xC0) != 0x80) { ++*i; return false; }
        *c = (*c << 6) | (byte(*i + k) & 0x3F);
    }
    if (*c < min || *c > 0x10FFFF || (*c >= 0xD800 && *c <= 0xDFFF)) { ++*i; return false; }
    *i += n + 1;
    return true;
}

bool valid_code_points(std::string_view s) {
    char32_t c = 0;
    for (size_t i = 0; i < s.size();)
        if (!next_code_point(s, &i, &c)) return false;
    return true;
}

bool is_ascii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string utf16_bytes_to_utf8(std::string_view bytes, bool big_endian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t k = 0; k < units.size(); ++k) {
        const auto hi = static_cast<unsigned char>(bytes[2 * k + (big_endian ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(bytes[2 * k + (big_endian ? 1 : 0)]);
        units[k] = static_cast<char16_t>(hi << 8 | lo);
    }
    return utf16_to_utf8(units);
}

// Each line of `bytes` as the lines of a file: the parts between '\n', the last one
// possibly empty.
template <typename Fn>
void for_each_line(std::string_view bytes, Fn fn) {
    size_t start = 0;
    int line = 1;
    while (start <= bytes.size()) {
        const size_t end = bytes.find('\n', start);
        const bool last = end == std::string_view::npos;
        fn(bytes.substr(start, (last ? bytes.size() : end) - start), line, last);
        if (last) break;
        start = end + 1;
        ++line;
    }
}

std::string upper_plain(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '-' || c == '_' || c == ' ' || c == '"') continue;
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

}  // namespace

const char* encoding_name(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8: return "UTF-8";
        case TextEncoding::Utf8Bom: return "UTF-8 with byte-order mark";
        case TextEncoding::Utf16Le: return "UTF-16LE";
        case TextEncoding::Utf16Be: return "UTF-16BE";
        case TextEncoding::Gb18030: return "GB18030";
    }
    return "";
}

bool is_valid_utf8(std::string_view bytes) { return is_ascii(bytes) || valid_code_points(bytes); }

DecodedText decode_text(std::string_view bytes) {
    DecodedText out;
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const bool big = bytes[0] == '\xFE';
        out.encoding = big ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        out.text = utf16_bytes_to_utf8(bytes.substr(2), big);
        return out;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        out.encoding = TextEncoding::Utf8Bom;
        bytes.remove_prefix(3);
    }
    if (is_valid_utf8(bytes)) {
        out.text.assign(bytes);
        return out;
    }
    if (out.encoding == TextEncoding::Utf8) {
        size_t valid = 0, invalid = 0;
        for_each_line(bytes, [&](std::string_view line, int, bool) {
            if (is_ascii(line)) return;
            (valid_code_points(line) ? valid : invalid)++;
        });
        if (invalid >= valid) out.encoding = TextEncoding::Gb18030;
    }
    out.text.reserve(bytes.size() + bytes.size() / 2);
    std::string converted;
    for_each_line(bytes, [&](std::string_view line, int number, bool last) {
        bool ok = true;
        if (out.encoding == TextEncoding::Gb18030 && !is_ascii(line)) {
            ok = gb18030_to_utf8(line, &converted);
            if (ok) out.text += converted;
        } else {
            ok = is_valid_utf8(line);
            if (ok) out.text += line;
        }
        if (!ok) out.bad_lines.push_back(number);
        if (!last) out.text += '\n';
    });
    return out;
}

bool charset_to_utf8(std::string_view bytes, std::string_view charset, std::string* utf8) {
    const std::string name = upper_plain(charset);
    if (name == "UTF8" || name == "USASCII" || name == "ASCII") {
        if (!is_valid_utf8(bytes)) return false;
        utf8->assign(bytes);
        return true;
    }
    if (name == "GB18030" || name == "GBK" || name == "GB2312" || name == "CP936" || name == "WINDOWS936" ||
        name == "EUCCN")
        return gb18030_to_utf8(bytes, utf8);
    if (name == "ISO88591" || name == "LATIN1" || name == "WINDOWS1252" || name == "CP1252") {
        // Phones write Latin-1 for plain ASCII names; the 0x80..0x9F of 1252 are rare.
        utf8->clear();
        for (char c : bytes) append_utf8(static_cast<unsigned char>(c), utf8);
        return true;
    }
    return false;
}

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        if (!next_code_point(utf8, &i, &c)) c = kReplacement;
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        append_utf8(c, &out);
    }
    return out;
}

}  // namespace host::callers
