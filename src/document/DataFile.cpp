#include "document/DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "base/AtomicFile.h"
#include "base/Decimal.h"
#include "base/Hex.h"
#include "base/TextLines.h"
#include "catalog/Catalog.h"
#include "records/Codec.h"

namespace ravlin {

namespace {

// Far beyond any receiver's memory (9999 records of a few hundred digits and their four
// user texts).
constexpr off_t kMaxFileSize = 32L * 1024 * 1024;

// A decimal integer, optional minus sign, the whole text, within 32 bits.
bool ParseInt(const std::string& text, int32_t& value) {
    return !text.starts_with('+') && ParseDecimal(text, value);
}

// Counts what passes through, so that a caller knows whether a callee has reported.
class TCountingUi : public TUserInterface {
  public:
    explicit TCountingUi(TUserInterface& inner) : inner_(inner) {}
    void Error(const TMessage& m) override {
        ++count;
        inner_.Error(m);
    }
    void Warning(const TMessage& m) override {
        ++count;
        inner_.Warning(m);
    }
    void Information(const TMessage& m) override {
        ++count;
        inner_.Information(m);
    }
    TAnswer Ask(const TMessage& m, TButtons b, TAnswer d) override { return inner_.Ask(m, b, d); }
    TAnswer Ask(const TMessage& m, TButtons b) override { return inner_.Ask(m, b); }
    int count = 0;

  private:
    TUserInterface& inner_;
};

enum class TReadResult { Ok, CannotOpen, NotRegular, TooLarge, TooManyRecords };

// False when the text's second line (complete) is a record count beyond the format's: the
// reading stops there, whatever size the file has.
bool CountLineFits(const std::string& text) {
    const size_t first = text.find('\n');
    if (first == std::string::npos) return true;
    const size_t second = text.find('\n', first + 1);
    if (second == std::string::npos) return true;
    std::string line = text.substr(first + 1, second - first - 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int32_t count = 0;
    return !ParseInt(line, count) || count <= kMaxDataFileRecords;
}

TReadResult ReadFile(const std::string& fileName, std::string& text) {
    // A FIFO or a device named as a data file is refused before it is opened (and the
    // open never waits), so that nothing hangs on it.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return TReadResult::NotRegular;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return TReadResult::CannotOpen;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TReadResult::NotRegular;
    }
    if (st.st_size > kMaxFileSize) {
        ::close(fd);
        return TReadResult::TooLarge;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return TReadResult::CannotOpen;
        }
        if (n == 0) break;
        const bool head = text.size() < sizeof buffer;
        text.append(buffer, static_cast<size_t>(n));
        if (static_cast<off_t>(text.size()) > kMaxFileSize) {
            ::close(fd);
            return TReadResult::TooLarge;
        }
        if (head && !CountLineFits(text)) {
            ::close(fd);
            return TReadResult::TooManyRecords;
        }
    }
    ::close(fd);
    return TReadResult::Ok;
}

// Reads the file for one of the readers; false after its message.
bool ReadDataFileText(const std::string& fileName, const TDataFileEnv& env, std::string& text) {
    switch (ReadFile(fileName, text)) {
        case TReadResult::Ok:
            return true;
        case TReadResult::TooLarge:
            env.ui.Error(TMessage::Lang(env.texts, Text::WrongFormat,
                                        " - " + fileName + RefusalText(EFBIG, kMaxFileSize)));
            return false;
        case TReadResult::TooManyRecords:
            env.ui.Error(TMessage::Lang(env.texts, Text::WrongFormat, " - " + fileName));
            return false;
        case TReadResult::NotRegular:
            env.ui.Error(TMessage::Lang(env.texts, Text::CannotOpen,
                                        " - " + fileName + RefusalText(EISDIR, 0)));
            return false;
        case TReadResult::CannotOpen:
            break;
    }
    env.ui.Error(TMessage::Lang(env.texts, Text::CannotOpen, " - " + fileName));
    return false;
}

// Record line 1 after the position field: UserID "#" User1 "#" ... User4 "#". False when
// the user number cannot be read.
bool ParseUserLine(const std::string& line, TUserLines& u) {
    const size_t rest = line.size() > 4 ? 4 : line.size();
    size_t at = rest;
    size_t hash = line.find('#', at);
    if (hash == std::string::npos) return false;
    u.userIdRead = ParseInt(line.substr(at, hash - at), u.UserID);
    at = hash + 1;
    for (int f = 0;; ++f) {
        hash = line.find('#', at);
        if (hash == std::string::npos) break;
        if (f < 4) {
            u.User[f] = line.substr(at, hash - at);
            u.userTexts = f + 1;
        } else if (u.more.size() < 64) {
            u.more.push_back(line.substr(at, hash - at));
        }
        at = hash + 1;
    }
    return u.userIdRead;
}

// Position field of record line 1: the first four characters without their spaces.
bool PositionMatches(const std::string& line, int expected) {
    if (line.size() < 4) return false;
    std::string digits;
    for (size_t i = 0; i < 4; ++i)
        if (line[i] != ' ') digits += line[i];
    int32_t position = 0;
    return ParseInt(digits, position) && position == expected;
}

void ReportSystemError(TUserInterface& ui, int error, const std::string& fileName) {
    ui.Error(TMessage::Fixed(std::string(std::strerror(error)) + " - " + fileName));
}

}  // namespace

// ---- common parser -----------------------------------------------------------------

bool ParseDataFile(const std::string& text, const std::string& fileLabel, const TDataFileEnv& env,
                   const TDevice* loggedIn, TDataFileRead& out) {
    const std::string suffix = " - " + fileLabel;
    TLineReader lines(text);
    std::string line;
    out = TDataFileRead{};

    std::string name;
    lines.Next(name);
    TCountingUi counting(env.ui);
    if (!FindReceiverType(env.dataDir, name, false, out.device, env.texts, counting)) {
        // The catalogue reports its own faults; an unknown name is the file's.
        if (counting.count == 0) env.ui.Error(TMessage::Lang(env.texts, Text::UnknownType, suffix));
        return false;
    }
    out.device.Name = name;

    line.clear();
    lines.Next(line);
    int32_t count = 0;
    // The position field has four digits: a larger count is no file of ours, and is refused
    // before anything is sized by it.
    if (!ParseInt(line, count) || count < 0 || count > kMaxDataFileRecords) {
        env.ui.Error(TMessage::Lang(env.texts, Text::WrongFormat, suffix));
        return false;
    }
    if (loggedIn) {
        if (name != loggedIn->Name) {
            env.ui.Error(TMessage::Lang(env.texts, Text::OtherType, suffix));
            return false;
        }
        if (count > loggedIn->RecordCount) {
            env.ui.Error(TMessage::Lang(env.texts, Text::TooManyRecords, suffix));
            return false;
        }
    }
    out.count = count;
    out.device.RecordCount = count;

    out.image.clear();
    lines.Next(out.image);
    const uint64_t expected =
        static_cast<uint64_t>(count) * static_cast<uint64_t>(out.device.RecordLength());
    if (out.image.size() != expected) {
        env.ui.Error(TMessage::Lang(env.texts, Text::WrongLength, suffix));
        return false;
    }

    bool reported = false;
    auto recordError = [&] {
        out.recordError = true;
        if (reported) return;
        reported = true;
        env.ui.Error(TMessage::Lang(env.texts, Text::WrongFormat, suffix));
    };
    std::string second;
    for (int i = 1; i <= count; ++i) {
        if (!lines.Next(line)) break;
        TUserLines u;
        if (!reported && !PositionMatches(line, i)) recordError();
        if (!ParseUserLine(line, u)) recordError();
        if (lines.Next(second)) {
            u.haveLine2 = true;
            u.CodePrefix = second.substr(0, 2);
            u.TxType = second.size() > 3 ? second.substr(3) : std::string();
        }
        out.users.push_back(std::move(u));
    }
    return true;
}

namespace {

// The user texts of a record line for a record whose User1 is the receiver's text
// `received`: how many leading fields that text took (0: none, the first field is the file's
// own). Files written before the receiver's text was kept whole hold it as it was, "#"
// and all, which split it over several fields.
size_t ReceivedTextFields(const TUserLines& u, const std::string& received) {
    if (u.userTexts == 0) return 0;
    if (u.User[0] == FileText(received)) return 1;
    const size_t hashes = static_cast<size_t>(std::count(received.begin(), received.end(), '#'));
    if (hashes == 0) return 0;
    const size_t fields = static_cast<size_t>(u.userTexts) + u.more.size();
    if (hashes + 1 > fields) return 0;
    std::string joined;
    for (size_t f = 0; f <= hashes; ++f) {
        if (f > 0) joined += '#';
        joined += f < 4 ? u.User[f] : u.more[f - 4];
    }
    return joined == FileText(received) || joined == received ? hashes + 1 : 0;
}

}  // namespace

void ApplyUserLines(const std::vector<TUserLines>& users, TRecordTable& table, bool textHolding) {
    const size_t n = std::min(users.size(), table.size());
    for (size_t i = 0; i < n; ++i) {
        const TUserLines& u = users[i];
        TData& r = table[i];
        if (u.userIdRead) r.UserID = u.UserID;
        std::string* texts[4] = {&r.User1, &r.User2, &r.User3, &r.User4};
        const size_t skip = textHolding ? ReceivedTextFields(u, r.User1) : 0;
        if (skip > 0) {
            // User1 stays the receiver's text; the fields after it are User2..User4.
            const size_t fields = static_cast<size_t>(u.userTexts) + u.more.size();
            for (size_t f = skip, t = 1; f < fields && t < 4; ++f, ++t)
                *texts[t] = f < 4 ? u.User[f] : u.more[f - 4];
        } else {
            for (int f = 0; f < u.userTexts; ++f) *texts[f] = u.User[f];
        }
        if (u.haveLine2) {
            r.CodePrefix = u.CodePrefix;
            r.TxType = u.TxType;
        }
    }
}

// ---- writer --------------------------------------------------------------------------

std::string PositionField(int position) {
    std::string field = std::to_string(position);
    if (field.size() < 4) field.append(4 - field.size(), ' ');
    return field;
}

std::string FileText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\n' || c == '#') c = ' ';
    return out;
}

// The second line of a record is not split at "#": only a line feed must not reach it.
static std::string LineText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\n') c = ' ';
    return out;
}

std::string FormatDataFile(const TDevice& device, const TRecordTable& table,
                           const std::string& image) {
    std::string out;
    out.reserve(image.size() + table.size() * 24 + device.Name.size() + 16);
    out += device.Name + "\r\n";
    out += std::to_string(device.RecordCount) + "\r\n";
    out += image + "\r\n";
    const size_t count =
        std::min(table.size(), static_cast<size_t>(std::max(device.RecordCount, 0)));
    for (size_t p = 0; p < count; ++p) {
        const TData& r = table[p];
        out += PositionField(r.Position);
        out += std::to_string(r.UserID);
        out += '#';
        out += FileText(r.User1);
        out += '#';
        out += FileText(r.User2);
        out += '#';
        out += FileText(r.User3);
        out += '#';
        out += FileText(r.User4);
        out += "#\r\n";
        out += LineText(r.CodePrefix);
        out += ' ';
        out += LineText(r.TxType);
        out += "\r\n";
    }
    return out;
}

bool SaveData(const std::string& fileName, TDevice& device, TRecordTable& table, std::string& image,
              const TTextTable& texts, TUserInterface& ui) {
    const std::string suffix = " - " + fileName;
    // A file we may not write (a read-only backup) is not replaced behind its back; it is
    // refused before the records are packed.
    struct stat old {};
    if (fileName.empty() || (::stat(fileName.c_str(), &old) == 0 &&
                             (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
                              ::access(fileName.c_str(), W_OK) != 0))) {
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, suffix));
        return false;
    }
    // A coding error writes nothing: the previous file stays and the message says why.
    if (!EncodeImage(device, table, image, ui)) return false;
    TWriteOptions options;
    options.refuseReadOnly = true;
    bool created = false;
    options.tempCreated = &created;
    const int error = WriteFileAtomically(fileName, FormatDataFile(device, table, image), options);
    if (error == 0) return true;
    // Refused, or the folder takes no new file: the file cannot be created. A write that
    // failed half-way says why in the system's words.
    if (!created)
        ui.Error(TMessage::Lang(texts, Text::CannotOpen, suffix));
    else
        ReportSystemError(ui, error, fileName);
    return false;
}

// ---- readers -------------------------------------------------------------------------

bool OpenDataText(const std::string& text, const std::string& fileLabel, const TDataFileEnv& env,
                  bool loggedIn, TDevice& device, TRecordTable& table, std::string& image) {
    TDataFileRead read;
    if (!ParseDataFile(text, fileLabel, env, loggedIn ? &device : nullptr, read)) return false;
    TDevice target = loggedIn ? device : read.device;
    std::string newImage = std::move(read.image);
    if (loggedIn) {
        const size_t full =
            static_cast<size_t>(std::max(target.RecordCount, 0)) * target.EmptyTemplate.size();
        while (newImage.size() < full) newImage += target.EmptyTemplate;
    }
    TRecordTable decoded;
    if (!DecodeImage(newImage, target, decoded)) {
        // The file is sound; the catalogue's decode map is not.
        env.ui.Error(TMessage::Lang(env.texts, Text::WrongFormat, " - Rx.def"));
        return false;
    }
    ApplyUserLines(read.users, decoded, IsTextHoldingType(target.Name));
    device = std::move(target);
    table = std::move(decoded);
    image = std::move(newImage);
    return true;
}

bool OpenData(const std::string& fileName, const TDataFileEnv& env, bool loggedIn, TDevice& device,
              TRecordTable& table, std::string& image) {
    std::string text;
    if (!ReadDataFileText(fileName, env, text)) return false;
    return OpenDataText(text, fileName, env, loggedIn, device, table, image);
}

std::string RecordKey(const TData& record) {
    return record.Raw.size() > 2 ? record.Raw.substr(2, 6) : std::string();
}

void MergeUserInfo(const TRecordTable& from, TRecordTable& table) {
    std::unordered_map<std::string, std::vector<size_t>> byKey;
    for (size_t j = 0; j < from.size(); ++j) byKey[RecordKey(from[j])].push_back(j);
    for (TData& r : table) {
        const auto it = byKey.find(RecordKey(r));
        if (it == byKey.end()) continue;
        // Entries in file order: the first fills a field, later ones only what is unset.
        for (size_t j : it->second) {
            const TData& f = from[j];
            if (r.UserID == 0) r.UserID = f.UserID;
            if (r.User1.empty()) r.User1 = f.User1;
            if (r.User2.empty()) r.User2 = f.User2;
            if (r.User3.empty()) r.User3 = f.User3;
            if (r.User4.empty()) r.User4 = f.User4;
            if (r.TxType == "-") r.TxType = f.TxType;
            if (r.CodePrefix == "x0") r.CodePrefix = f.CodePrefix;
        }
    }
}

bool ImportComments(const std::string& fileName, const TDataFileEnv& env, TRecordTable& table) {
    std::string text;
    if (!ReadDataFileText(fileName, env, text)) return false;
    TDataFileRead read;
    if (!ParseDataFile(text, fileName, env, nullptr, read)) return false;
    const size_t length = read.device.EmptyTemplate.size();
    TRecordTable imported;
    // The text-holding types keep User1 in the image: decoded, it is the text whole.
    const bool textHolding = IsTextHoldingType(read.device.Name);
    TDevice decodedType = read.device;
    const bool decoded = textHolding && DecodeImage(read.image, decodedType, imported);
    if (!decoded) {
        imported.assign(static_cast<size_t>(read.count), TData{});
        for (size_t i = 0; i < imported.size(); ++i) {
            imported[i].Position = static_cast<int32_t>(i + 1);
            imported[i].Raw = read.image.substr(i * length, length);
        }
    }
    ApplyUserLines(read.users, imported, decoded);
    MergeUserInfo(imported, table);
    return true;
}

bool OpenAndMerge(const std::string& fileName, const std::string& mergeFrom,
                  const TDataFileEnv& env, bool loggedIn, TDevice& device, TRecordTable& table,
                  std::string& image) {
    if (!OpenData(fileName, env, loggedIn, device, table, image)) return false;
    if (!mergeFrom.empty()) ImportComments(mergeFrom, env, table);
    return true;
}

bool PeekDataFile(const std::string& fileName, std::string& typeName, std::string& image,
                  std::string& why) {
    std::string text;
    switch (ReadFile(fileName, text)) {
        case TReadResult::Ok:
            break;
        case TReadResult::TooLarge:
            why = "file too large: " + fileName;
            return false;
        case TReadResult::TooManyRecords:
            why = "record count above " + std::to_string(kMaxDataFileRecords) + " in " + fileName;
            return false;
        case TReadResult::NotRegular:
            why = "not a regular file: " + fileName;
            return false;
        case TReadResult::CannotOpen:
            why = "cannot read " + fileName;
            return false;
    }
    TLineReader lines(text);
    std::string name, countLine, data;
    lines.Next(name);
    lines.Next(countLine);
    lines.Next(data);
    int32_t count = 0;
    if (name.empty()) {
        why = "no receiver type in " + fileName;
        return false;
    }
    if (!ParseInt(countLine, count) || count < 0) {
        why = "record count is not a number in " + fileName;
        return false;
    }
    if (count > kMaxDataFileRecords) {
        why = "record count above " + std::to_string(kMaxDataFileRecords) + " in " + fileName;
        return false;
    }
    if (!AllHexDigits(data) ||
        (count == 0 ? !data.empty()
                    : data.empty() || data.size() % count != 0 || (data.size() / count) % 2 != 0)) {
        why = "malformed memory image in " + fileName;
        return false;
    }
    typeName = std::move(name);
    image = std::move(data);
    return true;
}

}  // namespace ravlin
