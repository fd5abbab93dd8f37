#pragma once
// Files the program writes are replaced, never rewritten in place: the new content goes to
// a temporary file in the same folder, is flushed to the disk, and is renamed over the old
// file only when complete. A failed write leaves the previous file as it was and no
// temporary file behind.

#include <string>
#include <string_view>

namespace ravlin {

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
};

// Replaces `path` with `content`. A symbolic link is followed: the file it names is
// replaced and the link stays. Returns 0 on success, otherwise the errno of the step that
// failed (EISDIR when `path` is a folder or another non-regular file).
int WriteFileAtomically(const std::string& path, std::string_view content,
                        const TWriteOptions& options = {});

// Reads a whole regular file. Returns 0, or the errno of the failure (ENOENT when missing).
int ReadWholeFile(const std::string& path, std::string& out);

// The text of an errno value, as strerror gives it.
std::string SystemErrorText(int error);

}  // namespace ravlin
