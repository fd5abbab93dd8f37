// ravlin-cli show FILE.rvl [--view memory|file] [--csv]: a view of a data file's records,
// as a table for a terminal or as comma-separated values. The Memory view (the default)
// shows the records as the receiver holds them; the File view adds the user number and
// texts, in the File view's column order and sort order of the settings file.

#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"
#include "TablePrint.h"
#include "ViewSource.h"
#include "base/CodePage.h"

namespace ravlin::cli {
namespace {

int RunShow(TContext& ctx) {
    std::vector<std::string> args = ctx.options.args;
    TViewChoice choice;
    choice.page = TViewPage::Memory;
    if (int rc = ParseViewChoice(args, {}, choice); rc != kOk) return rc;
    if (choice.page != TViewPage::Memory && choice.page != TViewPage::File)
        return UsageError("shows the Memory or File view of a data file (see history, battery)");
    bool csv = false;
    for (const auto& a : args) {
        if (a == "--csv")
            csv = true;
        else
            return UsageError("unknown option " + a);
    }
    TViewSource source;
    if (!source.Load(ctx, choice)) return kFailed;
    const TViewRows& rows = source.Rows();
    TTableLines lines;
    auto& header = lines.emplace_back();
    for (int c = 0; c < rows.ColumnCount(); ++c) header.push_back(AnsiToUtf8(rows.Header(c)));
    // Only rows with a record: the views' one empty row of an empty table is not printed.
    for (int r = 1; r <= source.FilledRows(); ++r) {
        auto& cells = lines.emplace_back();
        for (int c = 0; c < rows.ColumnCount(); ++c) cells.push_back(AnsiToUtf8(rows.Cell(r, c)));
    }
    PrintTable(lines, csv);
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

}  // namespace

RAVLIN_CLI_COMMAND("show",
                   "FILE.rvl [--view memory|file] [--csv]   print the Memory view (default) or "
                   "the File view with the user information of a data file",
                   RunShow, {"--view", "memory|file", "the view (default: memory)"},
                   {"--csv", nullptr, "comma-separated values"});

}  // namespace ravlin::cli
