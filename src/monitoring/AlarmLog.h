#pragma once
// The alarm log: every activation and deactivation of a monitor message, with its time,
// message, transmitter and, when cleared by hand, the operator. One line per change in
// "Alarms.dat" of the home folder, fields ended by "#", lines by CR LF, texts as code page
// bytes:
//
//   dd.MM.yyyy hh:mm:ss#action#cause#number#serial#buttons#operator#text#
//
// action is "activate" or "deactivate"; cause "transmitter", "hand" or "exit". The message
// text comes last, so that a "#" inside it costs no other field. Every append is one
// locked update of the file as it is then (base/SharedFile.h): monitors in several
// programs add to one log and none loses another's lines. When the file holds
// kAlarmLogLines lines (or more than kAlarmLogMaxBytes, which no append makes) it becomes
// "Alarms.1.dat" (replacing the one before) and a new file starts. The reader skips
// damaged lines and refuses a file beyond kAlarmLogMaxBytes (EFBIG).

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "monitoring/MonitorTime.h"

namespace ravlin {

inline constexpr const char* kAlarmLogName = "Alarms.dat";
inline constexpr const char* kAlarmLogPreviousName = "Alarms.1.dat";
inline constexpr size_t kAlarmLogLines = 5000;
inline constexpr size_t kAlarmLogMaxBytes = 16u << 20;

enum class TAlarmAction { Activate, Deactivate };
// Who changed the message: a transmitter's reception, the operator's "Deactivate", or
// leaving monitor mode.
enum class TAlarmCause { Transmitter, Hand, Exit };

struct TAlarmEntry {
    TDateTime Time;
    TAlarmAction Action = TAlarmAction::Activate;
    TAlarmCause Cause = TAlarmCause::Transmitter;
    int Number = 0;
    std::string Serial;    // the reception's, for a change by a transmitter
    std::string Buttons;   // button digit or input code text of the reception
    std::string Operator;  // who cleared it by hand
    std::string Text;      // the message text
    bool operator==(const TAlarmEntry&) const = default;
};

const char* ActionName(TAlarmAction a);
const char* CauseName(TAlarmCause c);

// One line with its CR LF. Line breaks and "#" in the fields before the text become blanks.
std::string FormatAlarmLine(const TAlarmEntry& e);
// One line without its line end; nullopt when it is not a readable entry.
std::optional<TAlarmEntry> ParseAlarmLine(std::string_view line);
// Every readable line of a file's content, in file order; `skipped` counts the others
// (empty lines are not counted).
std::vector<TAlarmEntry> ParseAlarmLog(std::string_view content, size_t* skipped = nullptr);

// Where the monitor's changes go.
class TAlarmRecorder {
  public:
    virtual ~TAlarmRecorder() = default;
    // Records the entries; 0, or the errno of a failed write (for a writer thread: of one
    // that failed since the last call).
    virtual int Record(const std::vector<TAlarmEntry>& entries) = 0;
    virtual const std::string& Path() const = 0;
};

class TAlarmLog : public TAlarmRecorder {
  public:
    // `path`: the log file; the previous file lies beside it.
    explicit TAlarmLog(std::string path, size_t maxLines = kAlarmLogLines);

    int Record(const std::vector<TAlarmEntry>& entries) override { return Append(entries); }
    const std::string& Path() const override { return path_; }
    std::string PreviousPath() const;

    // Adds the entries at the end. Returns 0 or the errno of the failure; on failure the
    // file is as it was.
    int Append(const std::vector<TAlarmEntry>& entries);
    // The previous file's entries, then the current file's. A missing file is empty; any
    // other read failure gives its errno (and `out` holds what was read before it).
    int ReadAll(std::vector<TAlarmEntry>& out, size_t* skipped = nullptr) const;

  private:
    std::string path_;
    size_t maxLines_;
};

// Writes the log on its own thread, in the order recorded, so that the window thread never
// waits for the disk. The destructor writes what is still queued.
class TAlarmLogWriter : public TAlarmRecorder {
  public:
    explicit TAlarmLogWriter(std::string path, size_t maxLines = kAlarmLogLines);
    ~TAlarmLogWriter() override;
    TAlarmLogWriter(const TAlarmLogWriter&) = delete;
    TAlarmLogWriter& operator=(const TAlarmLogWriter&) = delete;

    int Record(const std::vector<TAlarmEntry>& entries) override;
    const std::string& Path() const override { return log_.Path(); }
    // Waits until everything recorded is written; the errno of a failure since the last
    // Record or Flush, or 0.
    int Flush();

  private:
    void Run();

    TAlarmLog log_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::vector<TAlarmEntry> queue_;
    bool writing_ = false;
    bool stop_ = false;
    int error_ = 0;
    std::thread thread_;
};

}  // namespace ravlin
