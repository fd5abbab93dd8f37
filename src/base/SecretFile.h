#pragma once
// Secrets kept in files: a receiver's password for a script, a broker's password for a
// bridge. The secret is the first line of a regular file that belongs to the user and that
// no other user may read or change (as ssh asks of a private key); a file open to others is
// refused, since whatever it holds is no secret any more. Nothing here ever puts the
// secret into a message.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ravlin {

enum class TSecretFileFault {
    None,
    CannotOpen,    // missing, or not readable (`error`)
    NotRegular,    // a folder, a device, a pipe ...
    NotOwned,      // another user owns the file, so that user can read it
    OpenToOthers,  // group or other users have rights on it (`mode`)
    LineTooLong,   // the first line is longer than the limit
    ReadFailed,    // a read error (`error`)
};

struct TSecretFile {
    TSecretFileFault fault = TSecretFileFault::None;
    std::string secret;  // the first line without its line end; empty after a fault
    int error = 0;       // the errno of CannotOpen and ReadFailed
    unsigned mode = 0;   // the file's permission bits, once it was opened

    bool Ok() const { return fault == TSecretFileFault::None; }
};

// A password of a receiver has 16 characters; a broker's may be longer.
constexpr size_t kSecretLineLimit = 1024;

// The first line of `content` up to its first CR or LF (a file without a line end is one
// line; an empty file is the empty secret), or nullopt when that line is longer than
// `maxLength`. `content` may be cut after maxLength + 1 bytes.
std::optional<std::string> FirstSecretLine(std::string_view content, size_t maxLength);

// Opens `path` (a symbolic link is followed), checks the opened file itself (regular,
// owned by the effective user, no rights for group and others) and reads its first line.
// A pipe or a device is refused without waiting on it; at most maxLength + 1 bytes are read.
TSecretFile ReadSecretFile(const std::string& path, size_t maxLength = kSecretLineLimit);

// "PATH: what is wrong", with what to do about it; empty when `result` is Ok.
std::string SecretFileProblem(const std::string& path, const TSecretFile& result,
                              size_t maxLength = kSecretLineLimit);

}  // namespace ravlin
