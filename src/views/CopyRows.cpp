#include "views/CopyRows.h"

#include <algorithm>

#include "records/RecordClipboard.h"

namespace ravlin {

std::string FileViewRowsText(const TRecordTable& table, const TFileView& view,
                             const std::vector<int>& rows, bool withHeader) {
    std::vector<std::vector<std::string>> lines;
    if (withHeader) lines.push_back(view.headers);
    const int columns = view.layout.Count();
    for (int row : rows) {
        if (row < 0 || row >= view.RowCount()) continue;
        std::vector<std::string> cells;
        cells.reserve(static_cast<size_t>(std::max(columns, 0)));
        for (int c = 0; c < columns; ++c) cells.push_back(view.Cell(table, row, c));
        lines.push_back(std::move(cells));
    }
    return TabSeparated(lines);
}

std::string MemoryViewRowsText(const TMemoryViewContent& content, const std::vector<int>& rows,
                               bool withHeader) {
    std::vector<std::vector<std::string>> lines;
    if (withHeader) lines.push_back(content.headers);
    for (int row : rows)
        if (row >= 0 && static_cast<size_t>(row) < content.rows.size())
            lines.push_back(content.rows[static_cast<size_t>(row)].cells);
    return TabSeparated(lines);
}

}  // namespace ravlin
