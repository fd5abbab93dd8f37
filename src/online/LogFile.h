#pragma once
// What the history and the battery log files have in common: "#"-ended fields on lines
// ended by CR LF, user information taken from the record table, whole-file replacement
// with the message for a failed write, and noticing when another program (a second
// instance, the command-line logger) has replaced the file since it was read.

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextLines.h"
#include "base/UserInterface.h"
#include "records/Data.h"

namespace ravlin {

// Calls `line` for every line of `text` (TLineReader) that is not empty.
template <class F>
void ForEachLine(std::string_view text, F&& line) {
    TLineReader reader(text);
    for (std::string_view l; reader.Next(l);)
        if (!l.empty()) line(l);
}
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
    // Fills what is still unset from the record: the number when still 0, each text when
    // still empty.
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

// Identity of a file as last read or written; tells when another writer replaced it.
struct TFileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;

    static TFileStamp Of(const std::string& path);
    bool operator==(const TFileStamp&) const = default;
};

// Replaces `path` with `content`; a failure shows Text::CannotOpen + " - " + path and
// leaves the previous file as it was.
bool WriteLogFile(const std::string& path, std::string_view content, const TTextTable& texts,
                  TUserInterface& ui);

// One log file of the home folder as this program last read or wrote it.
class TLogFile {
  public:
    TLogFile(std::string fileName, const TTextTable& texts, TUserInterface& ui)
        : fileName_(std::move(fileName)), texts_(texts), ui_(ui) {}

    const std::string& FileName() const { return fileName_; }
    const TTextTable& Texts() const { return texts_; }
    TUserInterface& Ui() const { return ui_; }

    // The whole file into `text`; false when it is missing or cannot be read. Either way
    // the copy in memory counts as the file's from now on.
    bool Read(std::string& text);
    // Replaces the file (WriteLogFile). After a failure the copy in memory holds what the
    // file lacks, until a later write or read succeeds.
    bool Write(std::string_view text);
    bool Unsaved() const { return unsaved_; }
    // Another program has replaced the file since it was read or written here, and the
    // copy in memory holds nothing the file lacks: it is to be read before a change.
    bool ReplacedElsewhere() const { return !unsaved_ && !(TFileStamp::Of(fileName_) == stamp_); }

  private:
    std::string fileName_;
    const TTextTable& texts_;
    TUserInterface& ui_;
    bool unsaved_ = false;
    TFileStamp stamp_;
};

}  // namespace ravlin
