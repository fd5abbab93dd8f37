#include "records/RecordClipboard.h"

#include <array>
#include <charconv>

#include "base/Hex.h"
#include "base/TextLines.h"
#include "catalog/FunctionTable.h"
#include "records/Codec.h"
#include "records/RecordCommands.h"
#include "records/RecordEditor.h"

namespace ravlin {

namespace {

constexpr std::string_view kHead = "RavlinRecords;1;";
// Bounds of the reader: a receiver has at most 65536 records, a digit field at most 500
// digits, and no text of a record comes near 64 KiB.
constexpr size_t kMaxRecords = 65536;
constexpr size_t kMaxDigits = 500;
constexpr size_t kMaxTextBytes = 65536;
constexpr size_t kFields = 14;

// A text of the record as hex digits, bounded like the rest of the reader.
bool FromHexText(std::string_view hex, std::string& out) {
    return hex.size() / 2 <= kMaxTextBytes && HexToBytes(hex, out);
}

bool DigitField(std::string_view field, std::string& out) {
    if (field.size() > kMaxDigits || !AllHexDigits(field)) return false;
    out.assign(field);
    return true;
}

bool Number(std::string_view field, long long low, long long high, long long& value) {
    if (field.empty()) return false;
    const char* end = field.data() + field.size();
    auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = line.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(line.substr(start));
            return parts;
        }
        parts.push_back(line.substr(start, at - start));
        start = at + 1;
    }
}

bool ParseRecordLine(std::string_view line, TData& r) {
    const std::vector<std::string_view> f = Split(line, ';');
    if (f.size() != kFields) return false;
    long long number = 0;
    if (!Number(f[0], 0, 0x7FFFFFFF, number)) return false;
    r.Position = static_cast<int32_t>(number);
    std::array<std::string*, 6> digits = {&r.Serial,   &r.Button, &r.Output,
                                          &r.Channels, &r.Time,   &r.Extra};
    for (size_t i = 0; i < 6; ++i)
        if (!DigitField(f[1 + i], *digits[i])) return false;
    if (!Number(f[7], -2147483648LL, 2147483647LL, number)) return false;
    r.UserID = static_cast<int32_t>(number);
    std::array<std::string*, 6> texts = {&r.User1, &r.User2,  &r.User3,
                                         &r.User4, &r.TxType, &r.CodePrefix};
    for (size_t i = 0; i < 6; ++i)
        if (!FromHexText(f[8 + i], *texts[i])) return false;
    r.Empty = false;
    return true;
}

// Why a record cannot be pasted into the table; nullopt when it can (then `r` is ready,
// its code normalised and the set rules applied).
std::optional<TMessage> PasteProblem(TData& r, const TData& layout, const TDevice& device,
                                     const TFunctionTable& functionTable, const TTextTable& texts,
                                     const std::array<std::string, 5>& titles) {
    if (r.Serial.size() != layout.Serial.size() || r.Button.size() != layout.Button.size() ||
        r.Output.size() != layout.Output.size() || r.Channels.size() != layout.Channels.size() ||
        r.Time.size() != layout.Time.size() || r.Extra.size() != layout.Extra.size())
        return TMessage::Fixed("The record does not have the record layout of this receiver type.");
    const auto code = NormaliseCode(r.CodePrefix + r.Serial, "");
    if (!code || code->size() != 7 || code->substr(2) == "00000")
        return TMessage::Lang(texts, Text::BadTxCode);
    r.CodePrefix = code->substr(0, 2);
    r.Serial = code->substr(2);
    const std::string function = functionTable.IsRelayMode()
                                     ? functionTable.RelayFunctionName(1, r.Output)
                                     : functionTable.FunctionName(r.Output);
    if (function == "?") return TMessage::Lang(texts, Text::UnknownFunction);
    if (!functionTable.Check(r)) return TMessage::Lang(texts, Text::RecordBreaksRules);
    const std::array<const std::string*, 4> user = {&r.User1, &r.User2, &r.User3, &r.User4};
    const int capacity = UserTextCapacity(device);
    // User1 of the text-holding types is a receiver's text: the memory image carries it
    // whole, whatever it holds.
    for (size_t i = capacity >= 0 ? 1 : 0; i < 4; ++i)
        if (auto problem = UserTextProblem(*user[i], titles[i + 1])) return problem;
    if (auto problem = UserTextProblem(
            r.TxType, HasText(texts, Text::TxType) ? TextAt(texts, Text::TxType) : "Tx type"))
        return problem;
    if (capacity >= 0 && r.User1.size() > static_cast<size_t>(capacity))
        return TMessage::Fixed(titles[1] + ": the receiver keeps at most " +
                               std::to_string(capacity) + " characters.");
    functionTable.ApplySetRules(r);
    return std::nullopt;
}

}  // namespace

std::string TabSeparated(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& cells : rows) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) out += '\t';
            for (char c : cells[i]) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
        }
        out += "\r\n";
    }
    return out;
}

std::vector<TData> RecordsAt(const TRecordTable& table, const std::vector<int>& positions) {
    std::vector<TData> records;
    records.reserve(positions.size());
    for (int p : positions)
        if (p >= 1 && static_cast<size_t>(p) <= table.size())
            records.push_back(table[static_cast<size_t>(p - 1)]);
    return records;
}

std::string SerializeRecords(const std::string& typeName, const std::vector<TData>& records) {
    std::string out(kHead);
    out += BytesToHex(typeName) + ";" + std::to_string(records.size()) + "\r\n";
    for (const TData& r : records) {
        out += std::to_string(std::max(r.Position, 0));
        for (const std::string* digits :
             {&r.Serial, &r.Button, &r.Output, &r.Channels, &r.Time, &r.Extra})
            out += ";" + *digits;
        out += ";" + std::to_string(r.UserID);
        for (const std::string* text :
             {&r.User1, &r.User2, &r.User3, &r.User4, &r.TxType, &r.CodePrefix})
            out += ";" + BytesToHex(*text);
        out += "\r\n";
    }
    return out;
}

bool ParseRecords(std::string_view text, TClipRecords& out) {
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty() || lines[0].substr(0, kHead.size()) != kHead) return false;
    const std::vector<std::string_view> head = Split(lines[0].substr(kHead.size()), ';');
    TClipRecords clip;
    long long count = 0;
    if (head.size() != 2 || !FromHexText(head[0], clip.typeName) ||
        !Number(head[1], 0, static_cast<long long>(kMaxRecords), count) ||
        lines.size() != static_cast<size_t>(count) + 1)
        return false;
    clip.records.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < clip.records.size(); ++i)
        if (!ParseRecordLine(lines[i + 1], clip.records[i])) return false;
    out = std::move(clip);
    return true;
}

TPasteResult PasteRecords(const TRecordTable& table, const TDevice& device,
                          const TFunctionTable& functionTable, const TClipRecords& clip,
                          const TTextTable& texts, TUserInterface& ui) {
    TPasteResult result;
    result.change.kind = TChangeKind::Paste;
    result.change.usedBefore = result.change.usedAfter = device.UsedCount;
    if (clip.records.empty()) return result;
    if (clip.typeName != device.Name) {
        result.refused = static_cast<int>(clip.records.size());
        ui.Error(TMessage::Fixed("The records were copied from a receiver of type " +
                                 clip.typeName +
                                 "; they can be pasted only into a document of "
                                 "that type (this one is " +
                                 device.Name + ")."));
        return result;
    }
    std::array<std::string, 5> titles;
    for (int i = 0; i < 5; ++i)
        titles[static_cast<size_t>(i)] = TextAt(texts, TextInRun(Text::UserIdTitle, i));

    // The adds are planned one after the other on a working table, so that each one finds
    // the free position and the end of the used part the previous one left.
    TRecordTable work = table;
    TDevice workDevice = device;
    const TData layout = MakeEmptyRecord(device, 0);
    std::vector<TMessage> problems;
    size_t next = 0;
    for (; next < clip.records.size(); ++next) {
        TData r = clip.records[next];
        const std::string code = r.CodePrefix + r.Serial;
        if (auto problem = PasteProblem(r, layout, device, functionTable, texts, titles)) {
            problems.push_back({problem->textId, problem->text + " - " + code});
            ++result.refused;
            continue;
        }
        TAddPlan plan;
        plan.position = FirstEmptyPosition(work);
        if (plan.position == 0) break;
        r.Raw = work[static_cast<size_t>(plan.position - 1)].Raw;
        TRecordChange add = AddChange(work, workDevice, plan, r, TChangeKind::Paste);
        ApplyChange(add, work, workDevice, true);
        result.change.Append(std::move(add));
        ++result.pasted;
    }
    result.change.kind = TChangeKind::Paste;
    if (problems.size() == 1) {
        ui.Error(problems.front());
    } else if (problems.size() > 1) {
        std::string text = std::to_string(problems.size()) + " records were not pasted:";
        for (const TMessage& m : problems) text += "\n" + m.text;
        ui.Error(TMessage::Fixed(text));
    }
    if (next < clip.records.size()) {
        result.refused += static_cast<int>(clip.records.size() - next);
        ui.Error(TMessage::Lang(texts, Text::NoFreePosition));
    }
    return result;
}

}  // namespace ravlin
