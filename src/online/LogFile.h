#pragma once
// What the log files of the home folder have in common: "#"-ended fields on lines ended
// by CR LF, user information taken from the record table, limits on what is read, and
// changes made as locked updates (base/SharedFile.h), because other programs (a second
// instance, `ravlin-cli listen --log`) change the same files.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "base/SharedFile.h"
#include "base/TextLines.h"
#include "base/UserInterface.h"
#include "records/Data.h"

namespace ravlin {

// A decimal integer (optional sign) within 32 bits, or 0 when the text is not one.
int32_t DecimalOr0(std::string_view text);
// Appends a text field and its "#"; a line feed inside would split the line and is
// written as a blank.
void AppendField(std::string& out, std::string_view text);
void AppendNumber(std::string& out, int64_t value);

// The user information a log entry carries.
struct TLogUser {
    int32_t UserNumber = 0;
    std::array<std::string, 4> User;

    void Clear() {
        UserNumber = 0;
        for (auto& u : User) u.clear();
    }
    // Fills what is still unset from another's: the number when still 0, each text when
    // still empty.
    void FillFrom(const TLogUser& other) {
        if (UserNumber == 0) UserNumber = other.UserNumber;
        for (size_t i = 0; i < User.size(); ++i)
            if (User[i].empty()) User[i] = other.User[i];
    }
    // The same from a record.
    void FillFrom(const TData& record) {
        if (UserNumber == 0) UserNumber = record.UserID;
        const std::string* texts[4] = {&record.User1, &record.User2, &record.User3, &record.User4};
        for (int i = 0; i < 4; ++i)
            if (User[i].empty()) User[i] = *texts[i];
    }
};

// The serial key of a received transmitter code: its characters 3 to 7 (the five digits
// a record's Serial holds); empty when the code is shorter.
inline std::string SerialKey(std::string_view code) {
    return code.size() >= 7 ? std::string(code.substr(2, 5)) : std::string();
}

// Record indexes by serial key, in table order. Empty records hold no transmitter and
// are left out (their Serial is "00000" or the erased digits and would match noise).
class TSerialIndex {
  public:
    explicit TSerialIndex(const TRecordTable& table);
    // Indexes of the records whose Serial is `key`, in table order.
    const std::vector<int>& Find(const std::string& key) const;

  private:
    std::vector<std::pair<std::string, std::vector<int>>> keys_;  // sorted by key
};

// How much of a log file is read. A file beyond a limit costs no more memory than the
// limit: it is not read at all (the size is checked first), or only its head is.
struct TLogLimits {
    size_t maxBytes;
    size_t maxEntries;
    // Beyond a limit: the first entries are kept (the history, newest first) and the next
    // write keeps only them; otherwise the file is refused: not read, and never replaced.
    bool keepHead;
};

// What reading a log file gave.
enum class TLogRead {
    Read,     // the whole file
    Missing,  // no file: an empty log
    Capped,   // only the head (keepHead): the text ends with its last whole line
    Refused,  // not a regular file, beyond a limit, unreadable: nothing was read
};

// How a log took the text of its file; what is not Fits refuses the change.
enum class TLogTake { Fits, TooManyEntries, NotOurs };

// One log file of the home folder as this program last read or wrote it.
class TLogFile {
  public:
    TLogFile(std::string fileName, const TTextTable& texts, TUserInterface& ui, TLogLimits limits)
        : fileName_(std::move(fileName)), texts_(texts), ui_(ui), limits_(limits) {}

    const std::string& FileName() const { return fileName_; }
    const TTextTable& Texts() const { return texts_; }
    TUserInterface& Ui() const { return ui_; }
    const TLogLimits& Limits() const { return limits_; }

    // The file into `text`, read under its lock. A file
    // that is refused shows CannotOpen + " - " + name + what was refused; a capped one
    // says how much was kept (a warning); a missing or unreadable one shows nothing. The
    // copy in memory counts as the file's from now on.
    TLogRead Read(std::string& text);
    // One change, under the file's lock: when the file is no longer the one last read or
    // written here, `take(text)` first gets its current text (what is in memory is to be
    // rebuilt from it and the changes still to be written); then the file is replaced by
    // `text()`. False after the message: CannotOpen + " - " + name (+ why it was refused),
    // or WrongFormat + " - " + name for a file that is not ours (shown once); the file is
    // then as it was.
    bool Update(const std::function<TLogTake(std::string_view text)>& take,
                const std::function<std::string_view()>& text);
    // CannotOpen + " - " + name + ": more than N entries".
    void ReportTooMany();
    // The copy in memory is not the file's (the log refused what it read): the next change
    // reads the file again.
    void Forget() { known_ = false; }

  private:
    // CannotOpen + " - " + name, with RefusalText(error) for a read.
    void ReportRead(int error);
    void ReportWrite(int error);
    // The current text: 0, or the errno why it is refused.
    int ReadCurrent(std::string& text, TFileStamp& stamp, bool& capped);
    // Whether the copy in memory is the file's (under the lock).
    bool Current(const TFileLock& lock) const;

    std::string fileName_;
    const TTextTable& texts_;
    TUserInterface& ui_;
    TLogLimits limits_;
    // The file as last read or written here: its identity and the lock's update count.
    TFileStamp stamp_;
    uint64_t generation_ = 0;
    bool known_ = false;
    bool notOursReported_ = false;
};

}  // namespace ravlin
