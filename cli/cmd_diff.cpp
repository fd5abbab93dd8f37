// diff FILE.rvl: logs in, opens the data file and prints on stdout what an upload of it
// would change in the receiver (records removed or overwritten, added, changed, moved).
// Nothing is written to the receiver or the file.

#include <cstdio>

#include "TransferCli.h"
#include "base/CodePage.h"
#include "receiver/UploadCheck.h"

namespace ravlin::cli {
namespace {

int Diff(TContext& ctx) {
    const auto& args = ctx.options.args;
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
        return UsageError("needs exactly one data file");
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    TCore& core = *ctx.core;
    std::optional<TUploadComparison> comparison;
    if (core.receiver.session.Login() && OpenData(core, args[0]))
        comparison = core.receiver.session.Compare();
    core.receiver.link.Close();
    if (!comparison) return kFailed;
    for (const std::string& line : ComparisonLines(*comparison))
        std::printf("%s\n", AnsiToUtf8(line).c_str());
    return kOk;
}

}  // namespace
RAVLIN_CLI_COMMAND("diff", "FILE.rvl      what an upload of the data file would change", Diff);
}  // namespace ravlin::cli
