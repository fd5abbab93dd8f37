#include "base/SharedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "base/Folders.h"

namespace ravlin {

std::string LockFileOf(const std::string& path) {
    return FolderOf(path) + "/." + BaseNameOf(path) + ".lock";
}

int TFileLock::Acquire(const std::string& path, int waitMs) {
    Release();
    const std::string lockPath = LockFileOf(path);
    // Never through a link: the lock file is ours, in our folder.
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    // flock has no time-out of its own: it is tried again with growing pauses, the first
    // ones short, since a held lock is held for the length of one file write.
    int pauseMs = 1;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            ::close(fd);
            return ETIMEDOUT;
        }
        // Rounded up: the last pause ends at the deadline, not just before it.
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        ::poll(nullptr, 0, static_cast<int>(std::min<long long>(pauseMs, left)));
        pauseMs = std::min(pauseMs * 2, 50);
    }
    fd_ = fd;
    return 0;
}

void TFileLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor of the open file drops its lock
    fd_ = -1;
}

uint64_t TFileLock::Generation() const {
    uint64_t count = 0;
    if (fd_ < 0 || ::pread(fd_, &count, sizeof count, 0) != static_cast<ssize_t>(sizeof count))
        return 0;
    return count;
}

void TFileLock::CountUpdate() {
    if (fd_ < 0) return;
    const uint64_t next = Generation() + 1;
    // A count that cannot be written only makes the next reader read the file again.
    [[maybe_unused]] const ssize_t n = ::pwrite(fd_, &next, sizeof next, 0);
}

void RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = "." + BaseNameOf(path) + ".";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    const pid_t self = ::getpid();
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '.' || pid == self) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;  // alive
        ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(d);
}

int UpdateSharedFile(const std::string& path,
                     const std::function<TUpdateStep(std::string& content, bool exists)>& change,
                     const TUpdateOptions& options) {
    if (options.refused) *options.refused = false;
    if (options.write.makeFolder && !MakeDirs(FolderOf(path))) return errno ? errno : EACCES;
    TFileLock lock;
    if (const int error = lock.Acquire(path, options.waitMs)) return error;
    RemoveStaleTemporaries(path);
    std::string content;
    const int read = ReadWholeFile(path, content, options.maxBytes);
    if (read != 0 && read != ENOENT) {
        if (options.refused) *options.refused = true;
        return read;
    }
    if (change(content, read == 0) == TUpdateStep::Keep) return 0;
    TWriteOptions write = options.write;
    write.tempCreated = nullptr;
    lock.CountUpdate();
    return WriteFileAtomically(path, content, write);
}

}  // namespace ravlin
