#pragma once
// Tables of the command-line tool: aligned columns for a terminal or comma-separated
// values. Cells are UTF-8.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace ravlin::cli {

using TTableLines = std::vector<std::vector<std::string>>;

// Characters a terminal shows for UTF-8 text (one column each).
inline size_t Utf8Width(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

inline std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

inline void PrintTable(const TTableLines& lines, bool csv) {
    std::vector<size_t> widths;
    if (!csv)
        for (const auto& cells : lines) {
            if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
            for (size_t i = 0; i < cells.size(); ++i)
                widths[i] = std::max(widths[i], Utf8Width(cells[i]));
        }
    for (const auto& cells : lines) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (csv) {
                if (i) line += ',';
                line += CsvCell(cells[i]);
            } else {
                line += cells[i];
                if (i + 1 < cells.size()) line.append(widths[i] - Utf8Width(cells[i]) + 2, ' ');
            }
        }
        if (!csv)
            while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace ravlin::cli
