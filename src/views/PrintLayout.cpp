#include "views/PrintLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace ravlin {

using M = TPrintMetrics;

namespace {

// A length at the reference resolution on the device.
struct TScale {
    double factor;
    int operator()(int length) const {
        if (length == INT_MAX) return INT_MAX;
        return static_cast<int>(std::lround(length * factor));
    }
};

// The layout and the width of every text it measured (normal type; -1: not measured).
struct TMeasured {
    TPrintLayout layout;
    std::vector<std::vector<int>> cellWidths;  // [column][row - 1]
};

TMeasured Measure(const TViewRows& rows, TPrintCanvas& canvas) {
    TMeasured m;
    TPrintLayout& l = m.layout;
    const TScale scale{static_cast<double>(std::max(canvas.Resolution(), 1)) / kPrintReferenceDpi};
    const TPrintArea area = canvas.PrintableArea();
    l.left = std::max(scale(M::kLeft), area.left);
    l.right = std::max(l.left + 1, std::min(canvas.PageWidth() - scale(M::kLeft), area.right));
    l.top = std::max(scale(M::kTop), area.top);
    l.bottom = std::min(canvas.PageHeight() - scale(M::kTop), area.bottom);
    const int printable = l.right - l.left;

    const int n = rows.ColumnCount();
    const int last = rows.RowCount();
    l.columns.assign(static_cast<size_t>(n), TPrintColumn{});
    std::vector<TPrintRule> rules(static_cast<size_t>(n));
    canvas.SetBold(true);
    for (int c = 0; c < n; ++c) {
        const std::string header = rows.Header(c);
        rules[c] = rows.PrintRule(c);
        l.columns[c].width = canvas.TextWidth(header);
        l.columns[c].height = canvas.TextHeight(header);
    }
    // The texts, each distinct one measured once per column.
    canvas.SetBold(false);
    m.cellWidths.assign(static_cast<size_t>(n), std::vector<int>(static_cast<size_t>(last), 0));
    for (int c = 0; c < n; ++c) {
        std::unordered_map<std::string, int> known;
        int widest = 0;
        for (int r = 1; r <= last; ++r) {
            const std::string text = rows.Cell(r, c);
            if (text.empty()) continue;
            auto [it, fresh] = known.try_emplace(text, 0);
            if (fresh) it->second = canvas.TextWidth(text);
            m.cellWidths[c][r - 1] = it->second;
            widest = std::max(widest, it->second);
        }
        if (rules[c].flexible) continue;
        // As wide as its widest text, within the page's rules and the printable width.
        int& width = l.columns[c].width;
        width = std::max(width, widest);
        width = std::min(std::max(width, scale(rules[c].minWidth)), scale(rules[c].maxWidth));
        width = std::min(width, printable);
    }
    // Flexible columns start at their header's width (at least kFlexibleMin) ...
    for (int c = 0; c < n; ++c)
        if (rules[c].flexible)
            l.columns[c].width =
                std::min(std::max(l.columns[c].width, scale(M::kFlexibleMin)), printable);
    // ... then left to right: a column that would pass the right margin starts the next band.
    const int gap = scale(M::kColumnGap);
    int x = l.left;
    int band = 0;
    for (TPrintColumn& column : l.columns) {
        if (x > l.left && x + column.width > l.right) {
            ++band;
            x = l.left;
        }
        column.x = x;
        column.band = band;
        x += column.width + gap;
    }
    l.bands = band + 1;
    // ... and share what their band leaves (less the room kept free, at least the gaps),
    // each up to kFlexibleMax.
    for (int b = 0; b < l.bands; ++b) {
        long long used = 0;
        int count = 0, flexible = 0;
        for (int c = 0; c < n; ++c) {
            if (l.columns[c].band != b) continue;
            used += l.columns[c].width;
            ++count;
            if (rules[c].flexible) ++flexible;
        }
        if (flexible == 0) continue;
        const long long gaps = static_cast<long long>(count - 1) * gap;
        const long long room =
            printable - used - std::max<long long>(scale(M::kFlexibleReserve), gaps);
        const long long extra = std::max<long long>(room, 0) / flexible;
        int at = l.left;
        for (int c = 0; c < n; ++c) {
            TPrintColumn& column = l.columns[c];
            if (column.band != b) continue;
            if (rules[c].flexible)
                column.width = static_cast<int>(std::max<long long>(
                    column.width,
                    std::min<long long>(column.width + extra, scale(M::kFlexibleMax))));
            column.x = at;
            at += column.width + gap;
        }
    }
    l.rowHeight = n > 0 ? l.columns[0].height : 0;
    l.rowStep = l.rowHeight + scale(M::kRowGap);
    // Data row k (from 1) stands at top + k * step and must end above the bottom margin.
    const int room = l.bottom - l.top - l.rowHeight;
    l.rowsPerSheet = std::max(1, l.rowStep > 0 ? room / l.rowStep : 1);
    return m;
}

void DrawRow(const TViewRows& rows, TPrintCanvas& canvas, const TMeasured& m, int band, int row,
             int y) {
    const TPrintLayout& l = m.layout;
    for (size_t c = 0; c < l.columns.size(); ++c) {
        const TPrintColumn& column = l.columns[c];
        if (column.band != band) continue;
        const int index = static_cast<int>(c);
        const std::string text = row == 0 ? rows.Header(index) : rows.Cell(row, index);
        if (text.empty()) continue;
        const int width = row == 0 ? canvas.TextWidth(text) : m.cellWidths[c][row - 1];
        if (width <= column.width) {
            canvas.DrawText(column.x, y, column.width, l.rowHeight, text);
        } else if (const std::string shown = FitText(text, column.width, canvas); !shown.empty()) {
            canvas.DrawText(column.x, y, column.width, l.rowHeight, shown);
        }
    }
}

}  // namespace

TPrintLayout LayOutPrint(const TViewRows& rows, TPrintCanvas& canvas) {
    return Measure(rows, canvas).layout;
}

std::vector<TPrintColumn> PrintColumns(const TViewRows& rows, TPrintCanvas& canvas) {
    return LayOutPrint(rows, canvas).columns;
}

size_t TPrintCanvas::FittingLength(const std::string& text, int width) {
    // Widths grow with the length.
    size_t low = 0, high = text.size();
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (TextWidth(text.substr(0, mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

std::string FitText(const std::string& text, int width, TPrintCanvas& canvas) {
    if (canvas.TextWidth(text) <= width) return text;
    const std::string ellipsis(1, kEllipsis);
    const int room = width - canvas.TextWidth(ellipsis);
    if (room < 0) return {};
    // The longest beginning that fits with the ellipsis after it.
    std::string shown = text.substr(0, canvas.FittingLength(text, room));
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    return shown + ellipsis;
}

int PrintView(const TViewRows& rows, TPrintCanvas& canvas) {
    const int page = static_cast<int>(rows.Page());
    if (page < 0 || page >= kSearchablePages) return 1;
    const TMeasured m = Measure(rows, canvas);
    const TPrintLayout& l = m.layout;
    if (l.columns.empty()) return 1;
    const int last = rows.RowCount();
    int sheets = 0;
    // Sheet after sheet of rows; each one band after band, so that the sheets of the same
    // rows lie side by side.
    for (int first = 1; first <= std::max(last, 1); first += l.rowsPerSheet) {
        const int end = std::min(last, first + l.rowsPerSheet - 1);
        for (int band = 0; band < l.bands; ++band) {
            if (sheets > 0 && !canvas.NewPage()) return 0;
            ++sheets;
            canvas.SetBold(true);
            DrawRow(rows, canvas, m, band, 0, l.top);
            canvas.SetBold(false);
            int y = l.top + l.rowStep;
            for (int r = first; r <= end; ++r, y += l.rowStep) DrawRow(rows, canvas, m, band, r, y);
        }
    }
    return sheets;
}

}  // namespace ravlin
