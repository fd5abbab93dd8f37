#include "monitoring/MonitorEdit.h"

#include <algorithm>

#include "base/Hex.h"
#include "catalog/Catalog.h"
#include "records/RecordEditor.h"

namespace ravlin {

int ParseMessageSize(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t end = text.size();
    while (end > i && text[end - 1] == ' ') --end;
    if (i == end || end - i > 9) return 8;
    int v = 0;
    for (size_t k = i; k < end; ++k) {
        if (text[k] < '0' || text[k] > '9') return 8;
        v = v * 10 + (text[k] - '0');
    }
    return v < 4 ? 8 : v;
}

bool FitsMonitorFile(const std::string& text) {
    return text.find_first_of("#\r\n") == std::string::npos;
}

std::optional<std::string> CheckEventSerial(const std::string& typed,
                                            const std::string& typePrefix) {
    // A transmitter code is typed as in the record editor.
    return NormaliseCode(typed, typePrefix);
}

void MakeInputTypes(std::vector<TTx>& types) {
    for (TTx& t : types) {
        if (t.CodePrefix.empty() || t.CodePrefix[0] != 'A') continue;
        t.HasButtons = false;
        t.Count = 4;
        t.Buttons = {};
        t.Inputs = {{"A=0 B=0", 3}, {"A=1 B=0", 6}, {"A=0 B=1", 9}, {"A=1 B=1", 12}};
    }
}

bool LoadEventTxTypes(const std::string& dir, const std::string& fileName, std::vector<TTx>& types,
                      const TTextTable& texts, TUserInterface& ui) {
    const bool ok = LoadTransmitterTypes(dir, fileName, types, texts, ui);
    MakeInputTypes(types);
    return ok;
}

int TypeForSerial(const std::vector<TTx>& types, const std::string& serial) {
    if (serial.empty()) return -1;
    for (size_t i = 0; i < types.size(); ++i)
        if (!types[i].CodePrefix.empty() && types[i].CodePrefix[0] == serial[0])
            return static_cast<int>(i);
    return -1;
}

int TypeNamed(const std::vector<TTx>& types, const std::string& name) {
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i].Name == name) return static_cast<int>(i);
    return -1;
}

int ButtonDigitValue(const std::string& text) {
    return text.size() == 1 ? std::max(HexDigitValue(text[0]), 0) : 0;
}

std::array<bool, 4> TicksOfValue(int v) {
    return {(v & 8) != 0, (v & 4) != 0, (v & 2) != 0, (v & 1) != 0};
}

std::string HexText(int value) {
    if (value < 0) return "0";
    unsigned v = static_cast<unsigned>(value);
    std::string s;
    do {
        s.insert(s.begin(), HexDigitChar(v));
        v /= 16;
    } while (v);
    return s;
}

std::string ButtonsOfTicks(const TTx& type, const std::array<bool, 4>& ticked) {
    int sum = 0;
    for (int j = 0; j < 4; ++j)
        if (ticked[j]) sum += type.Buttons[j].Value;
    return HexText(sum);
}

}  // namespace ravlin
