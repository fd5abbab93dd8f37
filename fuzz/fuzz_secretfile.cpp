// Password file contents from the fuzzer, written to a file only its owner may read: the
// secret read back is the content up to its first line end, and a line over the limit is
// refused rather than cut.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/SecretFile.h"

using namespace ravlin;

namespace {
std::string g_path;  // one file for every input, removed at exit
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_path.empty()) {
        // In memory where there is a tmpfs: a file system on a disk may flush each rewrite.
        char inMemory[] = "/dev/shm/ravlin-fuzz-secretXXXXXX";
        char onDisk[] = "/tmp/ravlin-fuzz-secretXXXXXX";
        char* name = inMemory;
        int fd = ::mkstemp(name);
        if (fd < 0) fd = ::mkstemp(name = onDisk);
        if (fd < 0) std::abort();
        ::close(fd);
        g_path = name;
        std::atexit([] { ::unlink(g_path.c_str()); });
    }
    const std::string& path = g_path;
    const std::string content(reinterpret_cast<const char*>(data), size);
    // The limit from the first byte, so that short inputs reach it.
    const size_t limit = size > 0 ? data[0] % 64 : kSecretLineLimit;
    // Written in place: an atomic replacement syncs the disk every time.
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    ::close(fd);
    const TSecretFile read = ReadSecretFile(path, limit);
    const size_t end = content.find_first_of("\r\n");
    const size_t line = end == std::string::npos ? size : end;
    if (line > limit) {
        if (read.fault != TSecretFileFault::LineTooLong || !read.secret.empty()) std::abort();
    } else {
        if (!read.Ok() || read.secret != content.substr(0, line)) std::abort();
    }
    if (FirstSecretLine(content, limit) != (read.Ok() ? std::optional(read.secret) : std::nullopt))
        std::abort();
    return 0;
}
