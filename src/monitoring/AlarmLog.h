#pragma once
// The alarm log: every activation and deactivation of a monitor message, with its time,
// message, transmitter and, when cleared by hand, the operator; and the troubles of the
// link to the receiver. One line per change in "Alarms.dat" of the home folder, fields
// ended by "#", lines by CR LF, texts as code page bytes:
//
//   dd.MM.yyyy hh:mm:ss#action#cause#number#serial#buttons#operator#text#
//
// action is "activate", "deactivate" or "trouble". A deactivation's cause says who ended
// the alarm: "transmitter", "hand", "network" (by hand at another console, over the
// broker), "exit" (leaving monitor mode), "set-up" (another set-up
// opened), "removed" (its message removed), "end" (the end of a monitor run without
// windows). A trouble's cause is "link lost", "link restored" (its number is then the
// outage's length in whole seconds; 0 otherwise) or "exit"/"end" (monitoring ended during
// the outage). The message text comes last, so that a "#" inside it costs no other field.
//
// Every append is one locked update of the file as it is then (base/SharedFile.h):
// monitors in several programs add to one log and none loses another's lines. Once it would grow
// past its size it becomes "Alarms.N.dat", N one more than the newest numbered file, and a new one
// starts; the oldest numbered files go while all of them would take more than the log's total
// bound. The reader skips damaged lines, refuses a file beyond kAlarmLogMaxBytes (EFBIG;
// no append makes one) and reads the numbered files, oldest first, then the current one.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "monitoring/MonitorTime.h"

namespace ravlin {

inline constexpr const char* kAlarmLogName = "Alarms.dat";
// The total bound of the log's files (setting AlarmLogMegabytes) and the size at which a
// file is numbered and a new one started.
inline constexpr int kAlarmLogMegabytes = 100;
inline constexpr uint64_t kAlarmLogTotalBytes = uint64_t{kAlarmLogMegabytes} << 20;
inline constexpr size_t kAlarmLogFileBytes = size_t{1} << 20;
// The most a reader reads of one file.
inline constexpr size_t kAlarmLogMaxBytes = 16u << 20;

// The trouble row's text, and its log text when the link is back.
inline constexpr const char* kLinkLostText = "Communication with the receiver lost";
inline constexpr const char* kLinkRestoredText = "Communication with the receiver restored";

enum class TAlarmAction { Activate, Deactivate, Trouble };
// Who changed the message (see above), or what happened to the link.
// Network: cleared by an operator at another console, a command that came over the broker.
enum class TAlarmCause {
    Transmitter,
    Hand,
    Exit,
    SetUp,
    Removed,
    End,
    LinkLost,
    LinkRestored,
    Network
};

struct TAlarmEntry {
    TDateTime Time;
    TAlarmAction Action = TAlarmAction::Activate;
    TAlarmCause Cause = TAlarmCause::Transmitter;
    int Number = 0;        // the message's; a trouble's outage in seconds (see above)
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

// Which entries of a log in file order are alarms still open: an activation without a
// later end of the same message number, a lost link without a later end of the trouble.
std::vector<bool> OpenEntries(const std::vector<TAlarmEntry>& entries);

// What else follows the alarm changes besides the log (a broker bridge): called on the
// thread that changes the monitor, with each entry as it is recorded.
class TAlarmListener {
  public:
    virtual ~TAlarmListener() = default;
    virtual void AlarmChanged(const TAlarmEntry& entry) = 0;
};

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
    // `path`: the log file; the numbered files lie beside it. `totalBytes`: the bound of
    // all files together; `fileBytes` (0: 1 MiB, or a quarter of a smaller bound) the size
    // at which the current file is numbered.
    explicit TAlarmLog(std::string path, uint64_t totalBytes = kAlarmLogTotalBytes,
                       size_t fileBytes = 0);

    int Record(const std::vector<TAlarmEntry>& entries) override { return Append(entries); }
    const std::string& Path() const override { return path_; }
    // "Alarms.N.dat" beside the current file.
    std::string NumberedPath(long number) const;
    // The numbers of the numbered files there, oldest (smallest) first.
    std::vector<long> Numbers() const;

    // Adds the entries at the end. Returns 0 or the errno of the failure; on failure the
    // files are as they were.
    int Append(const std::vector<TAlarmEntry>& entries);
    // The numbered files' entries, oldest first, then the current file's. A missing file
    // is empty; any other read failure gives its errno (and `out` holds what was read
    // before it).
    int ReadAll(std::vector<TAlarmEntry>& out, size_t* skipped = nullptr) const;

  private:
    // Numbered files go, oldest first, until they leave room for a current file; the newest
    // stays.
    void Trim() const;

    std::string path_;
    uint64_t totalBytes_;
    size_t fileBytes_;
};

// Writes the log on its own thread, in the order recorded, so that the window thread never
// waits for the disk. The destructor writes what is still queued.
class TAlarmLogWriter : public TAlarmRecorder {
  public:
    explicit TAlarmLogWriter(std::string path, uint64_t totalBytes = kAlarmLogTotalBytes,
                             size_t fileBytes = 0);
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
