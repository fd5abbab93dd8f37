#include "monitoring/MonitorEdit.h"

#include <cctype>

#include "catalog/Catalog.h"

namespace ravlin {

namespace {

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool AllHex(const std::string& s, size_t from) {
    for (size_t i = from; i < s.size(); ++i)
        if (!IsHex(s[i])) return false;
    return true;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

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
    if (typed.size() == 5 && AllHex(typed, 0)) {
        const std::string code = typePrefix + Upper(typed);
        return code.size() == 7 ? code : "x0" + Upper(typed);
    }
    if (typed.size() == 7 && (typed[0] == 'x' || typed[0] == 'X')) {
        if (!AllHex(typed, 1)) return std::nullopt;
        return "x" + Upper(typed.substr(1));
    }
    if (typed.size() == 7 && AllHex(typed, 0)) return Upper(typed);
    return std::nullopt;
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
    if (text.size() != 1 || !IsHex(text[0])) return 0;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

std::array<bool, 4> TicksOfValue(int v) {
    return {(v & 8) != 0, (v & 4) != 0, (v & 2) != 0, (v & 1) != 0};
}

std::string HexText(int value) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (value < 0) return "0";
    unsigned v = static_cast<unsigned>(value);
    std::string s;
    do {
        s.insert(s.begin(), kDigits[v % 16]);
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
