// The Chinese code page through the C library's converter; the system's code page is
// UTF-8 here.
#include <iconv.h>

#include <cerrno>

#include "callers/text_codec.h"

namespace host::callers {

namespace {
// One converter per thread: opening one costs more than converting a line.
struct Gb18030Converter {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    ~Gb18030Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};
}  // namespace

bool gb18030_to_utf8(std::string_view bytes, std::string* utf8) {
    thread_local Gb18030Converter converter;
    utf8->clear();
    if (converter.cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(converter.cd, nullptr, nullptr, nullptr, nullptr);
    // A GB18030 character is at most 4 bytes and at most 4 bytes of UTF-8.
    utf8->resize(bytes.size() * 2 + 4);
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char* out = &(*utf8)[0];
    size_t out_left = utf8->size();
    const size_t rc = iconv(converter.cd, &in, &in_left, &out, &out_left);
    if (rc == static_cast<size_t>(-1) || in_left != 0) {
        utf8->clear();
        return false;
    }
    utf8->resize(utf8->size() - out_left);
    return true;
}

std::string utf8_to_system(std::string_view utf8) { return std::string(utf8); }
std::string system_to_utf8(std::string_view text) { return std::string(text); }

}  // namespace host::callers
