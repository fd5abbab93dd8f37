#pragma once
// Files the program writes are replaced, never rewritten in place: the new content goes to
// a temporary file in the same folder, is flushed to the disk, and is renamed over the old
// file only when complete; then the folder is flushed too, so that a crash cannot bring
// the previous version back. A failed write leaves the previous file as it was and no
// temporary file behind.
//
// Reading a file from outside (a user's file, a file of the shared home folder) checks it
// first: it is opened without blocking and must be a regular file (a FIFO, device or
// folder is refused at once, never waited on), and it must fit a limit that suits its
// format, checked before its bytes are read.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ravlin {

// Identity of a file as last read or written: another writer's replacement (a rename
// brings a new inode) or change is seen by comparing stamps.
struct TFileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;

    static TFileStamp Of(const std::string& path);
    bool operator==(const TFileStamp&) const = default;
};

struct TWriteOptions {
    // Permissions of a new file (less the umask); an existing file keeps its own.
    unsigned newFileMode = 0666;
    // Refuse to replace a file the user may not write (a read-only backup): EACCES.
    bool refuseReadOnly = false;
    // Create the folder (and its parents) when missing.
    bool makeFolder = false;
    // When set: true once the temporary file was made, so that a caller can tell a folder
    // it cannot write to from a write that failed half-way (a full disk).
    bool* tempCreated = nullptr;
    // Create-exclusive: the file must not exist yet (EEXIST when it does, also when
    // another program makes it at the same moment); it appears complete or not at all.
    bool mustBeNew = false;
};

// What a reader reads at most when it names no limit of its own.
inline constexpr size_t kDefaultReadLimit = 64u << 20;

// Replaces `path` with `content`. A symbolic link is followed: the file it names is
// replaced and the link stays. Returns 0 on success, otherwise the errno of the step that
// failed (EISDIR when `path` is a folder or another non-regular file).
int WriteFileAtomically(const std::string& path, std::string_view content,
                        const TWriteOptions& options = {});

// Reads a whole regular file of at most `maxBytes`. Returns 0, or: ENOENT when missing,
// EISDIR when it is not a regular file (folder, FIFO, device, socket), EFBIG when it is
// larger than `maxBytes` (then nothing is read), or the errno of another failure.
// `stamp` (optional): the identity of the file that was read.
int ReadWholeFile(const std::string& path, std::string& out, size_t maxBytes = kDefaultReadLimit,
                  TFileStamp* stamp = nullptr);
// Reads at most `maxBytes` from the start of a regular file (errors as ReadWholeFile, never
// EFBIG); `cut` tells whether the file goes on beyond them.
int ReadFileHead(const std::string& path, std::string& out, size_t maxBytes, bool& cut,
                 TFileStamp* stamp = nullptr);

// What a message adds after a file name for a refused read or write: ": not a regular
// file" (EISDIR), ": larger than 16 MiB" (EFBIG), ": locked by another program"
// (ETIMEDOUT), nothing for other failures.
std::string RefusalText(int error, size_t maxBytes);

// Flushes a folder's entries (after a rename in it). Failures are ignored: the rename
// has happened either way, and some file systems cannot flush a folder.
void SyncFolder(const std::string& folder);
// The folder part and the name part of a path ("." and the path without a slash).
std::string FolderOf(const std::string& path);
std::string BaseNameOf(const std::string& path);

// The text of an errno value, as strerror gives it.
std::string SystemErrorText(int error);

}  // namespace ravlin
