#pragma once
// What the simulator needs from the receiver catalogue and from image files.

#include <cstdint>
#include <string>
#include <vector>

#include "Device.h"

namespace ravlin::sim {

struct TRxTypeInfo {
    int recordBytes = 0;  // length of the empty-record template in bytes
    int blockSize = 0;    // erase block size; 0 when the entry has none
};

// Looks the type up in Rx.def of dataDir (empty: the program's data folder). False with
// the reason in `why` when the file or the type is missing or the entry is malformed.
bool FindRxType(const std::string& dataDir, const std::string& type, TRxTypeInfo& info,
                std::string& why);

// A data file (*.rvl): true with the record area's bytes and the receiver type it names.
// False with `why` set when it cannot be used; false with `why` empty when `path` is not a
// data file (then it is a raw image).
bool LoadDataFile(const std::string& path, std::vector<uint8_t>& data, std::string& typeName,
                  std::string& why);

}  // namespace ravlin::sim
