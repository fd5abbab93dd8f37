#include "base/SecretFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/AtomicFile.h"

namespace ravlin {

std::optional<std::string> FirstSecretLine(std::string_view content, size_t maxLength) {
    const size_t end = content.find_first_of("\r\n");
    const std::string_view line = content.substr(0, end);
    if (line.size() > maxLength) return std::nullopt;
    return std::string(line);
}

TSecretFile ReadSecretFile(const std::string& path, size_t maxLength) {
    TSecretFile result;
    auto fail = [&](TSecretFileFault fault, int error = 0) {
        result.fault = fault;
        result.error = error;
        result.secret.clear();
        return result;
    };
    // Not blocking: opening a pipe would wait for a writer; the check below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fail(TSecretFileFault::CannotOpen, errno);
    struct TCloser {
        int fd;
        ~TCloser() { ::close(fd); }
    } closer{fd};
    // The file that was opened is the one checked, whatever the path names meanwhile.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(TSecretFileFault::ReadFailed, errno);
    result.mode = st.st_mode & 07777;
    if (!S_ISREG(st.st_mode)) return fail(TSecretFileFault::NotRegular);
    if (st.st_uid != ::geteuid()) return fail(TSecretFileFault::NotOwned);
    if (st.st_mode & (S_IRWXG | S_IRWXO)) return fail(TSecretFileFault::OpenToOthers);

    std::string head(maxLength + 1, '\0');
    size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(TSecretFileFault::ReadFailed, errno);
        if (n == 0) break;
        got += static_cast<size_t>(n);
        // The first line is all that is wanted.
        if (head.find_first_of("\r\n", got - static_cast<size_t>(n)) < got) break;
    }
    head.resize(got);
    std::optional<std::string> line = FirstSecretLine(head, maxLength);
    if (!line) return fail(TSecretFileFault::LineTooLong);
    result.secret = std::move(*line);
    return result;
}

std::string SecretFileProblem(const std::string& path, const TSecretFile& result,
                              size_t maxLength) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", result.mode);
    switch (result.fault) {
        case TSecretFileFault::None:
            return {};
        case TSecretFileFault::CannotOpen:
            return path + ": cannot be opened (" + SystemErrorText(result.error) + ")";
        case TSecretFileFault::NotRegular:
            return path + ": is not a regular file";
        case TSecretFileFault::NotOwned:
            return path + ": belongs to another user, who can read it; a password file must " +
                   "be your own";
        case TSecretFileFault::OpenToOthers:
            return path + ": other users may read or change it (mode " + mode +
                   "); make it yours alone with chmod 600 " + path;
        case TSecretFileFault::LineTooLong:
            return path + ": its first line is longer than " + std::to_string(maxLength) +
                   " characters";
        case TSecretFileFault::ReadFailed:
            return path + ": cannot be read (" + SystemErrorText(result.error) + ")";
    }
    return {};
}

}  // namespace ravlin
