#include "monitoring/AlarmLog.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

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

constexpr TAlarmAction kActions[] = {TAlarmAction::Activate, TAlarmAction::Deactivate,
                                     TAlarmAction::Trouble};
constexpr TAlarmCause kCauses[] = {
    TAlarmCause::Transmitter, TAlarmCause::Hand,         TAlarmCause::Exit,
    TAlarmCause::SetUp,       TAlarmCause::Removed,      TAlarmCause::End,
    TAlarmCause::LinkLost,    TAlarmCause::LinkRestored, TAlarmCause::Network};

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

const char* ActionName(TAlarmAction a) {
    switch (a) {
        case TAlarmAction::Activate:
            return "activate";
        case TAlarmAction::Deactivate:
            return "deactivate";
        case TAlarmAction::Trouble:
            return "trouble";
    }
    return "";
}

const char* CauseName(TAlarmCause c) {
    switch (c) {
        case TAlarmCause::Transmitter:
            return "transmitter";
        case TAlarmCause::Hand:
            return "hand";
        case TAlarmCause::Exit:
            return "exit";
        case TAlarmCause::SetUp:
            return "set-up";
        case TAlarmCause::Removed:
            return "removed";
        case TAlarmCause::End:
            return "end";
        case TAlarmCause::LinkLost:
            return "link lost";
        case TAlarmCause::LinkRestored:
            return "link restored";
        case TAlarmCause::Network:
            return "network";
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
    const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                     [&](TAlarmAction a) { return fields[1] == ActionName(a); });
    if (action == std::end(kActions)) return std::nullopt;
    e.Action = *action;
    const auto cause = std::find_if(std::begin(kCauses), std::end(kCauses),
                                    [&](TAlarmCause c) { return fields[2] == CauseName(c); });
    if (cause == std::end(kCauses)) return std::nullopt;
    e.Cause = *cause;
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

std::vector<bool> OpenEntries(const std::vector<TAlarmEntry>& entries) {
    std::vector<bool> open(entries.size(), false);
    std::map<int, std::vector<size_t>> activations;  // by message number, still open
    std::vector<size_t> troubles;                    // lost links still open
    for (size_t i = 0; i < entries.size(); ++i) {
        const TAlarmEntry& e = entries[i];
        if (e.Action == TAlarmAction::Activate) {
            activations[e.Number].push_back(i);
            open[i] = true;
        } else if (e.Action == TAlarmAction::Deactivate) {
            // An end closes the message's latest activation: one left open by a run that
            // never ended stays open.
            auto& list = activations[e.Number];
            if (!list.empty()) {
                open[list.back()] = false;
                list.pop_back();
            }
        } else if (e.Cause == TAlarmCause::LinkLost) {
            troubles.push_back(i);
            open[i] = true;
        } else if (!troubles.empty()) {
            open[troubles.back()] = false;
            troubles.pop_back();
        }
    }
    return open;
}

TAlarmLog::TAlarmLog(std::string path, uint64_t totalBytes, size_t fileBytes)
    : path_(std::move(path)), totalBytes_(std::max<uint64_t>(totalBytes, 1)) {
    fileBytes_ = fileBytes ? fileBytes
                           : static_cast<size_t>(std::min<uint64_t>(
                                 kAlarmLogFileBytes, std::max<uint64_t>(totalBytes_ / 4, 1)));
}

std::string TAlarmLog::NumberedPath(long number) const {
    std::string base = path_;
    std::string ext;
    const size_t slash = base.rfind('/');
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        ext = base.substr(dot);
        base.erase(dot);
    }
    return base + "." + std::to_string(number) + ext;
}

std::vector<long> TAlarmLog::Numbers() const {
    const size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    // The names are those NumberedPath gives: the part around the number is fixed.
    const std::string probe = NumberedPath(0);
    const std::string name = probe.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t at = name.rfind(".0");
    const std::string head = name.substr(0, at + 1), tail = name.substr(at + 2);
    std::vector<long> numbers;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return numbers;
    while (const dirent* entry = ::readdir(d)) {
        const std::string n = entry->d_name;
        if (n.size() <= head.size() + tail.size() || n.compare(0, head.size(), head) != 0 ||
            n.compare(n.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const std::string digits = n.substr(head.size(), n.size() - head.size() - tail.size());
        if (digits.size() > 9 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        numbers.push_back(std::stol(digits));
    }
    ::closedir(d);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void TAlarmLog::Trim() const {
    std::vector<long> numbers = Numbers();
    uint64_t total = 0;
    for (long n : numbers) total += FileSize(NumberedPath(n));
    // The file just numbered stays, even one that alone is larger than the bound.
    if (!numbers.empty()) numbers.pop_back();
    for (long n : numbers) {
        if (total + fileBytes_ <= totalBytes_) break;
        const std::string p = NumberedPath(n);
        const uint64_t size = FileSize(p);
        if (std::remove(p.c_str()) == 0) total -= std::min(total, size);
    }
}

int TAlarmLog::Append(const std::vector<TAlarmEntry>& entries) {
    if (entries.empty()) return 0;
    std::string added;
    for (const auto& e : entries) added += FormatAlarmLine(e);

    // One locked update of the file as it is now: monitors in several programs add to one
    // log and none loses another's lines.
    if (!MakeDirs(FolderOf(path_))) return errno ? errno : EACCES;
    TFileLock lock;
    if (const int err = lock.Acquire(path_)) return err;
    RemoveStaleTemporaries(path_);
    std::string content;
    const int read = ReadWholeFile(path_, content, kAlarmLogMaxBytes);
    // Too large to be read (not one this log wrote): it is numbered unread, as a full one.
    const bool oversized = read == EFBIG;
    if (read && read != ENOENT && !oversized) return read;
    // A damaged last line without its end must not swallow the first new entry.
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    lock.CountUpdate();

    if (oversized || (!content.empty() && content.size() + added.size() > fileBytes_)) {
        // The full file is numbered first and the new one written after: a failure on the
        // way loses nothing (the numbered file holds the old entries, the caller still has
        // the new ones).
        const std::vector<long> numbers = Numbers();
        const std::string numbered = NumberedPath(numbers.empty() ? 1 : numbers.back() + 1);
        if (std::rename(path_.c_str(), numbered.c_str()) != 0) return errno;
        if (const int err = WriteFileAtomically(path_, added, {.makeFolder = true}); err != 0) {
            std::rename(numbered.c_str(), path_.c_str());
            return err;
        }
        Trim();
        return 0;
    }
    return WriteFileAtomically(path_, content + added, {.makeFolder = true});
}

int TAlarmLog::ReadAll(std::vector<TAlarmEntry>& out, size_t* skipped) const {
    out.clear();
    size_t bad = 0;
    std::vector<std::string> paths;
    for (long n : Numbers()) paths.push_back(NumberedPath(n));
    paths.push_back(path_);
    for (const std::string& p : paths) {
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

TAlarmLogWriter::TAlarmLogWriter(std::string path, uint64_t totalBytes, size_t fileBytes)
    : log_(std::move(path), totalBytes, fileBytes), thread_([this] { Run(); }) {}

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
