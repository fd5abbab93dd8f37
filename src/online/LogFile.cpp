#include "online/LogFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "base/AtomicFile.h"
#include "base/Decimal.h"

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

TFileStamp TFileStamp::Of(const std::string& path) {
    TFileStamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

bool WriteLogFile(const std::string& path, std::string_view content, const TTextTable& texts,
                  TUserInterface& ui) {
    if (WriteFileAtomically(path, content) == 0) return true;
    ui.Error(TMessage::Lang(texts, Text::CannotOpen, " - " + path));
    return false;
}

bool TLogFile::Read(std::string& text) {
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    text.clear();
    return ReadWholeFile(fileName_, text) == 0;
}

bool TLogFile::Write(std::string_view text) {
    if (!WriteLogFile(fileName_, text, texts_, ui_)) {
        unsaved_ = true;
        return false;
    }
    unsaved_ = false;
    stamp_ = TFileStamp::Of(fileName_);
    return true;
}

}  // namespace ravlin
