// passwd --new TEXT: changes the receiver's password (--password gives the old one);
// an empty TEXT removes it.

#include <cstdio>

#include "TransferCli.h"

namespace ravlin::cli {
namespace {

int Passwd(TContext& ctx) {
    const auto& args = ctx.options.args;
    bool haveNew = false;
    std::string newPassword;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--new" && i + 1 < args.size()) {
            newPassword = args[++i];
            haveNew = true;
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (!haveNew) return UsageError("needs --new TEXT (an empty TEXT removes the password)");
    PrepareReceiverCommand(ctx);
    TCore& core = *ctx.core;
    ctx.passwords.newPassword = newPassword;
    const bool ok = core.receiver.session.ChangePassword();
    core.receiver.link.Close();
    if (ok) return kOk;
    if (ctx.passwords.unchanged) {
        std::fprintf(stderr, "ravlin-cli passwd: the password is unchanged\n");
        return kOk;
    }
    return kFailed;
}

}  // namespace
RAVLIN_CLI_COMMAND("passwd", "--new TEXT    change the receiver password (empty TEXT removes it)",
                   Passwd, {"--new", "TEXT", "the new password (empty: none)"});
}  // namespace ravlin::cli
