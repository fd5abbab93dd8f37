#pragma once
// Files that several programs change: the logs and the alarm log of the home folder, the
// settings file, the names of the backups. The desktop program, a `ravlin-cli listen
// --log` or `monitor` under a supervisor and an installer's `ravlin-cli setup` run on the
// same account at the same time, so every change of such a file is one locked update:
//
//   lock the lock file beside it, read what the file holds now, apply the change to that,
//   write a temporary file, flush it, rename it over the file, flush the folder, unlock.
//
// The lock is an advisory lock (flock) on ".<name>.lock" in the file's folder: the file
// itself is replaced by every update, so a lock on it would hold the old copy. The kernel
// drops the lock when its holder ends, however it ends (SIGKILL and a crash included):
// a dead writer never leaves a stale lock, and the lock file it leaves behind is simply
// taken by the next writer. A live holder that keeps the lock beyond the wait (a process
// stopped in a debugger, a write hung on a dead network disk) makes the update fail with
// ETIMEDOUT, reported as a file that cannot be written, never a wait without end. A writer
// killed half-way leaves at most its temporary file; the next update removes it.
//
// The lock belongs to the open lock file, so it also keeps two threads of one program
// apart (each update opens the lock file afresh). The lock file holds nothing but the
// count of updates (Generation).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/AtomicFile.h"

namespace ravlin {

// How long an update waits for another writer's lock.
inline constexpr int kLockWaitMs = 10000;

// "<folder>/.<name>.lock" for "<folder>/<name>".
std::string LockFileOf(const std::string& path);

// The exclusive lock of one shared file, held until Release() or destruction.
class TFileLock {
  public:
    TFileLock() = default;
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // Takes the lock of `path` (LockFileOf), waiting at most `waitMs` for another holder.
    // 0, ETIMEDOUT when the holder kept it longer, or the errno of making the lock file
    // (a folder that cannot be written).
    int Acquire(const std::string& path, int waitMs = kLockWaitMs);
    void Release();
    bool Held() const { return fd_ >= 0; }

    // The number of updates begun under this lock, kept in the lock file. A program that
    // read the file when the count was the same knows that no writer has replaced it since
    // (a file's identity alone can deceive: a freed inode number is soon used again, and
    // two writes within one clock tick carry the same time). 0 without the lock.
    uint64_t Generation() const;
    // Counts one more update: called under the lock before the file is replaced.
    void CountUpdate();

  private:
    int fd_ = -1;
};

// Under the lock of `path`: removes the temporary files of writers that died before their
// rename (WriteFileAtomically's ".<name>.<pid>.<n>.tmp" of a process that is gone).
void RemoveStaleTemporaries(const std::string& path);

// What a change of a shared file decided.
enum class TUpdateStep { Write, Keep };

struct TUpdateOptions {
    size_t maxBytes = kDefaultReadLimit;  // a larger file is not changed: EFBIG
    TWriteOptions write;                  // for the replacement (tempCreated is ignored)
    int waitMs = kLockWaitMs;
    // When set: true when the error returned came from reading the current file (EISDIR,
    // EFBIG: RefusalText says what was refused), false for the lock's and the write's.
    bool* refused = nullptr;
};

// One locked update of `path`: `change(content, exists)` gets the file's current content
// (empty and `exists` false when missing), edits it and says whether it is written.
// Returns 0, or the errno of the step that failed (the lock, the read: EISDIR, EFBIG, ...,
// the write); the file is then as it was.
int UpdateSharedFile(const std::string& path,
                     const std::function<TUpdateStep(std::string& content, bool exists)>& change,
                     const TUpdateOptions& options = {});

}  // namespace ravlin
