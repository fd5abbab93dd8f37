#include "monitoring/AlarmLog.h"

#include <cerrno>
#include <cstdio>

#include "base/AtomicFile.h"
#include "base/Folders.h"
#include "base/SharedFile.h"
#include "base/TextLines.h"

namespace ravlin {

namespace {

constexpr int kFieldsBeforeText = 7;

std::string Clean(const std::string& s, bool keepHash) {
    std::string out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n' || (!keepHash && c == '#')) c = ' ';
    return out;
}

bool ParseNumber(std::string_view s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

size_t CountLines(std::string_view content) {
    size_t n = 0;
    for (char c : content)
        if (c == '\n') ++n;
    if (!content.empty() && content.back() != '\n') ++n;
    return n;
}

}  // namespace

const char* ActionName(TAlarmAction a) {
    return a == TAlarmAction::Activate ? "activate" : "deactivate";
}

const char* CauseName(TAlarmCause c) {
    switch (c) {
        case TAlarmCause::Transmitter:
            return "transmitter";
        case TAlarmCause::Hand:
            return "hand";
        case TAlarmCause::Exit:
            return "exit";
    }
    return "";
}

std::string FormatAlarmLine(const TAlarmEntry& e) {
    std::string line = FormatDateTime(e.Time, false);
    line += '#';
    line += ActionName(e.Action);
    line += '#';
    line += CauseName(e.Cause);
    line += '#';
    line += std::to_string(e.Number);
    line += '#';
    line += Clean(e.Serial, false) + '#';
    line += Clean(e.Buttons, false) + '#';
    line += Clean(e.Operator, false) + '#';
    line += Clean(e.Text, true) + '#';
    line += "\r\n";
    return line;
}

std::optional<TAlarmEntry> ParseAlarmLine(std::string_view line) {
    std::string_view fields[kFieldsBeforeText];
    size_t pos = 0;
    for (auto& f : fields) {
        const size_t hash = line.find('#', pos);
        if (hash == std::string_view::npos) return std::nullopt;
        f = line.substr(pos, hash - pos);
        pos = hash + 1;
    }
    std::string_view text = line.substr(pos);
    if (!text.empty() && text.back() == '#') text.remove_suffix(1);

    TAlarmEntry e;
    const auto time = ParseDateTime(fields[0]);
    if (!time) return std::nullopt;
    e.Time = *time;
    if (fields[1] == "activate")
        e.Action = TAlarmAction::Activate;
    else if (fields[1] == "deactivate")
        e.Action = TAlarmAction::Deactivate;
    else
        return std::nullopt;
    if (fields[2] == "transmitter")
        e.Cause = TAlarmCause::Transmitter;
    else if (fields[2] == "hand")
        e.Cause = TAlarmCause::Hand;
    else if (fields[2] == "exit")
        e.Cause = TAlarmCause::Exit;
    else
        return std::nullopt;
    if (!ParseNumber(fields[3], e.Number)) return std::nullopt;
    e.Serial = fields[4];
    e.Buttons = fields[5];
    e.Operator = fields[6];
    e.Text = text;
    return e;
}

std::vector<TAlarmEntry> ParseAlarmLog(std::string_view content, size_t* skipped) {
    std::vector<TAlarmEntry> out;
    size_t bad = 0;
    TLineReader lines(content);
    for (std::string_view line; lines.Next(line);) {
        if (line.empty()) continue;
        if (auto e = ParseAlarmLine(line))
            out.push_back(std::move(*e));
        else
            ++bad;
    }
    if (skipped) *skipped = bad;
    return out;
}

TAlarmLog::TAlarmLog(std::string path, size_t maxLines)
    : path_(std::move(path)), maxLines_(maxLines ? maxLines : 1) {}

std::string TAlarmLog::PreviousPath() const {
    const size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    return dir + kAlarmLogPreviousName;
}

int TAlarmLog::Append(const std::vector<TAlarmEntry>& entries) {
    if (entries.empty()) return 0;
    std::string added;
    for (const auto& e : entries) added += FormatAlarmLine(e);

    if (!MakeDirs(FolderOf(path_))) return errno ? errno : EACCES;
    TFileLock lock;
    if (const int err = lock.Acquire(path_)) return err;
    RemoveStaleTemporaries(path_);
    std::string content;
    const int read = ReadWholeFile(path_, content, kAlarmLogMaxBytes);
    // Too large to be read (not one this log wrote): it is put aside unread, as a full one.
    const bool oversized = read == EFBIG;
    if (read && read != ENOENT && !oversized) return read;
    // A damaged last line without its end must not swallow the first new entry.
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    lock.CountUpdate();

    if (oversized || (!content.empty() && CountLines(content) + entries.size() > maxLines_)) {
        // The full file becomes the previous one. The new file is complete before anything
        // is renamed, so a failure on the way leaves both files as they were.
        const std::string fresh = path_ + ".new";
        if (WriteFileAtomically(fresh, added, {.makeFolder = true}) == 0) {
            if (std::rename(path_.c_str(), PreviousPath().c_str()) == 0) {
                if (std::rename(fresh.c_str(), path_.c_str()) == 0) {
                    SyncFolder(FolderOf(path_));
                    return 0;
                }
                std::rename(PreviousPath().c_str(), path_.c_str());
            }
            std::remove(fresh.c_str());
        }
        if (oversized) return EFBIG;
    }
    return WriteFileAtomically(path_, content + added, {.makeFolder = true});
}

int TAlarmLog::ReadAll(std::vector<TAlarmEntry>& out, size_t* skipped) const {
    out.clear();
    size_t bad = 0;
    for (const std::string& p : {PreviousPath(), path_}) {
        std::string content;
        const int err = ReadWholeFile(p, content, kAlarmLogMaxBytes);
        if (err == ENOENT) continue;
        if (err) {
            if (skipped) *skipped = bad;
            return err;
        }
        size_t n = 0;
        auto part = ParseAlarmLog(content, &n);
        bad += n;
        out.insert(out.end(), part.begin(), part.end());
    }
    if (skipped) *skipped = bad;
    return 0;
}

TAlarmLogWriter::TAlarmLogWriter(std::string path, size_t maxLines)
    : log_(std::move(path), maxLines), thread_([this] { Run(); }) {}

TAlarmLogWriter::~TAlarmLogWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

int TAlarmLogWriter::Record(const std::vector<TAlarmEntry>& entries) {
    std::lock_guard lock(mutex_);
    queue_.insert(queue_.end(), entries.begin(), entries.end());
    const int error = error_;
    error_ = 0;
    wake_.notify_all();
    return error;
}

int TAlarmLogWriter::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !writing_; });
    const int error = error_;
    error_ = 0;
    return error;
}

void TAlarmLogWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) break;  // stopped with nothing left
        std::vector<TAlarmEntry> batch;
        batch.swap(queue_);
        writing_ = true;
        lock.unlock();
        const int error = log_.Append(batch);
        lock.lock();
        writing_ = false;
        if (error) error_ = error;
        idle_.notify_all();
    }
    idle_.notify_all();
}

}  // namespace ravlin
