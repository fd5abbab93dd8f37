// ravlin-cli info: identifies the connected receiver and prints its description.

#include <cstdio>

#include "Cli.h"
#include "link/Link.h"

namespace ravlin::cli {
namespace {

int RunInfo(TContext& ctx) {
    if (!ctx.options.args.empty()) return UsageError("takes no arguments");
    TRx& rx = ctx.core->receiver.rx;
    const bool ok = rx.Init();
    ctx.core->receiver.link.Close();
    if (!ok) return kFailed;
    const TDevice& d = rx.Device;
    std::printf("type: %s\n", d.Name.c_str());
    std::printf("description: %s\n", d.Description.c_str());
    std::printf("records: %d\n", d.RecordCount);
    std::printf("start: %04X\n", static_cast<unsigned>(d.StartAddress));
    std::printf("end: %04X\n", static_cast<unsigned>(d.EndAddress));
    std::printf("online: %04X\n", static_cast<unsigned>(d.OnlineAddress));
    std::printf("name-address: %04X\n", static_cast<unsigned>(d.NameAddress));
    std::printf("password-address: %04X\n", static_cast<unsigned>(d.PasswordAddress));
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

}  // namespace

RAVLIN_CLI_COMMAND("info", "identify the receiver: type, description, record count, addresses",
                   RunInfo);

}  // namespace ravlin::cli
