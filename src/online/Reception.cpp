#include "online/Reception.h"

#include "base/Hex.h"

namespace ravlin {

int TReception::MemoryPosition() const {
    if (!InReceiverMemory() || position.size() != 4) return -1;
    uint32_t v = 0;
    return ParseHex(position, v) ? static_cast<int>(v) : -1;
}

bool DecodeReception(const std::string& block, TReception& out) {
    if (block.size() != 32) return false;
    std::string upper = block;
    for (char& c : upper) {
        if (!IsHexDigit(c)) return false;
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    out.button = upper.substr(0, 1);
    out.serial = upper.substr(1, 7);
    out.battery = upper.substr(16, 2);
    out.position = upper.substr(18, 4);
    return true;
}

void TOnlinePanel::Show(const TReception& r) {
    addEnabled = false;
    if (r.Nothing()) {
        lastTx = lastBtn = "-";
        return;
    }
    lastTx = r.serial;
    lastBtn = r.button;
    lowBattery = r.ShowsLowBattery();
    lastMem = r.InReceiverMemory() ? std::to_string(r.MemoryPosition() + 1) : "-";
}

bool LevelLogs(int level, bool inReceiverMemory, bool inDocument) {
    switch (level) {
        case kLogReceiverMemory:
            return inReceiverMemory;
        case kLogApplicationMemory:
            return inDocument;
        case kLogReceiverAndApplication:
            return inReceiverMemory || inDocument;
        case kLogAll:
            return true;
        default:
            return false;
    }
}

int FindRecord(const TRecordTable& table, const std::string& serialKey) {
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].Empty && table[i].Serial == serialKey) return static_cast<int>(i);
    return -1;
}

TLogDecision DecideLogging(const TReception& r, const TRecordTable& table, bool documentOpen,
                           int historyLevel, int batteryLevel) {
    TLogDecision d;
    if (r.Nothing()) return d;
    const auto usesDocument = [](int level) {
        return level == kLogApplicationMemory || level == kLogReceiverAndApplication;
    };
    if (documentOpen && (usesDocument(historyLevel) || usesDocument(batteryLevel)))
        d.record = FindRecord(table, r.SerialKey());
    const bool inMemory = r.InReceiverMemory();
    const bool inDocument = d.record >= 0;
    d.history = LevelLogs(historyLevel, inMemory, inDocument);
    d.battery = LevelLogs(batteryLevel, inMemory, inDocument);
    return d;
}

int FindLastRow(const std::vector<int>& rowRecords, const TRecordTable& table,
                const TReception& r) {
    const std::string key = r.SerialKey();
    int found = -1;
    for (size_t row = 0; row < rowRecords.size(); ++row) {
        const int i = rowRecords[row];
        if (i < 0 || static_cast<size_t>(i) >= table.size()) continue;
        const TData& record = table[static_cast<size_t>(i)];
        if (record.Serial == key && record.Button == r.button) found = static_cast<int>(row);
    }
    return found;
}

TViewMatch MatchViews(const TReception& r, const TRecordTable& table,
                      const std::vector<int>* memoryRows, const std::vector<int>* fileRows,
                      int singleRelay, bool findLast, bool addWindowShown) {
    TViewMatch m;
    if (!r.Nothing()) {
        const bool memoryShown = memoryRows && !memoryRows->empty();
        const bool fileShown = fileRows && !fileRows->empty();
        if (memoryShown) {
            m.memoryRow = FindLastRow(*memoryRows, table, r);
            if (m.memoryRow < 0) m.addEnabled = true;
            if (findLast) m.selectMemory = m.memoryRow;
        }
        if (fileShown) {
            m.fileRow = FindLastRow(*fileRows, table, r);
            if (m.fileRow < 0) m.addEnabled = true;
            if (findLast) m.selectFile = m.fileRow;
        }
        if (singleRelay == 0 || (!memoryShown && !fileShown)) m.addEnabled = true;
    }
    if (addWindowShown) m.addEnabled = false;
    return m;
}

TBeep BeepFor(bool beep, bool soundSpeaker, bool soundCard, bool monitorMode) {
    TBeep b;
    if (monitorMode || !beep) return b;
    b.speaker = soundSpeaker;
    b.card = soundCard;
    return b;
}

}  // namespace ravlin
