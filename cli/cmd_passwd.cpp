// passwd: changes the receiver's password. The old one comes where every receiver command
// takes its password from; the new one from --new-password-file FILE or --new TEXT, or
// else it is typed twice on the terminal. An empty new password removes the password.

#include <unistd.h>

#include <cstdio>

#include "TransferCli.h"

namespace ravlin::cli {
namespace {

int Passwd(TContext& ctx) {
    const auto& args = ctx.options.args;
    std::optional<std::string> newPassword;
    std::string newPasswordFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--new" && i + 1 < args.size()) {
            newPassword = args[++i];
        } else if (args[i] == "--new-password-file" && i + 1 < args.size()) {
            newPasswordFile = args[++i];
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (newPassword && !newPasswordFile.empty())
        return UsageError("--new and --new-password-file exclude each other");
    if (!newPassword && newPasswordFile.empty() && !::isatty(0))
        return UsageError(
            "needs --new-password-file FILE or --new TEXT (an empty TEXT removes the "
            "password), or a terminal to type the new password on");
    if (!PrepareReceiverCommand(ctx)) return kFailed;
    if (!ctx.passwords.PrepareNew(newPassword, newPasswordFile)) return kFailed;
    TCore& core = *ctx.core;
    const bool ok = core.receiver.session.ChangePassword();
    core.receiver.link.Close();
    if (ok) return kOk;
    if (ctx.passwords.Unchanged()) {
        CommandMessage("the password is unchanged");
        return kOk;
    }
    return kFailed;
}

}  // namespace
RAVLIN_CLI_COMMAND("passwd",
                   "[--new-password-file FILE | --new TEXT]\n"
                   "           change the receiver password (typed twice on a terminal without\n"
                   "           either; an empty one removes it)",
                   Passwd,
                   {"--new-password-file", "FILE",
                    "the new password: the first line of FILE, a file only you may read"},
                   {"--new", "TEXT", "the new password (empty: none), readable by other users"});
}  // namespace ravlin::cli
