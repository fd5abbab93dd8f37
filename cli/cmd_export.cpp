// ravlin-cli export FILE.rvl [--view memory|file] -o OUT.slk [--encoding utf8|cp1252]:
// the view as the desktop program exports it, a SYLK spreadsheet; --history or --battery
// in place of the data file exports the reception history or the battery log.

#include "Cli.h"
#include "ViewSource.h"
#include "views/Export.h"

namespace ravlin::cli {
namespace {

int RunExport(TContext& ctx) {
    std::vector<std::string> args = ctx.options.args;
    TViewChoice choice;
    if (int rc = ParseViewChoice(args, {"-o", "--output", "--encoding"}, choice); rc != kOk)
        return rc;
    std::string output;
    std::optional<TSylkEncoding> encoding;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == "-o" || a == "--output") && hasValue) {
            output = args[++i];
        } else if (a == "--encoding" && hasValue) {
            encoding = ParseSylkEncoding(args[++i]);
            if (!encoding) return UsageError("--encoding needs utf8 or cp1252");
        } else {
            return UsageError("unknown or incomplete option " + a);
        }
    }
    if (output.empty()) return UsageError("needs -o OUT.slk");
    TViewSource source;
    if (!source.Load(ctx, choice)) return kFailed;
    if (!encoding) {
        TIniFile ini(ctx.core->folders.settingsFile);
        encoding = ReadExportEncoding(ini);
    }
    return ExportView(source.Rows(), output, *encoding, ctx.ui, ctx.texts()) ? kOk : kFailed;
}

}  // namespace

RAVLIN_CLI_COMMAND("export",
                   "FILE.rvl [--view memory|file] | --history | --battery  -o OUT.slk "
                   "[--encoding utf8|cp1252]   write a view as a spreadsheet (SYLK)",
                   RunExport,
                   {"--view", "memory|file", "the view of the data file (default: file)"},
                   {"--history", nullptr, "the reception history instead of a data file"},
                   {"--battery", nullptr, "the battery log instead of a data file"},
                   {"--output", "OUT.slk", "the spreadsheet file to write", "-o"},
                   {"--encoding", "utf8|cp1252", "the texts' encoding (default: the settings')"});

}  // namespace ravlin::cli
