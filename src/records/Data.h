#pragma once
// One record of the record table: one memory position of the receiver.

#include <cstdint>
#include <string>
#include <vector>

namespace ravlin {

struct TData {
    uint8_t SortMark = 0;  // work mark of the File view fill
    int32_t Position = 0;  // 1 .. RecordCount
    bool Empty = true;
    std::string Raw;       // the record's L hex digits in the image
    std::string Serial;    // field S
    std::string Button;    // field B
    std::string Output;    // field O
    std::string Channels;  // field K
    std::string Time;      // field T, four hex digits per value, units of 100 ms
    std::string Extra;     // field E
    std::string User1, User2, User3, User4;
    int32_t UserID = 0;
    std::string TxType = "-";
    std::string CodePrefix = "x0";

    // The transmitter code the user sees.
    std::string Code() const { return CodePrefix + Serial; }
};

using TRecordTable = std::vector<TData>;

}  // namespace ravlin
