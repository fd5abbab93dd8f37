// download -o FILE.rvl: logs in, downloads the receiver memory and writes it to a data
// file (and the backup, unless --no-backup).

#include "TransferCli.h"

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
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    TCore& core = *ctx.core;
    const bool ok = core.receiver.session.Download();
    core.receiver.link.Close();
    if (!ok) return kFailed;
    if (!SaveData(core, output)) return kFailed;
    return kOk;
}

}  // namespace
RAVLIN_CLI_COMMAND("download", "-o FILE.rvl   log in, download the receiver into a data file",
                   Download, {"--output", "FILE.rvl", "the data file to write", "-o"});
}  // namespace ravlin::cli
