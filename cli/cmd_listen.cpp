// listen [--count N]: on-line listening. One line per reception on stdout:
//   <serial> <button> <low|ok> <memory position + 1, or ->
// Stops after N receptions or on Ctrl+C, closing the link.

#include <cstdio>
#include <cstdlib>

#include "TransferCli.h"

namespace ravlin::cli {
namespace {

// One line from the 32 digits of the last-reception block.
std::string ReceptionLine(const std::string& block) {
    std::string serial = block.substr(1, 7);
    std::string button = block.substr(0, 1);
    if (serial == "0000000") serial = button = "-";
    const std::string batt = block.substr(16, 2) == "01" ? "low" : "ok";
    const std::string pos = block.substr(18, 4);
    std::string position = "-";
    int value = 0;
    if (pos != "FFFF" && TRx::HexToInt(pos, value)) position = std::to_string(value + 1);
    return serial + " " + button + " " + batt + " " + position;
}

int Listen(TContext& ctx) {
    const auto& args = ctx.options.args;
    long count = 0;  // 0: until interrupted
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count" && i + 1 < args.size()) {
            char* end = nullptr;
            count = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || count <= 0) return UsageError("--count needs a positive number");
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    PrepareReceiverCommand(ctx);
    TCore& core = *ctx.core;
    if (!core.session.Login()) return kFailed;
    TKomunikace& link = core.link;
    if ((!link.IsOpen() && !link.Otevri()) || !core.rx.OverHeslo()) {
        link.Zavri();
        return kFailed;
    }
    long received = 0;
    int status = kOk;
    while (count == 0 || received < count) {
        if (!core.kom.Start(TKom::TJob::Online)) {
            status = kFailed;
            break;
        }
        bool interrupted = false;
        while (!core.kom.WaitIdleFor(100)) {
            if (ctx.ui.CancelRequested()) {
                core.kom.StopOnline();
                interrupted = true;
                break;
            }
        }
        if (interrupted || ctx.ui.CancelRequested()) break;
        if (!link.IsOpen()) {  // the connection was lost; the link has reported it
            status = kFailed;
            break;
        }
        std::string block;
        if (!core.rx.ReadBlock('7', core.rx.Device.OnlineAddress, 16, block) ||
            block.size() != 32) {
            core.ui.Error(TMessage::Lang(core.texts(), 125));
            status = kFailed;
            break;
        }
        std::printf("%s\n", ReceptionLine(block).c_str());
        std::fflush(stdout);
        ++received;
    }
    core.kom.StopOnline();
    link.Zavri();
    return status;
}

}  // namespace
RAVLIN_CLI_COMMAND("listen", "[--count N]   print one line per transmitter reception", Listen);
}  // namespace ravlin::cli
