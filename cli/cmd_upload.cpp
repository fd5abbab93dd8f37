// upload FILE.rvl: logs in, opens the data file as the desktop program would and
// uploads its records to the receiver.

#include "TransferCli.h"

namespace ravlin::cli {
namespace {

int Upload(TContext& ctx) {
    const auto& args = ctx.options.args;
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
        return UsageError("needs exactly one data file");
    PrepareReceiverCommand(ctx);
    TCore& core = *ctx.core;
    bool ok = core.session.Login();
    if (ok) ok = Otevri(core, args[0]);
    if (ok) ok = core.session.Upload();
    core.link.Zavri();
    return ok ? kOk : kFailed;
}

}  // namespace
RAVLIN_CLI_COMMAND("upload", "FILE.rvl      log in and upload a data file to the receiver", Upload);
}  // namespace ravlin::cli
