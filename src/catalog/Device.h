#pragma once
// Plain records of the receiver and transmitter catalogues.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ravlin {

// Receiver type: catalogue entry (Rx.def) plus the addresses the receiver reports.
struct TDevice {
    std::string Description;
    std::string Name;
    std::string Password;
    int32_t Outputs = 0;
    int32_t RecordCount = 0;
    int32_t StartAddress = 0;
    int32_t EndAddress = 0;
    int32_t OnlineAddress = 0;
    int32_t NameAddress = 0;
    int32_t PasswordAddress = 0;
    int32_t BlockSize = 0;      // erase step of an upload; 2048 also packs the records
    std::string EmptyTemplate;  // L hex digits
    std::string ErasedRecord;   // L times 'F'
    std::string DecodeMap;      // 4L characters
    std::string EncodeMap;      // 4L characters
    int32_t UsedCount = 0;

    // Record length in hex digits.
    int RecordLength() const { return static_cast<int>(EmptyTemplate.size()); }
};

// Receiver type list entry (New file dialog, About window).
struct TRxArray {
    std::string Name;
    std::string Description;
    int Position = 0;
};

struct TInput {
    std::string Name;
    int Value = 0;
};

struct TTxButton {
    bool Visible = false;
    int Top = 0;
    int Left = 0;
    int Value = 0;
};

// Transmitter type (Tx.def).
struct TTx {
    std::string Name;
    bool HasButtons = false;
    int Count = 0;
    std::string CodePrefix;
    std::array<TTxButton, 4> Buttons{};
    std::vector<TInput> Inputs;
};

// Receiver types whose records keep User1 as text in Extra.
inline bool IsTextHoldingType(const std::string& name) {
    return name == "KV1T-N" || name == "KVTQ-N" || name == "KV8T-N";
}
// Receiver types whose records keep serial-port command slots in Extra.
inline bool IsSerialCommandType(const std::string& name) {
    return name == "KV1M" || name == "KV1W" || name == "KV1K" || name == "KV8M" ||
           name == "KV1M3" || name == "KV1M2";
}

}  // namespace ravlin
