#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Folders.h"

namespace ravlin {

namespace {

bool WriteAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens a regular file for reading. The type is looked at before the open, so that a
// device is never opened, and again on the open file, so that a swap in between is
// seen; the open does not block, so that a FIFO is never waited on.
int OpenRegular(const std::string& path, int& fd, struct stat& st) {
    fd = -1;
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EISDIR;
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISREG(st.st_mode) ? errno : EISDIR;
        ::close(fd);
        fd = -1;
        return error;
    }
    return 0;
}

// Appends up to `limit` bytes of `fd` to `out`; -1 on a read error (errno set), otherwise
// the number appended.
ssize_t ReadUpTo(int fd, std::string& out, size_t limit) {
    size_t done = 0;
    char buf[65536];
    while (done < limit) {
        const size_t want = std::min(sizeof buf, limit - done);
        const ssize_t n = ::read(fd, buf, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// A hard link is how a name is taken only if it is free; where the file system has none,
// an empty file made exclusively holds the name until the rename fills it.
int PublishNew(const std::string& temp, const std::string& target) {
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return error;
    }
    return 0;
}

TFileStamp StampOf(const struct stat& st) {
    TFileStamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

}  // namespace

TFileStamp TFileStamp::Of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? StampOf(st) : TFileStamp{};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

int WriteFileAtomically(const std::string& path, std::string_view content,
                        const TWriteOptions& options) {
    if (options.tempCreated) *options.tempCreated = false;
    if (path.empty()) return ENOENT;
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            ::free(resolved);
        }
    }
    if (options.makeFolder && !MakeDirs(FolderOf(target))) return errno ? errno : EACCES;
    struct stat old {};
    if (options.mustBeNew && ::lstat(target.c_str(), &old) == 0) return EEXIST;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return EISDIR;
    if (exists && options.refuseReadOnly &&
        ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return EACCES;

    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = FolderOf(target) + "/." + BaseNameOf(target) + "." + std::to_string(::getpid()) +
               "." + std::to_string(serial++) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(options.newFileMode));
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return errno ? errno : EEXIST;
    if (options.tempCreated) *options.tempCreated = true;
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        return error ? error : EIO;
    };
    if (!WriteAll(fd, content)) return fail(errno);
    if (::fsync(fd) != 0 && errno != EINVAL) return fail(errno);
    if (exists && ::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return error ? error : EIO;
    }
    if (options.mustBeNew) {
        if (const int error = PublishNew(temp, target)) {
            ::unlink(temp.c_str());
            return error;
        }
    } else if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return error ? error : EIO;
    }
    SyncFolder(FolderOf(target));
    return 0;
}

int ReadWholeFile(const std::string& path, std::string& out, size_t maxBytes, TFileStamp* stamp) {
    out.clear();
    int fd = -1;
    struct stat st {};
    if (const int error = OpenRegular(path, fd, st)) return error;
    if (stamp) *stamp = StampOf(st);
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return EFBIG;
    }
    out.reserve(static_cast<size_t>(st.st_size));
    // One byte beyond the limit tells a file that grew since it was looked at.
    const ssize_t n = ReadUpTo(fd, out, maxBytes + 1);
    const int error = n < 0 ? errno : static_cast<size_t>(n) > maxBytes ? EFBIG : 0;
    ::close(fd);
    if (error) {
        out.clear();
        out.shrink_to_fit();
    }
    return error;
}

int ReadFileHead(const std::string& path, std::string& out, size_t maxBytes, bool& cut,
                 TFileStamp* stamp) {
    out.clear();
    cut = false;
    int fd = -1;
    struct stat st {};
    if (const int error = OpenRegular(path, fd, st)) return error;
    if (stamp) *stamp = StampOf(st);
    out.reserve(std::min(static_cast<size_t>(st.st_size), maxBytes));
    ssize_t n = ReadUpTo(fd, out, maxBytes);
    if (n >= 0) {
        std::string more;
        const ssize_t extra = ReadUpTo(fd, more, 1);
        if (extra < 0) n = -1;
        cut = extra > 0;
    }
    const int error = n < 0 ? errno : 0;
    ::close(fd);
    if (error) out.clear();
    return error;
}

std::string RefusalText(int error, size_t maxBytes) {
    if (error == EISDIR) return ": not a regular file";
    if (error == ETIMEDOUT) return ": locked by another program";
    if (error != EFBIG) return {};
    if (maxBytes >= (1u << 20) && maxBytes % (1u << 20) == 0)
        return ": larger than " + std::to_string(maxBytes >> 20) + " MiB";
    if (maxBytes >= 1024 && maxBytes % 1024 == 0)
        return ": larger than " + std::to_string(maxBytes >> 10) + " KiB";
    return ": larger than " + std::to_string(maxBytes) + " bytes";
}

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

}  // namespace ravlin
