#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Folders.h"

namespace ravlin {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

}  // namespace

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
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return EISDIR;
    if (exists && options.refuseReadOnly &&
        ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return EACCES;

    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = FolderOf(target) + "/." + BaseOf(target) + "." + std::to_string(::getpid()) + "." +
               std::to_string(serial++) + ".tmp";
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
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return error ? error : EIO;
    }
    return 0;
}

int ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EISDIR;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const int error = std::ferror(f) ? EIO : 0;
    std::fclose(f);
    return error;
}

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

}  // namespace ravlin
