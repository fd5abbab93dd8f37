// ravlin-cli show FILE.rvl [--csv]: the Memory view of a data file's records, as a
// table for a terminal or as comma-separated values.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"
#include "base/CodePage.h"
#include "catalog/RxFunkce.h"
#include "document/DataFile.h"
#include "views/MemoryView.h"

namespace ravlin::cli {
namespace {

// Characters a terminal shows for UTF-8 text (one column each).
size_t DisplayWidth(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void PrintCsv(const std::vector<std::vector<std::string>>& lines) {
    for (const auto& cells : lines) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) line += ',';
            line += CsvField(cells[i]);
        }
        std::printf("%s\n", line.c_str());
    }
}

void PrintAligned(const std::vector<std::vector<std::string>>& lines) {
    std::vector<size_t> widths;
    for (const auto& cells : lines) {
        if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
        for (size_t i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    }
    for (const auto& cells : lines) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            line += cells[i];
            if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

int RunShow(TContext& ctx) {
    std::string fileName;
    bool csv = false;
    for (const auto& a : ctx.options.args) {
        if (a == "--csv") {
            csv = true;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("unknown option " + a);
        } else if (fileName.empty()) {
            fileName = a;
        } else {
            return UsageError("takes one data file");
        }
    }
    if (fileName.empty()) return UsageError("needs a data file");

    TCore& core = *ctx.core;
    const PopisType& texts = core.texts();
    TDevice device;
    TRecordTable table;
    std::string image;
    const TDataFileEnv env{core.folders.dataDir, texts, core.ui};
    if (!Otevri(fileName, env, false, device, table, image)) return kFailed;
    if (!core.rxFnc.LoadFunctionTable(device.Name)) return kFailed;
    const TMemoryViewContent view =
        BuildMemoryView(table, device, core.rxFnc, texts, core.settings.UserTitles[1]);

    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> header;
    for (const auto& h : view.headers) header.push_back(AnsiToUtf8(h));
    lines.push_back(std::move(header));
    for (const auto& row : view.rows) {
        std::vector<std::string> cells;
        for (const auto& c : row.cells) cells.push_back(AnsiToUtf8(c));
        lines.push_back(std::move(cells));
    }
    if (csv)
        PrintCsv(lines);
    else
        PrintAligned(lines);
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

}  // namespace

RAVLIN_CLI_COMMAND("show", "FILE.rvl [--csv]   print the Memory view of a data file", RunShow);

}  // namespace ravlin::cli
