// The logs of on-line mode on the command line:
//   history [--csv] [--sort COLUMN] [--desc]   the history page (History.dat)
//   battery [--csv]                            the battery page (LowBatt.dat)
//   stale FILE.rvl --days N [--csv]            records not heard for N days, or never

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Cli.h"
#include "LogCli.h"
#include "TablePrint.h"
#include "base/CodePage.h"
#include "document/DataFile.h"
#include "online/Battery.h"
#include "online/History.h"
#include "online/LastHeard.h"

namespace ravlin::cli {
namespace {

struct TSortName {
    const char* name;
    THistoryField field;
};
constexpr TSortName kSortNames[] = {
    {"serial", THistoryField::Serial},     {"button", THistoryField::Button},
    {"time", THistoryField::Time},         {"battery", THistoryField::Battery},
    {"userid", THistoryField::UserNumber}, {"user1", THistoryField::User1},
    {"user2", THistoryField::User2},       {"user3", THistoryField::User3},
    {"user4", THistoryField::User4},
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

int Finish(const TTableLines& lines, bool csv) {
    PrintTable(lines, csv);
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

int RunHistory(TContext& ctx) {
    bool csv = false, desc = false, sortGiven = false;
    THistoryField field = THistoryField::Time;
    const auto& args = ctx.options.args;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv") {
            csv = true;
        } else if (args[i] == "--desc") {
            desc = true;
        } else if (args[i] == "--sort" && i + 1 < args.size()) {
            const std::string name = Lower(args[++i]);
            bool known = false;
            for (const auto& s : kSortNames)
                if (name == s.name) {
                    field = s.field;
                    known = true;
                }
            if (!known)
                return UsageError(
                    "--sort takes serial, button, time, battery, userid, user1, "
                    "user2, user3 or user4");
            sortGiven = true;
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    // As the page opens: by time, newest first; a chosen column ascending unless --desc.
    const bool ascending = sortGiven && !desc;

    const TTextTable& texts = ctx.texts();
    TIniFile ini(ctx.core->folders.settingsFile);
    THistory history(ctx.core->folders.HomeFile(THistory::kFileName), texts, ctx.ui);
    history.Load();
    history.Sort(field, ascending);

    const auto columns = HistoryColumns(UserFieldsOfEither(ini));
    const TUserFieldTitles titles = UserFieldTitles(ini, texts);
    TTableLines lines;
    auto& header = lines.emplace_back();
    for (auto c : columns) header.push_back(AnsiToUtf8(HistoryTitle(c, texts, titles)));
    for (const auto& rec : history.Items()) {
        auto& cells = lines.emplace_back();
        for (auto c : columns) cells.push_back(AnsiToUtf8(HistoryCell(rec, c, texts)));
    }
    return Finish(lines, csv);
}

int RunBattery(TContext& ctx) {
    bool csv = false;
    for (const auto& a : ctx.options.args) {
        if (a == "--csv")
            csv = true;
        else
            return UsageError("unexpected argument " + a);
    }
    const TTextTable& texts = ctx.texts();
    TIniFile ini(ctx.core->folders.settingsFile);
    TBatteryLog batteryLog(ctx.core->folders.HomeFile(TBatteryLog::kFileName), texts, ctx.ui);
    batteryLog.Load();  // kept in the order of the saved sort column

    const auto columns = BatteryColumns(UserFieldsOfEither(ini));
    const TUserFieldTitles titles = UserFieldTitles(ini, texts);
    TTableLines lines;
    auto& header = lines.emplace_back();
    for (auto c : columns) header.push_back(AnsiToUtf8(BatteryTitle(c, texts, titles)));
    for (const auto& e : batteryLog.Items()) {
        auto& cells = lines.emplace_back();
        for (auto c : columns) cells.push_back(AnsiToUtf8(BatteryCell(e, c, texts)));
    }
    return Finish(lines, csv);
}

int RunStale(TContext& ctx) {
    std::string fileName;
    bool csv = false;
    long days = -1;
    const auto& args = ctx.options.args;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv") {
            csv = true;
        } else if (args[i] == "--days" && i + 1 < args.size()) {
            char* end = nullptr;
            days = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || args[i].empty() || days < 0 || days > 3650000)
                return UsageError("--days needs a number of days");
        } else if (!args[i].empty() && args[i][0] == '-') {
            return UsageError("unexpected argument " + args[i]);
        } else if (fileName.empty()) {
            fileName = args[i];
        } else {
            return UsageError("takes one data file");
        }
    }
    if (fileName.empty()) return UsageError("needs a data file");
    if (days < 0) return UsageError("needs --days N");

    const TTextTable& texts = ctx.texts();
    TDevice device;
    TRecordTable table;
    std::string image;
    const TDataFileEnv env{ctx.core->folders.dataDir, texts, ctx.ui};
    if (!OpenData(fileName, env, false, device, table, image)) return kFailed;

    TLastHeard heard(ctx.core->folders.HomeFile(TLastHeard::kFileName), texts, ctx.ui);
    heard.Load();
    const std::vector<int> stale = StaleRecords(table, heard, NowLocal(), static_cast<int>(days));

    TIniFile ini(ctx.core->folders.settingsFile);
    const TUserFieldTitles titles = UserFieldTitles(ini, texts);
    const int kinds[] = {kind::Position, kind::Code,      kind::Button,    kind::UserID,
                         kind::User1,    kind::User1 + 1, kind::User1 + 2, kind::User4};
    const TCellTexts none;
    TTableLines lines;
    auto& header = lines.emplace_back();
    for (int k : kinds) header.push_back(AnsiToUtf8(HeaderText(k, texts, titles)));
    header.push_back(kLastHeardTitle);
    for (int i : stale) {
        const TData& r = table[static_cast<size_t>(i)];
        auto& cells = lines.emplace_back();
        for (int k : kinds) cells.push_back(AnsiToUtf8(CellText(k, r, none)));
        const auto t = heard.LastHeardOf(r);
        cells.push_back(t ? FormatLogTime(*t) : "never");
    }
    return Finish(lines, csv);
}

}  // namespace

RAVLIN_CLI_COMMAND("history", "[--csv] [--sort COLUMN] [--desc]   print the reception history",
                   RunHistory, {"--csv", nullptr, "comma-separated values"},
                   {"--sort", "COLUMN",
                    "sort by serial, button, time, battery, userid, user1 ... user4"},
                   {"--desc", nullptr, "sort descending"});
RAVLIN_CLI_COMMAND("battery", "[--csv]   print the battery log", RunBattery,
                   {"--csv", nullptr, "comma-separated values"});
RAVLIN_CLI_COMMAND("stale", "FILE.rvl --days N [--csv]   records not heard for N days or never",
                   RunStale, {"--days", "N", "not heard for N days"},
                   {"--csv", nullptr, "comma-separated values"});

}  // namespace ravlin::cli
