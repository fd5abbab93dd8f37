// File view refresh over 9 999 records: headers, rows sorted by one column, and the text
// of every shown cell (what the table model displays). The desktop program's whole refresh
// must stay below 50 ms; this is the core's share.
// Usage: bench_fileview_bench [repetitions]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "base/UserInterface.h"
#include "catalog/Catalog.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "views/FileView.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

const char* kHex = "0123456789ABCDEF";

std::string RandomHex(std::mt19937& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += kHex[rng() % 16];
    return s;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::string dataDir = std::string(RAVLIN_BIN_DIR) + "/data";
    TTextTable texts(300, "Header");
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
    std::mt19937 rng(1);
    const char* outputs[] = {"01", "02", "03", "04", "05", "08"};
    const char* names[] = {"Gate", "Door", "Garage", "gate", "Barrier", ""};
    TRecordTable table(count);
    for (int i = 0; i < count; ++i) {
        TData& r = table[i];
        r.Position = i + 1;
        r.Empty = rng() % 10 == 0;
        r.Serial = RandomHex(rng, 5);
        r.Button = std::string(1, kHex[rng() % 16]);
        r.Output = outputs[rng() % 6];
        r.Channels = RandomHex(rng, 2);
        r.Time = RandomHex(rng, 4);
        r.Extra = "00";
        r.UserID = static_cast<int>(rng() % 50);
        r.User1 = names[rng() % 6];
        r.User2 = "Flat " + std::to_string(rng() % 200);
        r.CodePrefix = "B2";
        r.TxType = "Hand";
    }

    TCellTexts cells = MakeCellTexts(functionTable, device);
    TUserTitles titles = {"No.", "User 1", "User 2", "User 3", "User 4"};
    TFileView view;
    view.layout = BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single)),
                                    LayoutColumnCount(TLayoutFamily::Single, 0, 5));

    struct TCase {
        const char* name;
        int column;  // grid column of the default single layout
        bool ascending;
    };
    const TCase cases[] = {{"position", 5, true},    {"code desc", 6, false},
                           {"user 1 text", 1, true}, {"function text", 9, true},
                           {"time desc", 11, false}, {"RS-232", 12, true}};
    std::printf("File view refresh, %d records (%d reps, median):\n", count, reps);
    double worst = 0;
    for (const TCase& c : cases) {
        std::vector<double> sortMs, totalMs;
        size_t checksum = 0;
        for (int rep = 0; rep < reps; ++rep) {
            view.sort = {c.column, c.ascending};
            auto t0 = Clock::now();
            view.Refresh(table, texts, titles, cells);
            auto t1 = Clock::now();
            for (int row = 0; row < view.RowCount(); ++row) {
                for (int col = 0; col < view.layout.Count(); ++col)
                    checksum += view.Cell(table, row, col, cells).size();
                checksum += view.IsRedRow(table, row);
            }
            auto t2 = Clock::now();
            sortMs.push_back(Ms(t1 - t0));
            totalMs.push_back(Ms(t2 - t0));
        }
        std::sort(sortMs.begin(), sortMs.end());
        std::sort(totalMs.begin(), totalMs.end());
        double total = totalMs[totalMs.size() / 2];
        worst = std::max(worst, total);
        std::printf("  %-14s rows+sort %7.2f ms   with all %d cells %7.2f ms   (%zu)\n", c.name,
                    sortMs[sortMs.size() / 2], view.RowCount() * view.layout.Count(), total,
                    checksum);
    }
    std::printf("worst median: %.2f ms (target < 50 ms for the whole refresh)\n", worst);
    return 0;
}
