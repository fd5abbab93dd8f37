#include "records/Codec.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "base/Hex.h"
#include "catalog/Catalog.h"
#include "catalog/FunctionTable.h"

namespace ravlin {

namespace {

constexpr int kMaxFieldDigits = 500;
constexpr const char kLetters[] = "SBOKTE";

// Index of a field letter in kLetters, or -1 for a digit that belongs to no field.
int LetterIndex(char c) {
    for (int i = 0; i < 6; ++i)
        if (kLetters[i] == c) return i;
    return -1;
}

std::string& FieldOf(TData& record, int index) {
    switch (index) {
        case 0:
            return record.Serial;
        case 1:
            return record.Button;
        case 2:
            return record.Output;
        case 3:
            return record.Channels;
        case 4:
            return record.Time;
        default:
            return record.Extra;
    }
}

// Three decimal digits of a map group; -1 when they are not a number.
int GroupPosition(const std::string& map, size_t group) {
    const size_t at = group * 4 + 1;
    if (at + 3 > map.size()) return -1;
    int value = 0;
    for (size_t i = at; i < at + 3; ++i) {
        const char c = map[i];
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Highest position the decode map gives each field letter (a group that is not a
// number counts as 0).
std::array<int, 6> FieldLengths(const TDevice& device) {
    std::array<int, 6> lengths{};
    const size_t groups = device.DecodeMap.size() / 4;
    for (size_t g = 0; g < groups; ++g) {
        const int letter = LetterIndex(device.DecodeMap[g * 4]);
        if (letter < 0) continue;
        const int p = std::min(GroupPosition(device.DecodeMap, g), kMaxFieldDigits);
        lengths[letter] = std::max(lengths[letter], p);
    }
    return lengths;
}

void ResetUserInfo(TData& record) {
    record.UserID = 0;
    record.User1.clear();
    record.User2.clear();
    record.User3.clear();
    record.User4.clear();
    record.TxType = "-";
    record.CodePrefix = "x0";
}

// First digit (0-based) of the text in Extra: digit 2 for "KV8T-N", digit 1 otherwise.
size_t TextStart(const std::string& typeName) {
    return typeName == "KV8T-N" ? 1 : 0;
}

// The decode map read once: for record digit j, the field (-1: none) and the 0-based
// position in it; and each field's length (its highest position).
struct TDecodePlan {
    std::vector<std::pair<int, int>> digits;
    std::array<int, 6> lengths{};
};

// False when a group of the first L has a position that is not a number in 1..500.
bool MakeDecodePlan(const TDevice& device, TDecodePlan& plan) {
    const int length = device.RecordLength();
    plan.digits.clear();
    plan.digits.reserve(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j) {
        const size_t g = static_cast<size_t>(j);
        const int p = GroupPosition(device.DecodeMap, g);
        if (p < 1 || p > kMaxFieldDigits) return false;
        const int letter = LetterIndex(device.DecodeMap[g * 4]);
        plan.digits.emplace_back(letter, p - 1);
        if (letter >= 0) plan.lengths[letter] = std::max(plan.lengths[letter], p);
    }
    return true;
}

void DecodeRecord(const std::string& raw, const TDecodePlan& plan, TData& record) {
    for (int i = 0; i < 6; ++i)
        FieldOf(record, i).assign(static_cast<size_t>(plan.lengths[i]), '0');
    for (size_t j = 0; j < plan.digits.size(); ++j) {
        const auto [letter, p] = plan.digits[j];
        // A record cut short by the end of the image reads "0" for its missing digits.
        if (letter >= 0 && j < raw.size()) FieldOf(record, letter)[static_cast<size_t>(p)] = raw[j];
    }
}

}  // namespace

bool IsEmptyRaw(const std::string& raw, const TDevice& device) {
    return raw == device.EmptyTemplate || raw == device.ErasedRecord;
}

std::string ExtraToText(const std::string& extra, const std::string& typeName) {
    std::string text;
    for (size_t i = TextStart(typeName); i + 1 < extra.size(); i += 2) {
        const int code = std::max(HexByteAt(extra, i), 0);
        text += code == 0 ? ' ' : static_cast<char>(code);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void TextToExtra(const std::string& text, const std::string& typeName, std::string& extra) {
    size_t c = 0;
    for (size_t i = TextStart(typeName); i + 1 < extra.size(); i += 2, ++c) {
        const unsigned code = c < text.size() ? static_cast<unsigned char>(text[c]) : 0;
        extra[i] = HexDigitChar(code >> 4);
        extra[i + 1] = HexDigitChar(code);
    }
}

bool DecodeImage(const std::string& image, TDevice& device, TRecordTable& table) {
    const int count = std::max(device.RecordCount, 0);
    const size_t length = static_cast<size_t>(device.RecordLength());
    const bool textHolding = IsTextHoldingType(device.Name);
    TDecodePlan plan;
    if (count > 0 && !MakeDecodePlan(device, plan)) return false;
    TRecordTable decoded(static_cast<size_t>(count));
    int usedCount = count;
    for (int i = 1; i <= count; ++i) {
        TData& record = decoded[static_cast<size_t>(i - 1)];
        const size_t start = static_cast<size_t>(i - 1) * length;
        record.Raw = start < image.size() ? image.substr(start, length) : std::string();
        record.Position = i;
        record.Empty = IsEmptyRaw(record.Raw, device);
        const bool erased = record.Raw == device.ErasedRecord;
        if (i == 1 && erased) usedCount = 0;
        if (i > 1 && erased && decoded[static_cast<size_t>(i - 2)].Raw != device.ErasedRecord)
            usedCount = i - 1;
        DecodeRecord(record.Raw, plan, record);
        ResetUserInfo(record);
        if (textHolding) record.User1 = ExtraToText(record.Extra, device.Name);
    }
    table = std::move(decoded);
    device.UsedCount = usedCount;
    return true;
}

void ClearRecord(TData& record, const TDevice& device) {
    record.Empty = true;
    record.Raw = device.EmptyTemplate;
    for (int i = 0; i < 6; ++i) {
        std::string& field = FieldOf(record, i);
        field.assign(field.size(), '0');
    }
    ResetUserInfo(record);
}

void ClearRecord(TRecordTable& table, const TDevice& device, int position) {
    if (position < 1 || static_cast<size_t>(position) > table.size()) return;
    ClearRecord(table[static_cast<size_t>(position - 1)], device);
}

TData MakeEmptyRecord(const TDevice& device, int position) {
    TData record;
    record.Position = position;
    record.Empty = true;
    record.Raw = device.EmptyTemplate;
    const auto lengths = FieldLengths(device);
    for (int i = 0; i < 6; ++i) FieldOf(record, i).assign(static_cast<size_t>(lengths[i]), '0');
    ResetUserInfo(record);
    return record;
}

bool EncodeImage(TDevice& device, TRecordTable& table, std::string& image, TUserInterface& ui) {
    const int count = std::max(device.RecordCount, 0);
    image.clear();
    // The table must cover the memory exactly; records beyond it would be lost unseen.
    if (table.size() > static_cast<size_t>(count)) {
        for (size_t i = static_cast<size_t>(count); i < table.size(); ++i) {
            if (!table[i].Empty) {
                ui.Information(TMessage::Fixed(kDataCodingError));
                return false;
            }
        }
        table.resize(static_cast<size_t>(count));
    }
    while (table.size() < static_cast<size_t>(count))
        table.push_back(MakeEmptyRecord(device, static_cast<int>(table.size()) + 1));

    // Records the views show behind an erased record are packed as well: the used part
    // reaches at least to the last record that is not empty.
    int used = std::clamp(device.UsedCount, 0, count);
    for (int j = count; j > used; --j) {
        if (!table[static_cast<size_t>(j - 1)].Empty) {
            used = j;
            break;
        }
    }
    int k = 1;
    for (int j = 1; j <= used; ++j) {
        TData& record = table[static_cast<size_t>(j - 1)];
        if (record.Empty) continue;
        if (k != j) table[static_cast<size_t>(k - 1)] = std::move(record);
        table[static_cast<size_t>(k - 1)].Position = k;
        ++k;
    }
    device.UsedCount = device.BlockSize == 2048 ? k - 1 : count;
    for (int j = k; j <= count; ++j) {
        // Moved-from records have lost their field lengths: rebuild them from the map.
        table[static_cast<size_t>(j - 1)] = MakeEmptyRecord(device, j);
    }

    const bool textHolding = IsTextHoldingType(device.Name);
    const size_t groups = device.EncodeMap.size() / 4;
    image.reserve(static_cast<size_t>(count) * device.EmptyTemplate.size());
    for (int j = 1; j <= count; ++j) {
        if (j > device.UsedCount) {
            image += device.ErasedRecord;
            continue;
        }
        TData& record = table[static_cast<size_t>(j - 1)];
        if (textHolding) TextToExtra(record.User1, device.Name, record.Extra);
        std::string built;
        built.reserve(record.Raw.size());
        for (size_t g = 0; g < groups; ++g) {
            const int p = GroupPosition(device.EncodeMap, g);
            if (p < 0) {
                ui.Information(TMessage::Fixed(kDataCodingError));
                return false;
            }
            const int letter = LetterIndex(device.EncodeMap[g * 4]);
            if (letter < 0) continue;
            const std::string& field = FieldOf(record, letter);
            // A position the field does not reach adds nothing; the length check below
            // then refuses the record.
            if (p >= 1 && static_cast<size_t>(p) <= field.size()) built += field[p - 1];
        }
        if (built.size() != device.EmptyTemplate.size()) {
            ui.Information(TMessage::Fixed(kDataCodingError));
            return false;
        }
        record.Raw = std::move(built);
        image += record.Raw;
    }
    return true;
}

bool MakeEmptyTable(const std::string& dataDir, const std::string& name, bool loggedIn,
                    TDevice& current, TFunctionTable& functionTable, TRecordTable& table,
                    const TTextTable& texts, TUserInterface& ui) {
    TDevice fresh;
    if (!FindReceiverType(dataDir, name, false, fresh, texts, ui)) return false;
    fresh.Name = name;  // the catalogue fills only the entry's fields
    if (!functionTable.LoadFunctionTable(name)) return false;
    TDevice device = loggedIn ? current : fresh;
    if (!loggedIn) device.RecordCount = std::max(functionTable.RecordCount, 0);
    // The table covers every position of the memory it stands for: the receiver's own
    // record count when one is logged in.
    device.UsedCount = device.RecordCount;
    TRecordTable made;
    made.reserve(static_cast<size_t>(device.RecordCount));
    for (int i = 1; i <= device.RecordCount; ++i) made.push_back(MakeEmptyRecord(device, i));
    current = std::move(device);
    table = std::move(made);
    return true;
}

}  // namespace ravlin
