// The recordings' file services on a POSIX system: the native library's, and the
// field trace replay's, which writes the replayed recordings for real.
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "../../src/system_port.h"

namespace vornix::port {

bool absolute_path(const char* path, char* out) {
    const int saved = errno;  // errno is this library's last-error value
    const size_t n = std::strlen(path);
    size_t at = 0;
    bool ok = true;
    if (path[0] != '/') {
        // Joined, not resolved: the file may not exist yet, and ".." stays for the
        // system to follow as it would at the open.
        ok = getcwd(out, kFilePathSize) != nullptr;
        if (ok) {
            at = std::strlen(out);
            if (at == 0 || out[at - 1] != '/') out[at++] = '/';
        }
    }
    ok = ok && at + n < kFilePathSize;
    if (ok) std::memcpy(out + at, path, n + 1);
    else out[0] = '\0';
    errno = saved;
    return ok;
}

std::FILE* open_file(const char* path, const char* mode) {
    const int saved = errno;
    std::FILE* f = std::fopen(path, mode);
    errno = saved;
    return f;
}

int64_t seek_to_end(std::FILE* file) {
    static_assert(sizeof(off_t) == 8, "file positions of 64 bits");
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    return ftello(file);
}

}  // namespace vornix::port
