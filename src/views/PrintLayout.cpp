#include "views/PrintLayout.h"

#include <algorithm>

namespace ravlin {

using M = TPrintMetrics;

std::vector<TPrintColumn> PrintColumns(const TViewRows& rows, TPrintCanvas& canvas) {
    canvas.SetBold(true);
    const int n = rows.ColumnCount();
    std::vector<TPrintColumn> columns(n);
    std::vector<TPrintRule> rules(n);
    for (int c = 0; c < n; ++c) {
        const std::string header = rows.Header(c);
        rules[c] = rows.PrintRule(c);
        columns[c].width = canvas.TextWidth(header);
        columns[c].height = canvas.TextHeight(header);
        if (!rules[c].flexible)
            columns[c].width =
                std::min(std::max(columns[c].width, rules[c].minWidth), rules[c].maxWidth);
    }
    long long fixed = 0;
    int flexible = 0;
    for (int c = 0; c < n; ++c) {
        if (rules[c].flexible)
            ++flexible;
        else
            fixed += columns[c].width;
    }
    if (flexible > 0) {
        const long long share =
            (canvas.PageWidth() - 2LL * M::kLeft - fixed - M::kFlexibleReserve) / flexible;
        // A page too narrow for the other columns leaves the flexible ones no room at all.
        const int width = static_cast<int>(std::clamp<long long>(share, 0, M::kFlexibleMax));
        for (int c = 0; c < n; ++c)
            if (rules[c].flexible) columns[c].width = width;
    }
    int x = M::kLeft;
    for (auto& column : columns) {
        column.x = x;
        x += column.width + M::kColumnGap;
    }
    return columns;
}

namespace {

void DrawRow(const TViewRows& rows, TPrintCanvas& canvas, const std::vector<TPrintColumn>& columns,
             int row, int y, int height) {
    for (size_t c = 0; c < columns.size(); ++c) {
        const int column = static_cast<int>(c);
        const std::string text = row == 0 ? rows.Header(column) : rows.Cell(row, column);
        if (!text.empty()) canvas.DrawText(columns[c].x, y, columns[c].width, height, text);
    }
}

}  // namespace

int PrintView(const TViewRows& rows, TPrintCanvas& canvas) {
    const int page = static_cast<int>(rows.Page());
    if (page < 0 || page >= kSearchablePages) return 1;
    const std::vector<TPrintColumn> columns = PrintColumns(rows, canvas);
    if (columns.empty()) return 1;
    const int h = columns[0].height;  // the row height of the whole printout
    const int bottom = canvas.PageHeight() - M::kTop;
    const int last = rows.RowCount();
    int sheets = 1;
    int y = M::kTop;
    for (int r = 0; r <= last; ++r) {
        DrawRow(rows, canvas, columns, r, y, h);
        canvas.SetBold(false);
        y += h + M::kRowGap;
        // A new sheet only when a row is left for it: no sheet holds the header alone.
        if (y > bottom && r < last) {
            if (!canvas.NewPage()) return 0;
            ++sheets;
            canvas.SetBold(true);
            DrawRow(rows, canvas, columns, 0, M::kTop, h);
            canvas.SetBold(false);
            y = M::kTop + h + M::kRowGap;
        }
    }
    return sheets;
}

}  // namespace ravlin
