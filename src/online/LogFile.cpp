#include "online/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include "base/AtomicFile.h"
#include "base/Decimal.h"
#include "base/SharedFile.h"

namespace ravlin {

int32_t DecimalOr0(std::string_view text) {
    int32_t value = 0;
    return ParseDecimal(text, value) ? value : 0;
}

void AppendField(std::string& out, std::string_view text) {
    const size_t from = out.size();
    out.append(text);
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '\n', ' ');
    out += '#';
}

void AppendNumber(std::string& out, int64_t value) {
    char buf[24];
    int n = 0;
    const bool negative = value < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative) out += '-';
    while (n) out += buf[--n];
}

TSerialIndex::TSerialIndex(const TRecordTable& table) {
    std::map<std::string, std::vector<int>> keys;
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].Empty) keys[table[i].Serial].push_back(static_cast<int>(i));
    keys_.assign(keys.begin(), keys.end());
}

const std::vector<int>& TSerialIndex::Find(const std::string& key) const {
    static const std::vector<int> kNone;
    auto it =
        std::lower_bound(keys_.begin(), keys_.end(), key,
                         [](const auto& entry, const std::string& k) { return entry.first < k; });
    return it != keys_.end() && it->first == key ? it->second : kNone;
}

TLogRead TLogFile::Read(std::string& text) {
    stamp_ = {};
    // Without the lock (held too long by another program) the file is still read whole
    // (a rename never leaves half a file); only the next change reads it again.
    TFileLock lock;
    known_ = lock.Acquire(fileName_) == 0;
    generation_ = lock.Generation();
    bool capped = false;
    const int error = ReadCurrent(text, stamp_, capped);
    lock.Release();
    if (error && error != ENOENT) known_ = false;
    if (error == ENOENT) return TLogRead::Missing;
    if (error == EISDIR || error == EFBIG) {
        // Refused: the file is there, but it is not one to read.
        ReportRead(error);
        return TLogRead::Refused;
    }
    if (error) return TLogRead::Refused;
    if (capped)
        ui_.Warning(TMessage::Fixed(fileName_ + ": only the first " +
                                    std::to_string(limits_.maxBytes >> 20) + " MiB are read"));
    return capped ? TLogRead::Capped : TLogRead::Read;
}

int TLogFile::ReadCurrent(std::string& text, TFileStamp& stamp, bool& capped) {
    capped = false;
    if (!limits_.keepHead) return ReadWholeFile(fileName_, text, limits_.maxBytes, &stamp);
    const int error = ReadFileHead(fileName_, text, limits_.maxBytes, capped, &stamp);
    if (!error && capped) {
        // The line cut by the limit is not an entry.
        const size_t end = text.rfind('\n');
        text.resize(end == std::string::npos ? 0 : end + 1);
    }
    return error;
}

void TLogFile::ReportRead(int error) {
    ui_.Error(TMessage::Lang(texts_, Text::CannotOpen,
                             " - " + fileName_ + RefusalText(error, limits_.maxBytes)));
}

void TLogFile::ReportWrite(int error) {
    // A write's own errors (a full disk: EFBIG too) say nothing beyond the message.
    ui_.Error(
        TMessage::Lang(texts_, Text::CannotOpen,
                       " - " + fileName_ + (error == ETIMEDOUT ? RefusalText(error, 0) : "")));
}

void TLogFile::ReportTooMany() {
    ui_.Error(TMessage::Lang(
        texts_, Text::CannotOpen,
        " - " + fileName_ + ": more than " + std::to_string(limits_.maxEntries) + " entries"));
}

bool TLogFile::Update(const std::function<TLogTake(std::string_view text)>& take,
                      const std::function<std::string_view()>& text) {
    TFileLock lock;
    if (const int error = lock.Acquire(fileName_)) {
        ReportWrite(error);
        return false;
    }
    RemoveStaleTemporaries(fileName_);
    // Written by this program last (or read, and nobody wrote since): the copy in memory
    // is the file's, and a change is applied to it without reading the file again.
    if (!Current(lock)) {
        std::string current;
        TFileStamp stamp;
        bool capped = false;
        const int error = ReadCurrent(current, stamp, capped);
        if (error && error != ENOENT) {
            ReportRead(error);
            return false;
        }
        switch (take(current)) {
            case TLogTake::Fits:
                break;
            case TLogTake::TooManyEntries:
                ReportTooMany();
                return false;
            case TLogTake::NotOurs:
                if (!notOursReported_)
                    ui_.Error(TMessage::Lang(texts_, Text::WrongFormat, " - " + fileName_));
                notOursReported_ = true;
                return false;
        }
        stamp_ = stamp;
        generation_ = lock.Generation();
        known_ = true;
    }
    lock.CountUpdate();
    generation_ = lock.Generation();
    if (const int error = WriteFileAtomically(fileName_, text())) {
        // The file is as it was, and what is in memory is it plus the changes still to be
        // written: the next change writes them with its own.
        ReportWrite(error);
        return false;
    }
    stamp_ = TFileStamp::Of(fileName_);
    return true;
}

bool TLogFile::Current(const TFileLock& lock) const {
    return known_ && lock.Generation() == generation_ && TFileStamp::Of(fileName_) == stamp_;
}

}  // namespace ravlin
