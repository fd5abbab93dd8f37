// Find, spreadsheet export and printing over a File view of 9 999 records.
// Targets: export under 200 ms, printing to PDF under 1 s, Find next under 10 ms.
// Usage: bench_views_bench [repetitions]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "base/AtomicFile.h"
#include "base/UserInterface.h"
#include "catalog/Catalog.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "views/Export.h"
#include "views/Find.h"
#include "views/ViewPages.h"
#ifdef RAVLIN_HAVE_PRINT
#include "views/print/QtPrint.h"
#endif

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

const char* kHex = "0123456789ABCDEF";

std::string RandomHex(std::mt19937& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += kHex[rng() % 16];
    return s;
}

// Median of `reps` runs of `f`, in milliseconds.
double Median(int reps, const std::function<void()>& f) {
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        const auto t0 = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string dataDir = std::string(RAVLIN_BIN_DIR) + "/data";
    TTextTable texts(300, "Header");
    SetText(texts, Text::FindAll, "All");
    TSilentUi ui;
    TDevice device;
    if (!FindReceiverType(dataDir, "KV8R", false, device, texts, ui)) {
        std::fprintf(stderr, "KV8R not found in %s/Rx.def\n", dataDir.c_str());
        return 1;
    }
    device.Name = "KV8R";
    TFunctionTable functionTable(dataDir, texts, ui);
    if (!functionTable.LoadFunctionTable("KV8R")) {
        std::fprintf(stderr, "no function table\n");
        return 1;
    }
    const int count = 9999;
    std::mt19937 rng(7);
    const char* outputs[] = {"01", "02", "03", "04", "05", "08"};
    TRecordTable table(count);
    for (int i = 0; i < count; ++i) {
        TData& r = table[i];
        r.Position = i + 1;
        r.Empty = false;
        r.Serial = RandomHex(rng, 5);
        r.Button = std::string(1, kHex[rng() % 16]);
        r.Output = outputs[rng() % 6];
        r.Channels = RandomHex(rng, 2);
        r.Time = RandomHex(rng, 4);
        r.Extra = "00";
        r.UserID = static_cast<int>(rng() % 5000);
        r.User1 = "Holder " + std::to_string(i + 1);
        r.User2 = "Flat " + std::to_string(rng() % 200);
        r.CodePrefix = "B2";
        r.TxType = "Hand";
    }
    table.back().User4 = "needle";  // only the last row holds it

    const TUserTitles titles = {"No.", "User 1", "User 2", "User 3", "User 4"};
    TFileView view;
    view.layout = BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single)),
                                    LayoutColumnCount(TLayoutFamily::Single, 0, 5));
    view.sort = {5, true};
    view.Refresh(table, texts, titles, MakeCellTexts(functionTable, device));
    const TFileViewRows rows(view, table, texts, titles);
    std::printf("File view of %d records, %d columns (%d reps, median):\n", rows.RowCount(),
                rows.ColumnCount(), reps);

    char folder[] = "/tmp/ravlin-bench-XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string sheet = std::string(folder) + "/list.xls";
    // The first export of a run (cold caches), then its parts, then the median of more.
    if (std::getenv("RAVLIN_BENCH_WARM")) {
        size_t n = 0;
        const double warmMs = Median(1, [&] {
            for (int r = 0; r <= rows.RowCount(); ++r)
                for (int c = 0; c < rows.ColumnCount(); ++c) n += rows.Cell(r, c).size();
        });
        std::printf("  first pass over the cells %.2f ms (%zu)\n", warmMs, n);
    }
    const double firstMs = Median(1, [&] {
        if (!ExportView(rows, sheet, TSylkEncoding::Utf8, ui, texts)) std::exit(1);
    });
    std::printf("  export to SYLK, first %6.2f ms  (target < 200 ms)\n", firstMs);
    // The export's parts: reading the cells, making the records, writing the file.
    size_t checksum = 0;
    const double cellsMs = Median(reps, [&] {
        for (int r = 0; r <= rows.RowCount(); ++r)
            for (int c = 0; c < rows.ColumnCount(); ++c) checksum += rows.Cell(r, c).size();
    });
    std::string content;
    const double recordsMs = Median(reps, [&] {
        TFreeExcelS w(sheet);
        WriteViewCells(rows, w);
        content = w.Content();
    });
    const double writeMs = Median(reps, [&] {
        if (WriteFileAtomically(sheet, content) != 0) std::exit(1);
    });
    std::printf(
        "    cell texts %.2f ms, records %.2f ms, replacing the file (flushed) %.2f ms (%zu)\n",
        cellsMs, recordsMs, writeMs, checksum);

    size_t bytes = 0;
    const double exportMs = Median(reps, [&] {
        if (!ExportView(rows, sheet, TSylkEncoding::Utf8, ui, texts)) std::exit(1);
    });
    {
        TFreeExcelS w(sheet);
        WriteViewCells(rows, w);
        bytes = w.Content().size();
    }
    std::printf("  export to SYLK      %8.2f ms  (%zu bytes; target < 200 ms)\n", exportMs, bytes);
    // Find next from the top to the one match in the last row: every row is searched.
    TFindState find;
    TFindState single;
    find.Confirm("needle", 0);
    single.Confirm("needle", 7);  // User 4
    int row = 0;
    const double allMs = Median(reps, [&] {
        find.ResetPositions();
        row = find.SearchNext(rows, ui, texts);
    });
    std::printf("  find next, all      %8.2f ms  (row %d; target < 10 ms)\n", allMs, row);
    const double oneMs = Median(reps, [&] {
        single.ResetPositions();
        row = single.SearchNext(rows, ui, texts);
    });
    std::printf("  find next, User 4   %8.2f ms  (row %d; target < 10 ms)\n", oneMs, row);

#ifdef RAVLIN_HAVE_PRINT
    TPaintingApplication app;
    const std::string pdf = std::string(folder) + "/list.pdf";
    int sheets = 0;
    std::string error;
    const double printMs = Median(std::min(reps, 3), [&] {
        sheets = PrintViewToPdf(rows, pdf, {}, error);
        if (!sheets) std::exit(1);
    });
    std::printf("  print to PDF        %8.2f ms  (%d sheets, A4 600 dpi; target < 1000 ms)\n",
                printMs, sheets);
    std::remove(pdf.c_str());
#else
    std::printf("  print to PDF        (built without Qt GUI)\n");
#endif
    std::remove(sheet.c_str());
    ::rmdir(folder);
    return 0;
}
