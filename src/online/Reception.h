#pragma once
// One reception of on-line mode, as the receiver reports it in its last-reception block,
// and what the program does with it besides reading: the on-line panel, which logs take
// it (the logging levels), the matching rows of the Memory and File views and whether the
// Add button offers it (the Add itself is the record editor's: records/RecordCommands.h).

#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/Data.h"

namespace ravlin {

// The 16-byte last-reception block as 32 hex digits:
//   1      button digit
//   2-8    transmitter code (7 digits), "0000000" when nothing was received
//   17-18  battery, "01" low
//   19-22  memory position, 0-based, "FFFF" when not in the receiver memory
struct TReception {
    std::string serial;    // 7 digits
    std::string button;    // 1 digit
    std::string battery;   // 2 digits
    std::string position;  // 4 digits

    bool Nothing() const { return serial == "0000000"; }
    bool LowBattery() const { return battery == "01"; }
    // An input transmitter reports its inputs, not its battery.
    bool InputTransmitter() const { return !serial.empty() && serial[0] == 'A'; }
    bool ShowsLowBattery() const { return LowBattery() && !InputTransmitter(); }
    bool InReceiverMemory() const { return position != "FFFF"; }
    // 0-based memory position; -1 when not in the receiver memory.
    int MemoryPosition() const;
    // Characters 3 to 7 of the code: the five digits a record's Serial holds.
    std::string SerialKey() const { return serial.substr(2, 5); }
};

// False unless `block` is 32 hexadecimal digits (a read that went wrong).
bool DecodeReception(const std::string& block, TReception& out);

// The on-line panel's fields.
struct TOnlinePanel {
    std::string lastTx = "-";   // EditLastTx
    std::string lastBtn = "-";  // EditLastBtn
    std::string lastMem = "-";  // EditLastMem: memory position + 1
    bool lowBattery = false;    // LowBattLabel shown
    bool addEnabled = false;    // BtnAdd

    // A poll's reception: "0000000" shows "-" for code and button and keeps the memory
    // field and the low-battery label. The Add button is left to MatchViews.
    void Show(const TReception& r);
};

// ---- logging levels ------------------------------------------------------------------

// Settings HistoryMonitorLevel and BatteryMonitorLevel.
enum TLogLevel {
    kLogOff = 0,
    kLogReceiverMemory = 1,     // the transmitter is in the receiver memory
    kLogApplicationMemory = 2,  // a document is open and has a record of its serial key
    kLogReceiverAndApplication = 3,
    kLogAll = 4,
};

// Whether a level logs a reception.
bool LevelLogs(int level, bool inReceiverMemory, bool inDocument);

// Index of the first record (not empty) whose Serial is `serialKey`; -1 when none.
int FindRecord(const TRecordTable& table, const std::string& serialKey);

struct TLogDecision {
    bool history = false;
    bool battery = false;
    int record = -1;  // the document's record of the serial key, -1 when none or no document
};
// Which logs take a reception. "0000000" is never logged; the history takes a reception
// once even when both conditions of level 3 hold.
TLogDecision DecideLogging(const TReception& r, const TRecordTable& table, bool documentOpen,
                           int historyLevel, int batteryLevel);

// ---- views -------------------------------------------------------------------------

// The last row of a view (rows given as the record table indexes they show) whose record
// has the reception's serial key and button digit; -1 when none.
int FindLastRow(const std::vector<int>& rowRecords, const TRecordTable& table, const TReception& r);

struct TViewMatch {
    int memoryRow = -1;     // the matching row of the Memory view, -1 none
    int fileRow = -1;       // the same for the File view
    int selectMemory = -1;  // the row to make current (FindLast), -1 none
    int selectFile = -1;
    bool addEnabled = false;  // BtnAdd
};
// `memoryRows` / `fileRows`: nullptr (or empty) for an empty view. With a SingleRelay
// value of 0, or both views empty, every reception but "0000000" enables Add; otherwise
// Add is enabled when a non-empty view has no row of that transmitter and button. The
// transmitter-adding window of the monitor set-up (`addWindowShown`) disables it.
TViewMatch MatchViews(const TReception& r, const TRecordTable& table,
                      const std::vector<int>* memoryRows, const std::vector<int>* fileRows,
                      int singleRelay, bool findLast, bool addWindowShown);

// ---- sounds -----------------------------------------------------------------------

struct TBeep {
    bool speaker = false;  // PC-speaker tone 1000 Hz, 100 ms
    bool card = false;     // Sounds/SBeep.wav of the data folder, when it exists
};
TBeep BeepFor(bool beep, bool soundSpeaker, bool soundCard, bool monitorMode);
inline constexpr const char* kBeepSound = "Sounds/SBeep.wav";

}  // namespace ravlin
