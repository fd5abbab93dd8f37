#include "catalog/FunctionTable.h"

#include <algorithm>

#include "base/Hex.h"
#include "catalog/Catalog.h"

namespace ravlin {

using catalog_detail::ParseInt;

namespace {

// Records at least one byte long in a 64 KiB address space.
constexpr int kMaxRecordCount = 65536;

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string Copy(const std::string& s, size_t from, size_t count) {
    if (from < 1 || from > s.size()) return {};
    return s.substr(from - 1, count);
}

std::string Hex4(int value) {
    return HexWord(static_cast<unsigned>(std::clamp(value, 0, 0xFFFF)));
}

// Function list from index `i` (0-based): names split at ",", ended when the character
// after the one just taken is "#". False when the "#" is missing.
bool SplitFunctions(const std::string& s, size_t i, std::vector<std::string>& names) {
    names.clear();
    if (i >= s.size()) return false;
    std::string current;
    for (;;) {
        const char c = s[i++];
        if (c == ',') {
            names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
        if (i >= s.size()) return false;
        if (s[i] == '#') {
            names.push_back(current);
            return true;
        }
    }
}

// Pairs key "=" value from index `i`, separated by ",", ended by "#". "=" inside a value
// belongs to the value. False when the "#" is missing or the list holds nothing.
bool SplitPairs(const std::string& s, size_t i, std::vector<std::string>& keys,
                std::vector<std::string>& values) {
    keys.clear();
    values.clear();
    std::string key, value;
    bool inValue = false;
    bool taken = false;
    for (;;) {
        if (i >= s.size()) return false;
        const char c = s[i++];
        if (c == '#') {
            if (!taken) return false;
            keys.push_back(key);
            values.push_back(value);
            return true;
        }
        taken = true;
        if (c == ',') {
            keys.push_back(key);
            values.push_back(value);
            key.clear();
            value.clear();
            inValue = false;
        } else if (c == '=' && !inValue) {
            inValue = true;
        } else {
            (inValue ? value : key) += c;
        }
    }
}

// Source map "=" target map "@" pairs. A "," in the target part goes back to the source.
bool ParseRule(const std::string& s, TFunctionRule& rule) {
    rule.SourceMap.clear();
    rule.TargetMap.clear();
    bool inTarget = false;
    size_t i = 0;
    for (;;) {
        if (i >= s.size()) return false;
        const char c = s[i++];
        if (!inTarget) {
            if (c == '=')
                inTarget = true;
            else
                rule.SourceMap += c;
        } else if (c == '@') {
            break;
        } else if (c == ',') {
            inTarget = false;
        } else {
            rule.TargetMap += c;
        }
    }
    return SplitPairs(s, i, rule.Keys, rule.Values);
}

// One digit of `line` at 1-based position `at`: false unless it is a number.
bool ReadDigit(const std::string& line, size_t at, int& value) {
    return ParseInt(Copy(line, at, 1), value);
}

const std::string* FieldOf(const TData& record, char letter) {
    switch (letter) {
        case 'S':
            return &record.Serial;
        case 'B':
            return &record.Button;
        case 'O':
            return &record.Output;
        case 'K':
            return &record.Channels;
        case 'T':
            return &record.Time;
        case 'E':
            return &record.Extra;
        default:
            return nullptr;
    }
}

std::string* FieldOf(TData& record, char letter) {
    return const_cast<std::string*>(FieldOf(static_cast<const TData&>(record), letter));
}

// Groups of a rule map: letter and position. The position of a short last group is what
// is left of the map (possibly nothing, which is no number).
struct TGroup {
    char letter;
    bool valid;  // position is a number
    int position;
};

std::vector<TGroup> Groups(const std::string& map) {
    std::vector<TGroup> groups;
    for (size_t g = 0; g < map.size(); g += 3) {
        TGroup group{map[g], false, 0};
        group.valid = ParseInt(map.substr(g + 1, 2), group.position);
        groups.push_back(group);
    }
    return groups;
}

enum class TAppend { Ok, NotANumber, OutOfRange };

// Appends the record digits named by `map` to `text`.
TAppend AppendDigits(const TData& record, const std::string& map, std::string& text,
                     bool skipOutOfRange) {
    for (const TGroup& group : Groups(map)) {
        if (!group.valid) return TAppend::NotANumber;
        const std::string* field = FieldOf(record, group.letter);
        if (!field) continue;
        if (group.position < 1 || static_cast<size_t>(group.position) > field->size()) {
            if (skipOutOfRange) continue;
            return TAppend::OutOfRange;
        }
        text += (*field)[group.position - 1];
    }
    return TAppend::Ok;
}

}  // namespace

TFunctionTable::TFunctionTable(std::string dataDir, const TTextTable& texts, TUserInterface& ui)
    : dataDir_(std::move(dataDir)), texts_(texts), ui_(ui) {}

bool TFunctionTable::LoadFunctionTable(const std::string& name) {
    RxName = name;
    std::string text;
    if (!catalog_detail::ReadWholeFile(catalog_detail::JoinPath(dataDir_, fileName_), text)) {
        ui_.Error(TMessage::Lang(texts_, Text::CannotOpen, " - " + fileName_));
        return false;
    }
    return LoadFunctionTableText(text, name);
}

bool TFunctionTable::LoadFunctionTableText(const std::string& text, const std::string& name) {
    RxName = name;
    const std::vector<std::string> lines = catalog_detail::SplitLines(text);
    size_t next = 0;
    auto eof = [&] { return next >= lines.size(); };
    auto read = [&]() -> std::string { return eof() ? std::string() : lines[next++]; };

    while (!eof()) {
        if (read() != name) {
            while (!eof() && !StartsWith(read(), "#E")) {
            }
            continue;
        }
        // Read into a copy: a section with a format error changes nothing that the views
        // and the editor go on using.
        TFunctionTable fresh(*this);
        auto fail = [&] {
            ui_.Error(TMessage::Lang(texts_, Text::WrongFormat, " - " + fileName_));
            return false;
        };
        if (!ParseInt(read(), fresh.RecordCount) || fresh.RecordCount < 0 ||
            fresh.RecordCount > kMaxRecordCount)
            return fail();
        std::string line = read();
        if (!StartsWith(line, "SingleRelay=") || !ReadDigit(line, 13, fresh.SingleRelay))
            return fail();
        line = read();
        if (!StartsWith(line, "Functions=") || !SplitFunctions(line, 10, fresh.Functions))
            return fail();
        line = read();
        // A negative index would select no function but could be used as one.
        if (!StartsWith(line, "Time=") || !ParseInt(Copy(line, 6, 2), fresh.TimeIndex) ||
            fresh.TimeIndex < 0)
            return fail();
        line = read();
        if (!StartsWith(line, "Decoder=") ||
            !SplitPairs(line, 8, fresh.DecoderKeys, fresh.DecoderValues))
            return fail();
        line = read();
        if (!StartsWith(line, "Check=") || !ReadDigit(line, 7, fresh.CheckCount)) return fail();
        // A count of 0 keeps the old rules; they are not applied.
        if (fresh.CheckCount > 0) fresh.CheckRules.resize(fresh.CheckCount);
        for (int i = 0; i < fresh.CheckCount; ++i) {
            if (!ParseRule(read(), fresh.CheckRules[i])) return fail();
        }
        line = read();
        if (!StartsWith(line, "Set=") || !ReadDigit(line, 5, fresh.SetCount)) return fail();
        if (fresh.SetCount > 0) fresh.SetRules.resize(fresh.SetCount);
        for (int i = 0; i < fresh.SetCount; ++i) {
            if (!ParseRule(read(), fresh.SetRules[i])) return fail();
        }
        SingleRelay = fresh.SingleRelay;
        Functions = std::move(fresh.Functions);
        TimeIndex = fresh.TimeIndex;
        DecoderKeys = std::move(fresh.DecoderKeys);
        DecoderValues = std::move(fresh.DecoderValues);
        CheckCount = fresh.CheckCount;
        CheckRules = std::move(fresh.CheckRules);
        SetCount = fresh.SetCount;
        SetRules = std::move(fresh.SetRules);
        RecordCount = fresh.RecordCount;
        // The first section of the name is the one that counts.
        return true;
    }
    // No section of that name: the previous content stays.
    return true;
}

std::string TFunctionTable::FunctionName(const std::string& code) const {
    if (IsRelayMode()) return "?";
    for (size_t i = 0; i < DecoderKeys.size() && i < DecoderValues.size(); ++i) {
        if (DecoderKeys[i] == code) return DecoderValues[i];
    }
    return "?";
}

std::string TFunctionTable::RelayFunctionName(int relay, const std::string& code) const {
    if (!IsRelayMode()) return "?";
    for (size_t i = 0; i < DecoderKeys.size() && i < DecoderValues.size(); ++i) {
        if (DecoderKeys[i] == code) return DecoderValues[i];
    }
    return "?";
}

bool TFunctionTable::FunctionCode(const std::string& name, std::string& code) const {
    if (IsRelayMode()) return false;
    for (size_t i = 0; i < DecoderKeys.size() && i < DecoderValues.size(); ++i) {
        if (DecoderValues[i] == name) {
            code = DecoderKeys[i];
            return true;
        }
    }
    return false;
}

bool TFunctionTable::RelayFunctionCode(const std::string& name, std::string& code) const {
    if (!IsRelayMode()) return false;
    for (size_t i = 0; i < DecoderKeys.size() && i < DecoderValues.size(); ++i) {
        if (DecoderValues[i] == name) {
            code = DecoderKeys[i];
            return true;
        }
    }
    return false;
}

std::string TFunctionTable::FormatTime(const std::string& digits) {
    long v = 0;
    for (size_t i = 0; i < digits.size() && i < 4; ++i) {
        const int d = HexDigitValue(digits[i]);
        v = v * 16 + (d < 0 ? 0 : d);
    }
    const long t = 100 * v;
    const long seconds = t / 1000 % 60;
    return std::to_string(t / 60000) + ":" + (seconds < 10 ? "0" : "") + std::to_string(seconds) +
           "," + std::to_string(t % 1000);
}

std::string TFunctionTable::TimeText(const std::string& time) const {
    if (IsRelayMode()) return "?";
    return FormatTime(time.substr(0, 4));
}

std::string TFunctionTable::RelayTimeText(int relay, const std::string& time) const {
    if (!IsRelayMode()) return "?";
    // A relay without digits of its own has no time to show.
    if (relay < 1 || relay > 9 || static_cast<size_t>(4 * relay - 3) > time.size()) return "?";
    return FormatTime(time.substr(4 * relay - 4, 4));
}

void TFunctionTable::TimeCode(int value, std::string& time) const {
    if (IsRelayMode()) return;
    time = Hex4(value);
}

void TFunctionTable::SetRelayTime(int relay, int value, std::string& time) const {
    if (!IsRelayMode() || relay < 1 || relay > 9) return;
    const std::string digits = Hex4(value);
    for (size_t k = 0; k < 4; ++k) {
        const size_t at = 4 * (relay - 1) + k;
        if (at < time.size()) time[at] = digits[k];
    }
}

std::string TFunctionTable::ChannelsText(const std::string& mask) {
    if (mask == "00") return "-";
    uint32_t bits = 0;
    if (!ParseHex(mask, bits)) return {};
    std::string text;
    for (int bit = 0; bit < 32; ++bit) {
        if (bits & (uint32_t{1} << bit)) {
            if (!text.empty()) text += ", ";
            text += std::to_string(bit + 1);
        }
    }
    return text;
}

bool TFunctionTable::Check(const TData& record) const {
    if (CheckCount <= 0) return true;
    std::string source, target;
    bool applicable = false;
    bool satisfied = false;
    const size_t count = std::min(static_cast<size_t>(CheckCount), CheckRules.size());
    for (size_t r = 0; r < count; ++r) {
        const TFunctionRule& rule = CheckRules[r];
        // A position outside the field's digits fails the record like one that is no
        // number: the rule cannot be judged, and refusing is the safe side.
        if (AppendDigits(record, rule.SourceMap, source, false) != TAppend::Ok) return false;
        if (AppendDigits(record, rule.TargetMap, target, false) != TAppend::Ok) return false;
        applicable = false;
        satisfied = false;
        for (size_t k = 0; k < rule.Keys.size() && k < rule.Values.size(); ++k) {
            if (rule.Keys[k] != source) continue;
            applicable = true;
            if (rule.Values[k] == target) {
                satisfied = true;
                break;
            }
        }
        if (satisfied) break;
    }
    return satisfied || !applicable;
}

void TFunctionTable::ApplySetRules(TData& record) const {
    if (SetCount <= 0) return;
    std::string source;
    const size_t count = std::min(static_cast<size_t>(SetCount), SetRules.size());
    for (size_t r = 0; r < count; ++r) {
        const TFunctionRule& rule = SetRules[r];
        // Digits outside a field are skipped here: nothing is added to a field.
        if (AppendDigits(record, rule.SourceMap, source, true) != TAppend::Ok) return;
        const std::vector<TGroup> targets = Groups(rule.TargetMap);
        bool matched = false;
        for (size_t k = 0; k < rule.Keys.size() && k < rule.Values.size(); ++k) {
            if (rule.Keys[k] != source) continue;
            matched = true;
            const std::string& value = rule.Values[k];
            for (const TGroup& group : targets) {
                if (!group.valid) return;
                std::string* field = FieldOf(record, group.letter);
                if (!field || group.position < 1) continue;
                const size_t p = static_cast<size_t>(group.position);
                // Neither the field nor the value grows: a digit either lacks is skipped.
                if (p > field->size() || p > value.size()) continue;
                (*field)[p - 1] = value[p - 1];
            }
        }
        if (matched) return;
    }
}

}  // namespace ravlin
