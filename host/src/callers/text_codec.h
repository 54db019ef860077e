// Text as offices save it, turned into the UTF-8 the recorder works in: UTF-8 with or
// without a byte-order mark, UTF-16 with its mark (a spreadsheet's "Unicode text"), or
// the Chinese code page (GBK and its superset GB18030). And back out again, to the
// system's code page for what Windows programs are handed.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace host::callers {

enum class TextEncoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Gb18030 };

const char* encoding_name(TextEncoding encoding);

bool is_valid_utf8(std::string_view bytes);

struct DecodedText {
    std::string text;              // UTF-8, without the mark
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<int> bad_lines;    // 1-based lines whose bytes are not of the encoding
};

// Decides by the mark, then by whether the lines that are not plain ASCII read as
// UTF-8 (most of them: a UTF-8 file with a damaged line stays UTF-8), else GB18030.
// A line that does not decode keeps its line break, so that line numbers still hold,
// and is listed in bad_lines; what it decodes to is not to be used.
DecodedText decode_text(std::string_view bytes);

// The bytes of a value in the named character set (a vCard's CHARSET=: UTF-8, GBK,
// GB2312, GB18030, CP936, ISO-8859-1, US-ASCII; names in any case). False for a set it
// does not know or bytes not of it.
bool charset_to_utf8(std::string_view bytes, std::string_view charset, std::string* utf8);

// GB18030 (and so GBK and GB2312) to UTF-8; false for bytes that are not GB18030.
bool gb18030_to_utf8(std::string_view bytes, std::string* utf8);

// UTF-16 code units, as ODBC's W functions take and give them. Invalid input becomes
// U+FFFD rather than failing: these texts are shown, never parsed further.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);

// The system's code page: on Windows the ANSI code page (GBK on a Chinese system), what
// program environments, the command line and the settings tool's registry values are
// in; elsewhere UTF-8 already. Characters the code page lacks become '?'.
std::string utf8_to_system(std::string_view utf8);
std::string system_to_utf8(std::string_view text);

}  // namespace host::callers
