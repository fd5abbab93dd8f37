#include "RxType.h"

#include <cstdlib>
#include <fstream>

#include "app/Folders.h"

namespace ravlin::sim {

namespace {

bool GetLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool IsNumber(const std::string& s, long& v) {
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && *end == 0;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

}  // namespace

// Only the lines the simulator needs: the section's name line, the empty-record template
// (line 4) and the erase block size (line 7); sections end with "#E".
bool FindRxType(const std::string& dataDir, const std::string& type, TRxTypeInfo& info,
                std::string& why) {
    const std::string dir = TFolders::Resolve(dataDir, "/nonexistent").dataDir;
    const std::string path = dir + "/Rx.def";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot open " + path;
        return false;
    }
    std::string line;
    while (GetLine(in, line)) {
        if (line == type) {
            std::string lines[6];
            for (auto& l : lines) GetLine(in, l);
            long block = 0;
            if (lines[2].empty() || lines[2].size() % 2 != 0) {
                why = "malformed entry " + type + " in " + path;
                return false;
            }
            info.recordBytes = static_cast<int>(lines[2].size() / 2);
            info.blockSize = IsNumber(lines[5], block) && block > 0 ? static_cast<int>(block) : 0;
            return true;
        }
        while (line != "#E" && GetLine(in, line)) {
        }
    }
    why = "type " + type + " not in " + path;
    return false;
}

bool LoadImage(const std::string& path, const TSimConfig&, std::vector<uint8_t>&,
               std::string& why) {
    if (EndsWith(path, ".rvl")) {
        why = "data files cannot be loaded yet; give a raw image of the record area";
        return false;
    }
    return false;
}

}  // namespace ravlin::sim
