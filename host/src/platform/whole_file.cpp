#include "platform/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace host::platform {

WholeFile read_whole_file(const std::string& path, std::string* bytes, std::string* why, size_t most) {
#ifdef _WIN32
    std::FILE* f = _wfopen(fs_path(path).c_str(), L"rb");
#else
    std::FILE* f = std::fopen(path.c_str(), "rb");
#endif
    if (f == nullptr) {
        *why = std::strerror(errno);
        return WholeFile::CannotOpen;
    }
    bytes->clear();
    char chunk[1 << 16];
    size_t n = 0;
    while (bytes->size() <= most && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *why = "read error";
        return WholeFile::ReadError;
    }
    return bytes->size() > most ? WholeFile::TooLarge : WholeFile::Read;
}

}  // namespace host::platform
