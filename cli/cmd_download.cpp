// download -o FILE.rvl: logs in, downloads the receiver memory and writes it to a data
// file (and the backup, unless --no-backup).

#include "TransferCli.h"
#include "document/DataFile.h"

namespace ravlin::cli {
namespace {

int Download(TContext& ctx) {
    std::string output;
    const auto& args = ctx.options.args;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size()) {
            output = args[++i];
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (output.empty()) return UsageError("needs -o FILE.rvl");
    TCliCore cli;
    if (!MakeCore(ctx, cli)) return kFailed;
    TCore& core = *cli.core;
    const bool ok = core.session.Download();
    core.link.Zavri();
    if (!ok) return kFailed;
    if (!SaveDataFile(core, output)) return kFailed;
    return kOk;
}

}  // namespace
RAVLIN_CLI_COMMAND("download", "-o FILE.rvl   log in, download the receiver into a data file",
                   Download);
}  // namespace ravlin::cli
