#pragma once
// The operations on all the receivers of a site, shared by the Site window and
// `ravlin-cli site`: Check, Download all, Revoke and Add talk to the receivers; Find reads
// their data files. Each receiver is a TReceiver of its own (its link, TRx, worker and
// session) on a thread of its own; receivers over TCP run in parallel up to a jobs limit,
// receivers on one line (one serial device, or one server port) one after another.
//
// Safeguards on every receiver that is changed: a fresh verified download (the data file's
// user information merged as Open backup does), a read-only backup, the change made to
// the downloaded memory image itself (the other records keep their positions and bytes),
// an upload with read-back, and the data file written from what the receiver holds. A
// receiver that fails is reported with its message and left as it was, or as its
// read-back shows it; the others go on. Nothing is reported done that was not verified.
//
// A transmitter code is matched by its serial key: a receiver holds only the five serial
// digits of a code (characters 3 to 7 of "x012345" or "2412345"), never its two-character
// prefix, and lets in every transmitter whose serial it holds. So a revoke removes every
// record with that serial, whatever prefix the data file notes, and Find shows the prefix
// the data file knows.
//
// Threads: RunSiteOperation blocks the calling thread until every receiver is done; the
// progress board may be read (Snapshot) and cancelled from any other thread meanwhile.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Folders.h"
#include "catalog/Language.h"
#include "records/RecordCommands.h"
#include "site/SiteBook.h"

namespace ravlin {

enum class TSiteOperation { Check, Download, Revoke, Add };

struct TSiteRequest {
    TSiteOperation operation = TSiteOperation::Download;
    std::string code;     // Revoke: the transmitter code as typed
    bool dryRun = false;  // Revoke: download and tell, change nothing
    // Add: the transmitter, through the record editor's rules (code, button, function, user
    // information); the new record goes to the first free position.
    TRecordEditRequest add;
    // The receivers to work on, by name, in the book's order; empty: all of them.
    std::vector<std::string> receivers;
    int jobs = 4;  // receivers worked on at once
};

enum class TSiteResult {
    Done,            // downloaded, checked, revoked, added (and verified)
    NotPresent,      // Revoke: the receiver holds no record of the code; left alone
    AlreadyPresent,  // Add: the receiver already holds the code and button; left alone
    Failed,
    Cancelled,  // stopped before anything was changed
};

struct TSiteOutcome {
    std::string name;
    TSiteResult result = TSiteResult::Failed;
    // Download and Check: the records used; Revoke: the records removed (or that a dry run
    // would remove); Add: the position written, or the one that holds the code already.
    int count = 0;
    std::string message;  // Failed: why (the receiver's own message where it gave one)
    // What the receiver showed (Check, Download, and every operation that downloaded).
    std::string type;
    bool reached = false;           // the receiver answered and was logged in
    std::optional<int> records;     // the records it held at its download
    bool dataFile = false;          // the receiver's data file exists
    bool dataDiffers = false;       // Check: the data file's memory image is not the receiver's
    bool dataFromReceiver = false;  // Failed: the data file was written from the receiver
    std::string backup;             // the backup written, if any
    std::string note;               // done, but the book could not record it: why
};

struct TSiteReport {
    TSiteOperation operation = TSiteOperation::Download;
    std::string title;  // "revoke x012345", "download", ...
    bool dryRun = false;
    std::string started, finished;  // dd.MM.yyyy hh:mm:ss
    std::vector<TSiteOutcome> outcomes;
    std::string logProblem;  // the log could not be written: why

    // Every receiver succeeded or had nothing to do.
    bool Succeeded() const;
};

// "gate-1 revoked 2", "gate-1 not present", "gate-1 failed: Can't connect" (the command
// line's lines).
std::string OutcomeLine(const TSiteReport& report, const TSiteOutcome& outcome);
// The report as the log keeps it and the window prints it: a heading, one line a receiver
// ("gate-1: revoked 2 records"), a summary.
std::vector<std::string> ReportLines(const TSiteReport& report);
// What one outcome says after its name ("revoked 2 records").
std::string OutcomeText(const TSiteReport& report, const TSiteOutcome& outcome);

// The state of one receiver while an operation runs.
struct TSiteReceiverProgress {
    enum TState { Waiting, Running, Finished } state = Waiting;
    std::string phase;     // what it is doing now
    int percent = 0;       // of the phase
    TSiteOutcome outcome;  // Finished
};

// Shared between the threads of an operation and whoever shows it.
class TSiteProgress {
  public:
    // `outside` (optional): a second cancel request, such as the command line's Ctrl+C.
    explicit TSiteProgress(const std::atomic<bool>* outside = nullptr) : outside_(outside) {}

    void Cancel() { cancel_.store(true); }
    bool CancelRequested() const { return cancel_.load() || (outside_ && outside_->load()); }
    std::vector<TSiteReceiverProgress> Snapshot() const;

    // Called by the operation's threads.
    void Reset(size_t receivers);
    void Started(size_t index);
    void Phase(size_t index, const std::string& text);
    void Percent(size_t index, int percent);
    void Finished(size_t index, const TSiteOutcome& outcome);

  private:
    mutable std::mutex mutex_;
    std::vector<TSiteReceiverProgress> receivers_;
    std::atomic<bool> cancel_{false};
    const std::atomic<bool>* outside_;
};

// What the operations take from the program.
struct TSiteEnv {
    const TLanguage& language;  // texts and the function table file
    const TFolders& folders;    // Rx.def, Tx.def, the function tables; Backup/
    std::string bookPath;
    // The links' byte time-out and pauses (tests and benchmarks; 0: as normal).
    int linkByteMs = 0;
    int linkPausePercent = 100;
};

// The receivers of the book a request names, in the book's order; false with `why` when a
// name is not in the book.
bool SelectReceivers(const TSiteBook& book, const std::vector<std::string>& names,
                     std::vector<const TSiteReceiver*>& out, std::string& why);

// Runs the request on its receivers and returns the report. Each receiver's last download
// and backup go into the book (under its lock) as it finishes; the report is added to the
// site's log except for a dry run and a Check, which change nothing.
TSiteReport RunSiteOperation(const TSiteEnv& env, const TSiteBook& book,
                             const TSiteRequest& request, TSiteProgress& progress);

// ---- Find -------------------------------------------------------------------------

struct TSiteHit {
    std::string receiver;
    int position = 0;
    std::string code, button;
    int32_t userId = 0;
    std::array<std::string, 4> user;
};

// The serial key of a typed transmitter code (5 hex digits, "x" and 6, or 7 hex digits);
// nullopt when the text is no code.
std::optional<std::string> SerialKeyOf(const std::string& code);
// The positions (1-based) of the records that hold `serialKey`.
std::vector<int> PositionsHolding(const TRecordTable& table, const std::string& serialKey);

// Every record of the receivers' data files whose code has the serial key of `text` (when
// it is a code) or whose user information contains `text` (letter case ignored). A data
// file that cannot be read adds a line to `problems` ("gate-1: ...").
std::vector<TSiteHit> FindInSite(const TSiteEnv& env, const TSiteBook& book,
                                 const std::string& text, std::vector<std::string>& problems);

// The records a receiver's data file holds, or nullopt when there is no readable data file.
std::optional<int> RecordsInDataFile(const TSiteEnv& env, const TSiteReceiver& receiver);

// Local time as the book and the log write it: dd.MM.yyyy hh:mm:ss.
std::string SiteTimeText();

}  // namespace ravlin
