#include "site/SiteOperations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <thread>

#include "base/AtomicFile.h"
#include "base/SecretFile.h"
#include "catalog/FunctionTable.h"
#include "document/DataFile.h"
#include "receiver/Receiver.h"
#include "receiver/UploadCheck.h"
#include "records/Codec.h"

namespace ravlin {

namespace {

// The log keeps its newest reports; older ones go once it grows past this.
constexpr size_t kLogLimit = 4 * 1024 * 1024;

std::string TimeText(const std::tm& t) {
    char s[80];
    std::snprintf(s, sizeof s, "%02d.%02d.%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return s;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The user interface of one receiver of an operation: messages are kept (the first one is
// the receiver's failure), progress goes to the board, questions are answered No — the
// one a receiver asks during an operation is "cancel the upload?", and an upload once
// begun is finished and verified rather than left half-written.
class TSiteReceiverUi : public TUserInterface {
  public:
    TSiteReceiverUi(TSiteProgress& board, size_t index) : board_(board), index_(index) {}

    void Error(const TMessage& m) override { Keep(m.text); }
    void Warning(const TMessage& m) override { Keep(m.text); }
    void Information(const TMessage& m) override { Keep(m.text); }
    using TUserInterface::Ask;
    TAnswer Ask(const TMessage&, TButtons) override { return TAnswer::No; }
    void Progress(int position, int maximum) override {
        if (maximum > 0) board_.Percent(index_, static_cast<int>(100LL * position / maximum));
    }
    void ProgressPhase(const TMessage& text) override { board_.Phase(index_, text.text); }
    bool CancelRequested() override { return board_.CancelRequested(); }

    // The first message since the last Clear, or `otherwise`.
    std::string First(const std::string& otherwise) const {
        return messages_.empty() ? otherwise : messages_.front();
    }
    void Clear() { messages_.clear(); }

  private:
    void Keep(std::string text) {
        for (char& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        messages_.push_back(std::move(text));
    }
    TSiteProgress& board_;
    size_t index_;
    std::vector<std::string> messages_;
};

// The password of the book's password file, given once: asked again, it was refused.
class TBookPassword : public TPasswordSource {
  public:
    TBookPassword(std::optional<std::string> password, TUserInterface& ui)
        : password_(std::move(password)), ui_(ui) {}
    std::optional<std::string> AskPassword(const TDevice&) override {
        if (!password_) {
            ui_.Error(
                TMessage::Fixed("the receiver has a password and the book names no password file"));
            return std::nullopt;
        }
        if (asked_) return std::nullopt;
        asked_ = true;
        return password_;
    }
    std::optional<TPasswordChange> AskPasswordChange(const TDevice&) override {
        return std::nullopt;
    }

  private:
    std::optional<std::string> password_;
    TUserInterface& ui_;
    bool asked_ = false;
};

// The record area's image as the codec and the data files take it: RecordCount records.
std::string RecordImage(const TDevice& device, const std::string& image) {
    const size_t digits = static_cast<size_t>(std::max(device.RecordCount, 0)) *
                          static_cast<size_t>(device.RecordLength());
    std::string out = image.substr(0, digits);
    if (out.size() < digits) out.append(digits - out.size(), 'F');
    return out;
}

// The records of `image`, with the user information of `known` merged by record key.
TRecordTable TableOf(TDevice& device, const std::string& image, const TRecordTable& known) {
    TRecordTable table;
    DecodeImage(image, device, table);
    MergeUserInfo(known, table);
    return table;
}

int UsedRecords(const TRecordTable& table) {
    return static_cast<int>(
        std::count_if(table.begin(), table.end(), [](const TData& d) { return !d.Empty; }));
}

// One record's digits as the encoder writes them (a text-holding type's User1 included).
std::string EncodeRecord(const TDevice& device, const TData& record, TUserInterface& ui) {
    TDevice one = device;
    one.RecordCount = 1;
    one.UsedCount = 1;
    TRecordTable table{record};
    table[0].Position = 1;
    table[0].Empty = false;
    std::string image;
    if (!EncodeImage(one, table, image, ui)) return {};
    return image.size() == static_cast<size_t>(device.RecordLength()) ? image : std::string();
}

class TReceiverRun {
  public:
    TReceiverRun(const TSiteEnv& env, const TSiteReceiver& book, const TSiteRequest& request,
                 TSiteProgress& board, size_t index)
        : env_(env),
          book_(book),
          request_(request),
          board_(board),
          index_(index),
          ui_(board, index),
          dataPath_(SitePath(env.bookPath, book.dataFile)) {
        outcome_.name = book.name;
    }

    TSiteOutcome Run() {
        board_.Started(index_);
        Work();
        if (receiver_) receiver_->link.Close();
        board_.Finished(index_, outcome_);
        return outcome_;
    }

  private:
    const TTextTable& Texts() const { return env_.language.Texts(); }
    void Phase(const std::string& text) {
        board_.Phase(index_, text);
        board_.Percent(index_, 0);
    }
    void Fail(const std::string& why) {
        outcome_.result = TSiteResult::Failed;
        outcome_.message = why;
    }
    bool CancelledNow() {
        if (!board_.CancelRequested()) return false;
        outcome_.result = TSiteResult::Cancelled;
        outcome_.message.clear();
        return true;
    }

    void Work() {
        if (CancelledNow()) return;
        std::optional<std::string> password;
        if (!book_.passwordFile.empty()) {
            const std::string path = SitePath(env_.bookPath, book_.passwordFile);
            const TSecretFile secret = ReadSecretFile(path);
            if (!secret.Ok()) return Fail(SecretFileProblem(path, secret));
            password = secret.secret;
        }
        // The records the data file knows, before anything is contacted: a data file that
        // cannot be read would lose its user information when written again.
        haveData_ = Exists(dataPath_);
        if (haveData_) {
            TDevice device;
            std::string image;
            if (!OpenData(dataPath_, TDataFileEnv{env_.folders.dataDir, Texts(), ui_}, false,
                          device, known_, image))
                return Fail("the data file cannot be read: " + ui_.First(dataPath_));
            dataImage_ = RecordImage(device, image);
            dataType_ = device.Name;
        }
        if (!Connect(password)) return;
        switch (request_.operation) {
            case TSiteOperation::Check:
                return Check();
            case TSiteOperation::Download:
                return Download();
            case TSiteOperation::Revoke:
                return Revoke();
            case TSiteOperation::Add:
                return Add();
        }
    }

    // Logged in, of the expected type, and downloaded (verified).
    bool Connect(const std::optional<std::string>& password) {
        static const bool kNoBackup = false, kVerify = true;
        receiver_ = std::make_unique<TReceiver>(
            TReceiverContext{env_.language, env_.folders, ui_, kNoBackup, kVerify, kVerify});
        TReceiver& r = *receiver_;
        r.link.Settings = book_.Connection();
        r.link.UpdateConnectionText();
        if (env_.linkByteMs > 0) r.link.SetTimingForTests(env_.linkByteMs, env_.linkPausePercent);
        password_ = std::make_unique<TBookPassword>(password, ui_);
        r.session.passwords = password_.get();
        Phase("Connecting ...");
        if (!r.session.Login()) {
            if (!CancelledNow()) Fail(ui_.First("the login failed"));
            return false;
        }
        outcome_.reached = true;
        outcome_.type = r.Type().Name;
        if (!book_.type.empty() && r.Type().Name != book_.type) {
            Fail("the receiver is a " + r.Type().Name + ", the book expects a " + book_.type);
            return false;
        }
        if (CancelledNow()) return false;
        // The download merges the user information of the data file (as Open backup does).
        if (haveData_) {
            r.target.state.DocumentOpen = true;
            r.target.state.FileName = dataPath_;
        }
        if (!r.session.Download()) {
            if (!CancelledNow()) Fail(ui_.First("the download failed"));
            return false;
        }
        device_ = r.Type();
        image_ = RecordImage(device_, r.rx.Image);
        table_ = r.target.table;
        outcome_.count = UsedRecords(table_);
        outcome_.records = outcome_.count;
        return true;
    }

    void Check() {
        outcome_.result = TSiteResult::Done;
        outcome_.dataFile = haveData_;
        outcome_.dataDiffers = !haveData_ || dataType_ != device_.Name || dataImage_ != image_;
    }

    void Download() {
        if (!Backup() || !SaveDataFile(device_, table_, image_)) return;
        RecordInBook();
        outcome_.result = TSiteResult::Done;
    }

    void Revoke() {
        const std::optional<std::string> key = SerialKeyOf(request_.code);
        if (!key) return Fail("not a transmitter code: " + request_.code);
        const std::vector<int> positions = PositionsHolding(table_, *key);
        outcome_.count = static_cast<int>(positions.size());
        if (positions.empty()) {
            outcome_.result = TSiteResult::NotPresent;
            return;
        }
        if (request_.dryRun) {
            outcome_.result = TSiteResult::Done;
            return;
        }
        std::string image = image_;
        const size_t length = static_cast<size_t>(device_.RecordLength());
        for (int p : positions)
            image.replace(static_cast<size_t>(p - 1) * length, length, device_.EmptyTemplate);
        Change(image, nullptr, 0);
    }

    void Add() {
        TRecordEditRequest edit = request_.add;
        const std::optional<std::string> key = SerialKeyOf(edit.code.value_or(""));
        if (!key) return Fail("not a transmitter code: " + edit.code.value_or(""));
        for (const TData& d : table_) {
            if (!d.Empty && d.Serial == *key && edit.button &&
                Upper(d.Button) == Upper(*edit.button)) {
                outcome_.result = TSiteResult::AlreadyPresent;
                outcome_.count = d.Position;
                return;
            }
        }
        const int position = FirstEmptyPosition(table_);
        if (position == 0) return Fail(TextAt(Texts(), Text::NoFreePosition));
        TFunctionTable functions(env_.folders.dataDir, Texts(), ui_);
        functions.SetFileName(env_.language.FunctionTableFile());
        ui_.Clear();
        if (!functions.LoadFunctionTable(device_.Name))
            return Fail(ui_.First("the function table cannot be read"));
        TRecordChange change;
        if (!EditRecordByRequest(table_, device_, functions, env_.folders.dataDir, position, edit,
                                 Texts(), ui_, change))
            return Fail(ui_.First("the record editor refused the transmitter"));
        const TData* added = nullptr;
        for (const TRecordChange::TItem& item : change.items)
            if (item.position == position) added = &item.after;
        if (!added || added->Empty) return Fail("the record editor made no record");
        const std::string digits = EncodeRecord(device_, *added, ui_);
        if (digits.empty()) return Fail(ui_.First(kDataCodingError));
        std::string image = image_;
        const size_t length = static_cast<size_t>(device_.RecordLength());
        image.replace(static_cast<size_t>(position - 1) * length, length, digits);
        outcome_.count = position;
        Change(image, added, position);
    }

    // Backup, upload `image` with read-back, data file of what the receiver holds now.
    void Change(const std::string& image, const TData* added, int position) {
        if (CancelledNow()) return;
        if (!Backup()) return;
        TReceiver& r = *receiver_;
        TDevice device = device_;
        TRecordTable table = TableOf(device, image, table_);
        if (added) {
            TData& d = table[static_cast<size_t>(position - 1)];
            d.UserID = added->UserID;
            d.User1 = added->User1;
            d.User2 = added->User2;
            d.User3 = added->User3;
            d.User4 = added->User4;
            d.TxType = added->TxType;
            d.CodePrefix = added->CodePrefix;
        }
        Phase("Uploading ...");
        ui_.Clear();
        const bool ok = UploadImage(image, device);
        if (ok) {
            if (!SaveDataFile(device, table, image)) return;
            RecordInBook();
            outcome_.result = TSiteResult::Done;
            return;
        }
        if (r.transferWorker.ReadBackResult() == TTransferWorker::TReadBack::Differs) {
            // The receiver holds what the read-back returned; the rest was erased and left so.
            const std::vector<TReadBackDifference> differences =
                CompareReadBack(image, r.rx.ReadBack, device, table);
            std::string held =
                r.rx.ReadBack + image.substr(std::min(image.size(), r.rx.ReadBack.size()));
            held = RecordImage(device, held);
            TDevice heldDevice = device_;
            const TRecordTable heldTable = TableOf(heldDevice, held, table);
            std::string why = "the receiver does not hold what was written";
            if (!differences.empty()) {
                const TReadBackDifference& d = differences.front();
                why += ": position " + std::to_string(d.position) + " holds " + d.held + " where " +
                       d.written + " was written";
                if (differences.size() > 1)
                    why += " (and " + std::to_string(differences.size() - 1) + " more)";
            }
            FailWithReceiverData(why, "what it read back", heldDevice, heldTable, held);
            return;
        }
        // The upload stopped half-way: what the receiver holds now is read again.
        std::string why = ui_.First("the upload failed");
        Phase("Reading the receiver again ...");
        ui_.Clear();
        if (r.session.Download()) {
            TDevice nowDevice = r.Type();
            const std::string now = RecordImage(nowDevice, r.rx.Image);
            const TRecordTable nowTable = TableOf(nowDevice, now, table);
            FailWithReceiverData(why, "what the receiver holds now", nowDevice, nowTable, now);
        } else {
            Fail(why + "; the receiver could not be read again, its backup is " + outcome_.backup);
        }
    }

    // The written image with read-back, as the session uploads but without its packing:
    // every other record stays at its position.
    bool UploadImage(const std::string& image, const TDevice& device) {
        TReceiver& r = *receiver_;
        if (!r.link.IsOpen() && !r.link.Open()) return false;
        if (!r.rx.VerifyPassword()) return false;
        TTransferOptions options;
        options.verifyDownload = true;
        options.readBack = true;
        r.transferWorker.SetOptions(options);
        r.rx.UploadImage = image;
        r.rx.Device.UsedCount = device.UsedCount;
        const bool ok = r.transferWorker.Run(TTransferWorker::TJob::Upload);
        r.link.Close();
        return ok && r.transferWorker.ReadBackResult() == TTransferWorker::TReadBack::Same;
    }

    // A read-only backup of the download: Backup/<site>/<receiver>_yymmdd_hhnnss.rvl, with a
    // number after it when that name is taken.
    bool Backup() {
        Phase("Writing the backup ...");
        const std::string folder = env_.folders.BackupDir() + "/" + SiteStem(env_.bookPath);
        const std::tm t = LocalNow();
        char stamp[80];
        std::snprintf(stamp, sizeof stamp, "_%02d%02d%02d_%02d%02d%02d", t.tm_year % 100,
                      t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        const std::string text = FormatDataFile(device_, table_, image_);
        // A backup is never replaced: each name is taken create-exclusive, so that one of
        // the same second from another program makes this one take the next number.
        TWriteOptions options;
        options.newFileMode = 0444;
        options.mustBeNew = true;
        options.makeFolder = true;
        int error = 0;
        for (int n = 1; n <= 99; ++n) {
            const std::string name = folder + "/" + book_.name + stamp +
                                     (n == 1 ? std::string() : "_" + std::to_string(n)) + ".rvl";
            error = WriteFileAtomically(name, text, options);
            if (error == EEXIST) continue;  // taken
            if (error != 0) break;
            ::chmod(name.c_str(), S_IRUSR | S_IRGRP | S_IROTH);
            outcome_.backup = name;
            return true;
        }
        Fail("no backup could be written in " + folder +
             (error ? ": " + SystemErrorText(error) : std::string()) + "; nothing was changed");
        return false;
    }

    bool SaveDataFile(const TDevice& device, const TRecordTable& table, const std::string& image) {
        Phase("Writing the data file ...");
        const int error = WriteFileAtomically(dataPath_, FormatDataFile(device, table, image));
        if (error == 0) return true;
        Fail("the data file " + dataPath_ + " cannot be written: " + SystemErrorText(error));
        return false;
    }

    // A change that failed half-way: the data file is written from what the receiver holds,
    // and the message says whether it could be.
    void FailWithReceiverData(const std::string& why, const char* holds, const TDevice& device,
                              const TRecordTable& table, const std::string& image) {
        Phase("Writing the data file ...");
        const int error = WriteFileAtomically(dataPath_, FormatDataFile(device, table, image));
        if (error != 0) {
            Fail(why + "; the data file " + dataPath_ +
                 " cannot be written: " + SystemErrorText(error));
            return;
        }
        Fail(why + "; the data file holds " + holds);
        outcome_.dataFromReceiver = true;
        RecordInBook();
    }

    void RecordInBook() {
        const std::string when = SiteTimeText();
        std::string why;
        const bool ok = UpdateSiteBook(
            env_.bookPath,
            [&](TSiteBook& book, std::string&) {
                // A receiver taken out of the book meanwhile has nothing to record.
                if (TSiteReceiver* r = book.Find(book_.name)) {
                    r->lastDownload = when;
                    r->backup = outcome_.backup;
                }
                return true;
            },
            why);
        if (!ok) outcome_.note = "the book was not updated: " + why;
    }

    const TSiteEnv& env_;
    const TSiteReceiver& book_;
    const TSiteRequest& request_;
    TSiteProgress& board_;
    size_t index_;
    TSiteReceiverUi ui_;
    std::string dataPath_;
    bool haveData_ = false;
    TRecordTable known_;     // the data file's records
    std::string dataImage_;  // and its image
    std::string dataType_;
    std::unique_ptr<TPasswordSource> password_;
    std::unique_ptr<TReceiver> receiver_;
    TDevice device_;  // as downloaded
    TRecordTable table_;
    std::string image_;
    TSiteOutcome outcome_;
};

const char* OperationName(TSiteOperation op) {
    switch (op) {
        case TSiteOperation::Check:
            return "check";
        case TSiteOperation::Download:
            return "download";
        case TSiteOperation::Revoke:
            return "revoke";
        case TSiteOperation::Add:
            return "add";
    }
    return "";
}

}  // namespace

// ---- running -------------------------------------------------------------------------

std::string SiteTimeText() {
    return TimeText(LocalNow());
}

bool SelectReceivers(const TSiteBook& book, const std::vector<std::string>& names,
                     std::vector<const TSiteReceiver*>& out, std::string& why) {
    out.clear();
    for (const std::string& name : names) {
        if (!book.Find(name)) {
            why = "the book has no receiver " + name;
            return false;
        }
    }
    for (const TSiteReceiver& r : book.receivers)
        if (names.empty() || std::find(names.begin(), names.end(), r.name) != names.end())
            out.push_back(&r);
    return true;
}

TSiteReport RunSiteOperation(const TSiteEnv& env, const TSiteBook& book,
                             const TSiteRequest& request, TSiteProgress& progress) {
    TSiteReport report;
    report.operation = request.operation;
    report.dryRun = request.dryRun && request.operation == TSiteOperation::Revoke;
    report.title = OperationName(request.operation);
    if (request.operation == TSiteOperation::Revoke) report.title += " " + request.code;
    if (request.operation == TSiteOperation::Add)
        report.title += " " + request.add.code.value_or("");
    report.started = SiteTimeText();
    std::vector<const TSiteReceiver*> receivers;
    std::string why;
    SelectReceivers(book, request.receivers, receivers, why);
    progress.Reset(receivers.size());
    report.outcomes.resize(receivers.size());

    // The receivers of one line take turns; lines run side by side up to the limit.
    std::vector<std::vector<size_t>> lines;
    std::map<std::string, size_t> lineOf;
    for (size_t i = 0; i < receivers.size(); ++i) {
        const auto [at, added] = lineOf.emplace(receivers[i]->LineKey(), lines.size());
        if (added) lines.emplace_back();
        lines[at->second].push_back(i);
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (;;) {
            const size_t line = next.fetch_add(1);
            if (line >= lines.size()) return;
            for (size_t i : lines[line])
                report.outcomes[i] = TReceiverRun(env, *receivers[i], request, progress, i).Run();
        }
    };
    const size_t threads = std::min(lines.size(), static_cast<size_t>(std::max(1, request.jobs)));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
    report.finished = SiteTimeText();

    const bool changes = request.operation != TSiteOperation::Check && !report.dryRun;
    if (changes) {
        std::string problem;
        const bool logged = UpdateSiteFile(
            SiteLogPath(env.bookPath),
            [&](std::string& content, std::string&) {
                if (content.size() > kLogLimit) {
                    const size_t cut = content.find("\n== ", content.size() - kLogLimit / 2);
                    content.erase(0, cut == std::string::npos ? content.size() : cut + 1);
                }
                for (const std::string& line : ReportLines(report)) content += line + "\n";
                return true;
            },
            problem);
        if (!logged) report.logProblem = problem;
    }
    return report;
}

// ---- find ----------------------------------------------------------------------------

std::optional<std::string> SerialKeyOf(const std::string& code) {
    const std::optional<std::string> stored = NormaliseCode(code, "x0");
    if (!stored || stored->size() != 7) return std::nullopt;
    return stored->substr(2);
}

std::vector<int> PositionsHolding(const TRecordTable& table, const std::string& serialKey) {
    std::vector<int> positions;
    for (const TData& d : table)
        if (!d.Empty && d.Serial == serialKey) positions.push_back(d.Position);
    return positions;
}

std::vector<TSiteHit> FindInSite(const TSiteEnv& env, const TSiteBook& book,
                                 const std::string& text, std::vector<std::string>& problems) {
    std::vector<TSiteHit> hits;
    const std::optional<std::string> key = SerialKeyOf(text);
    const std::string wanted = Lower(text);
    for (const TSiteReceiver& r : book.receivers) {
        const std::string path = SitePath(env.bookPath, r.dataFile);
        if (!Exists(path)) {
            problems.push_back(r.name + ": no data file yet (" + path + "); download first");
            continue;
        }
        TSiteProgress none;
        TSiteReceiverUi ui(none, 0);
        TDevice device;
        TRecordTable table;
        std::string image;
        if (!OpenData(path, TDataFileEnv{env.folders.dataDir, env.language.Texts(), ui}, false,
                      device, table, image)) {
            problems.push_back(r.name + ": " + ui.First("the data file cannot be read"));
            continue;
        }
        for (const TData& d : table) {
            if (d.Empty) continue;
            bool match = key && d.Serial == *key;
            const std::string* texts[] = {&d.User1, &d.User2, &d.User3, &d.User4};
            for (const std::string* t : texts)
                if (!wanted.empty() && Lower(*t).find(wanted) != std::string::npos) match = true;
            if (!match) continue;
            hits.push_back({r.name,
                            d.Position,
                            d.Code(),
                            d.Button,
                            d.UserID,
                            {d.User1, d.User2, d.User3, d.User4}});
        }
    }
    return hits;
}

std::optional<int> RecordsInDataFile(const TSiteEnv& env, const TSiteReceiver& receiver) {
    const std::string path = SitePath(env.bookPath, receiver.dataFile);
    if (!Exists(path)) return std::nullopt;
    TSilentUi quiet;
    TDevice device;
    TRecordTable table;
    std::string image;
    if (!OpenData(path, TDataFileEnv{env.folders.dataDir, env.language.Texts(), quiet}, false,
                  device, table, image))
        return std::nullopt;
    return UsedRecords(table);
}

}  // namespace ravlin
