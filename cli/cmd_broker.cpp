// The consoles without a receiver, on the site's broker:
//
//   alarms --mqtt URL --site S [--receiver R] [--follow]
//       the site's active alarms, one "activate N TEXT" line each; with --follow also
//       every change as it comes ("activate N TEXT", "deactivate N TEXT") until Ctrl+C
//   deactivate N --mqtt URL --site S --receiver R [--operator NAME] [--wait SECONDS]
//       asks the monitor of R to deactivate its message N, as its Deactivate button would,
//       and waits until the broker shows the message inactive ("deactivate N TEXT")
//
// Exit status 1 when the broker cannot be reached (within --wait seconds), refuses the
// login, or the monitor does not take the command.

#include <chrono>
#include <cstdio>
#include <thread>

#include "BrokerCli.h"
#include "base/CodePage.h"
#include "base/Decimal.h"
#include "bridge/RemoteAlarms.h"

namespace ravlin::cli {

int FollowBrokerAlarms(TContext& ctx, const std::vector<std::string>& args);

namespace {

using Clock = std::chrono::steady_clock;

// How long the broker's retained states take to arrive after the subscriptions (on a
// network, not on loopback).
constexpr auto kSettle = std::chrono::milliseconds(500);
constexpr auto kSlice = std::chrono::milliseconds(50);

bool ParseSeconds(const std::string& text, int& out) {
    int32_t n = 0;
    if (!ParseDecimal(text, n) || n < 1 || n > 3600) return false;
    out = n;
    return true;
}

void PrintAlarm(const TAlarmState& s) {
    std::printf("%s %d %s\n", s.active ? "activate" : "deactivate", s.number, s.text.c_str());
    std::fflush(stdout);
}

// Waits until the console follows the site: false (reported) when the broker refuses the
// login or stays away for `seconds`, or on Ctrl+C.
bool WaitFollowing(TContext& ctx, TRemoteAlarms& remote, int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!remote.Following()) {
        const TBrokerStatus s = remote.Status();
        if (s.state == TBrokerState::Refused) return false;  // said on stderr
        if (ctx.ui.CancelRequested()) return false;
        if (Clock::now() >= end) {
            CommandMessage("no connection to the broker within " + std::to_string(seconds) +
                           " s: " + s.text);
            return false;
        }
        std::this_thread::sleep_for(kSlice);
    }
    std::this_thread::sleep_for(kSettle);
    return true;
}

int Deactivate(TContext& ctx) {
    const auto& args = ctx.options.args;
    TBrokerOptions b;
    std::optional<std::string> operatorName;
    int number = 0;
    int wait = 10;
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = ParseBrokerOption(args, i, b);
        if (taken == kUsage) return kUsage;
        if (taken == 1) continue;
        if (args[i] == "--operator" && i + 1 < args.size()) {
            operatorName = args[++i];
        } else if (args[i] == "--wait" && i + 1 < args.size()) {
            if (!ParseSeconds(args[++i], wait)) return UsageError("--wait takes 1 to 3600 seconds");
        } else if (number == 0 && !args[i].empty() && args[i][0] != '-') {
            int32_t n = 0;
            if (!ParseDecimal(args[i], n) || n < 1 || n > 999999)
                return UsageError("the message number must be 1 to 999999: " + args[i]);
            number = n;
        } else {
            return UsageError("unexpected argument " + args[i]);
        }
    }
    if (number == 0) return UsageError("the number of the message to deactivate is needed");
    if (b.url.empty()) return UsageError("--mqtt URL is needed");
    TCore& core = *ctx.core;
    TBrokerConfig config = BrokerConfigOf(core, b);
    const std::string name = operatorName.value_or(AnsiToUtf8(core.settings.Operator));
    if (name.empty()) return UsageError("--operator NAME is needed (no operator in the settings)");

    TRemoteAlarms remote(config, BrokerLog());
    std::string why;
    if (!remote.Start(why)) {
        CommandMessage(why);
        return kFailed;
    }
    if (!WaitFollowing(ctx, remote, wait)) return ctx.ui.CancelRequested() ? kInterrupted : kFailed;
    TAlarmState state;
    if (!remote.Known(config.receiver, number, state)) {
        CommandMessage("the broker holds no state of message " + std::to_string(number) + " of " +
                       config.receiver + " (is its monitor publishing to this site?)");
        return kFailed;
    }
    if (!state.active) {
        CommandMessage("message " + std::to_string(number) + " of " + config.receiver +
                       " is not active");
        return kFailed;
    }
    if (!remote.Deactivate(config.receiver, number, name, why) || !remote.WaitSent(wait * 1000)) {
        CommandMessage(why.empty() ? "the broker did not confirm the command" : why);
        return kFailed;
    }
    const auto end = Clock::now() + std::chrono::seconds(wait);
    while (Clock::now() < end && !ctx.ui.CancelRequested()) {
        if (remote.Known(config.receiver, number, state) && !state.active) {
            PrintAlarm(state);
            return kOk;
        }
        std::this_thread::sleep_for(kSlice);
    }
    if (ctx.ui.CancelRequested()) return kInterrupted;
    CommandMessage("message " + std::to_string(number) + " is still active after " +
                   std::to_string(wait) + " s: the monitor of " + config.receiver +
                   " did not take the command");
    return kFailed;
}

}  // namespace

int FollowBrokerAlarms(TContext& ctx, const std::vector<std::string>& args) {
    TBrokerOptions b;
    bool follow = false;
    int wait = 10;
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = ParseBrokerOption(args, i, b);
        if (taken == kUsage) return kUsage;
        if (taken == 1) continue;
        if (args[i] == "--follow") {
            follow = true;
        } else if (args[i] == "--wait" && i + 1 < args.size()) {
            if (!ParseSeconds(args[++i], wait)) return UsageError("--wait takes 1 to 3600 seconds");
        } else {
            return UsageError("unexpected argument " + args[i] + " (with --mqtt)");
        }
    }
    if (b.url.empty()) return UsageError("--mqtt URL is needed");
    TBrokerConfig config = BrokerConfigOf(*ctx.core, b);
    // Every receiver of the site unless one is named.
    if (!b.receiver) config.receiver.clear();
    TRemoteAlarms remote(config, BrokerLog());
    std::string why;
    if (!remote.Start(why)) {
        CommandMessage(why);
        return kFailed;
    }
    if (!WaitFollowing(ctx, remote, wait)) return ctx.ui.CancelRequested() ? kInterrupted : kFailed;
    remote.TakeChanges();  // what was already active is listed once, below
    for (const TRemoteAlarm& a : remote.Active()) PrintAlarm(a.state);
    if (!follow) return kOk;
    TBrokerState last = TBrokerState::Connected;
    while (!ctx.ui.CancelRequested()) {
        for (const TRemoteChange& c : remote.TakeChanges()) {
            if (c.kind == TRemoteChange::Kind::Alarm)
                PrintAlarm(c.alarm);
            else if (c.kind == TRemoteChange::Kind::Status)
                CommandMessage("receiver " + c.receiver + " is " + c.text);
            else
                CommandMessage("receiver " + c.receiver + ": link " + c.text);
        }
        const TBrokerState now = remote.Status().state;
        if (now == TBrokerState::Refused && last != now) return kFailed;
        last = now;
        std::this_thread::sleep_for(kSlice);
    }
    return kOk;
}

RAVLIN_CLI_COMMAND("deactivate",
                   "N --mqtt URL --site S --receiver R [--operator NAME] [--wait SECONDS]   "
                   "deactivate message N of a monitor on the broker",
                   Deactivate, {"--operator", "NAME", "who deactivates (default: the settings')"},
                   {"--wait", "SECONDS", "how long to wait for the broker and the monitor (10)"},
                   RAVLIN_CLI_BROKER_OPTIONS);

}  // namespace ravlin::cli
