// Opening, decoding and describing a data file of 9 999 records (target: below 100 ms).

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "catalog/FunctionTable.h"
#include "document/DataFile.h"
#include "records/Codec.h"
#include "views/MemoryView.h"

using namespace ravlin;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string RandomHex(std::mt19937& rng, size_t n) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s(n, '0');
    for (auto& c : s) c = kHex[rng() % 16];
    return s;
}

}  // namespace

int main() {
    const std::string dataDir = RAVLIN_SOURCE_DATA_DIR;
    const TTextTable texts(400, "text");
    TSilentUi ui;
    const TDataFileEnv env{dataDir, texts, ui};
    constexpr int kRecords = 9999;
    const std::string type = "KV1M";  // the longest single-slot records with RS-232 texts

    std::string dir = (std::filesystem::temp_directory_path() / "ravlin-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string file = dir + "/bench.rvl";

    // The file: every record used, with user information.
    TDevice device;
    TRecordTable table;
    std::string image;
    {
        std::string seedFile = dir + "/seed.rvl";
        std::FILE* f = std::fopen(seedFile.c_str(), "wb");
        std::fprintf(f, "%s\r\n0\r\n\r\n", type.c_str());
        std::fclose(f);
        if (!OpenData(seedFile, env, false, device, table, image)) {
            std::fprintf(stderr, "cannot make a %s table\n", type.c_str());
            return 1;
        }
        device.RecordCount = kRecords;
        std::mt19937 rng(1);
        std::string all;
        for (int i = 0; i < kRecords; ++i) {
            std::string raw = "06" + RandomHex(rng, 12) + "000" +
                              "07"
                              "03"
                              "02F0"
                              "0"
                              "8" +
                              "505752204F4E0D";
            raw.resize(device.EmptyTemplate.size(), '0');
            all += raw;
        }
        if (!DecodeImage(all, device, table)) return 1;
        for (auto& r : table) {
            r.UserID = r.Position;
            r.User1 = "User " + std::to_string(r.Position);
            r.User2 = "Building B, gate 2";
            r.CodePrefix = "24";
            r.TxType = "TX4 Classic";
        }
        std::string saved;
        const auto t0 = Clock::now();
        if (!SaveData(file, device, table, saved, texts, ui)) return 1;
        std::printf("save %d records: %.1f ms\n", kRecords, Ms(Clock::now() - t0));
    }

    TFunctionTable functionTable(dataDir, texts, ui);
    functionTable.SetFileName("RxFncUS.def");
    std::vector<double> runs;
    size_t rows = 0;
    for (int run = 0; run < 5; ++run) {
        TDevice d;
        TRecordTable t;
        std::string img;
        const auto t0 = Clock::now();
        if (!OpenData(file, env, false, d, t, img)) return 1;
        const auto t1 = Clock::now();
        if (!functionTable.LoadFunctionTable(d.Name)) return 1;
        const TMemoryViewContent view = BuildMemoryView(t, d, functionTable, texts, "User 1");
        const auto t2 = Clock::now();
        rows = view.rows.size();
        runs.push_back(Ms(t2 - t0));
        std::printf("run %d: open+decode %.1f ms, describe %.1f ms, total %.1f ms\n", run + 1,
                    Ms(t1 - t0), Ms(t2 - t1), Ms(t2 - t0));
    }
    std::sort(runs.begin(), runs.end());
    std::printf(
        "open, decode and describe %d records (%zu rows): median %.1f ms (target < 100 ms)\n",
        kRecords, rows, runs[runs.size() / 2]);
    std::filesystem::remove_all(dir);
    return runs[runs.size() / 2] < 100.0 ? 0 : 1;
}
