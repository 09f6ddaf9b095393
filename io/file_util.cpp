#include "io/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tarvio {

namespace {

void setError(std::string* err, const std::string& what, const std::string& path, int code) {
    if (err) *err = what + " " + path + ": " + std::strerror(code);
}

// Writes all of data, retrying short writes and interruptions.
bool writeAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) {
            errno = EIO;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* err) {
    // Non-blocking open so that a FIFO cannot stall us before it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        setError(err, "cannot open", path, errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        setError(err, "cannot read", path, e);
        return false;
    }
    // Only regular files: devices and pipes may never end.
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode)) setError(err, "cannot read", path, EISDIR);
        else if (err) *err = "cannot read " + path + ": not a regular file";
        return false;
    }
    std::vector<uint8_t> buf;
    // The size is only a hint: a file that changes while it is read is read to its end.
    size_t cap = size_t(st.st_size) + 1;
    buf.resize(cap);
    size_t used = 0;
    for (;;) {
        if (used == buf.size()) buf.resize(buf.size() * 2);
        ssize_t r = ::read(fd, buf.data() + used, buf.size() - used);
        if (r < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            setError(err, "cannot read", path, e);
            return false;
        }
        if (r == 0) break;
        used += size_t(r);
    }
    ::close(fd);
    buf.resize(used);
    out = std::move(buf);
    return true;
}

bool writeFileAtomic(const std::string& path, const std::vector<uint8_t>& data, std::string* err) {
    std::string tmp = path + ".tmp-" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        setError(err, "cannot write", path, errno);
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) (void)::fchmod(fd, old.st_mode & 07777);
    bool ok = writeAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
    int e = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        setError(err, "cannot write", path, e);
    }
    return ok;
}

std::string programFolder() {
    if (const char* home = std::getenv("TARVIO_HOME"); home && *home) return home;
    std::string exe(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0) return ".";
    exe.resize(size_t(n));
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return exe.substr(0, slash);
}

std::string fileExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start || dot + 1 >= path.size()) return "";
    // A leading dot names a hidden file, not an extension.
    if (dot == start) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

}  // namespace tarvio
