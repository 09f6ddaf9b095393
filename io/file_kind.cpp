#include "io/file_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/file_util.h"

namespace tarvio {

FileKind fileKindOf(const uint8_t* data, size_t size) {
    if (size < 4) return FileKind::Unknown;
    if (std::memcmp(data, "MThd", 4) == 0) return FileKind::Smf;
    for (const char* tag : {"emhd", "emmk", "embt", "emtm", "emtr", "emph"})
        if (std::memcmp(data, tag, 4) == 0) return FileKind::Song;
    return FileKind::Unknown;
}

FileKind fileKindOf(const std::string& path) {
    // Non-blocking and regular files only, as the readers do: a pipe must not stall the look.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FileKind::Unknown;
    struct stat st;
    uint8_t head[4];
    size_t got = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        while (got < sizeof head) {
            const ssize_t r = ::read(fd, head + got, sizeof head - got);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += size_t(r);
        }
    }
    ::close(fd);
    return fileKindOf(head, got);
}

bool opensAsSmf(const std::string& path) {
    switch (fileKindOf(path)) {
    case FileKind::Smf: return true;
    case FileKind::Song: return false;
    case FileKind::Unknown: break;
    }
    return fileExtension(path) == "mid";
}

}  // namespace tarvio
