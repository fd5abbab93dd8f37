// ravlin-cli alarms [--since DATE] [--open] [--csv]: the alarm log of monitor mode, oldest
// first, with the files the log has numbered before the current one. An activation without
// its end yet (and a lost link not yet back) shows "open" in the State column; --open
// lists those alone. With --mqtt URL it is a console of the site's broker instead
// (cmd_broker.cpp): the alarms active there, and with --follow their changes.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "BrokerCli.h"
#include "Cli.h"
#include "base/AtomicFile.h"
#include "base/CodePage.h"
#include "monitoring/AlarmLog.h"

namespace ravlin::cli {

int FollowBrokerAlarms(TContext& ctx, const std::vector<std::string>& args);

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

size_t DisplayWidth(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

int RunAlarms(TContext& ctx) {
    std::optional<TDateTime> since;
    bool csv = false;
    bool openOnly = false;
    const auto& args = ctx.options.args;
    for (const std::string& a : args)
        if (a == "--mqtt") return FollowBrokerAlarms(ctx, args);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--csv") {
            csv = true;
        } else if (a == "--open") {
            openOnly = true;
        } else if (a == "--since") {
            if (i + 1 >= args.size()) return UsageError("--since needs a date");
            since = ParseDateTime(args[++i]);
            if (!since)
                return UsageError(
                    "--since takes dd.MM.yyyy or yyyy-MM-dd, optionally with hh:mm[:ss]");
        } else {
            return UsageError("unknown argument " + a);
        }
    }

    TAlarmLog log(ctx.core->folders.HomeFile(kAlarmLogName),
                  uint64_t(ctx.core->settings.AlarmLogMegabytes) << 20);
    std::vector<TAlarmEntry> entries;
    size_t skipped = 0;
    if (int err = log.ReadAll(entries, &skipped); err != 0) {
        std::fprintf(stderr, "%s: %s\n", log.Path().c_str(), SystemErrorText(err).c_str());
        return kFailed;
    }
    if (skipped)
        std::fprintf(stderr, "%zu damaged line%s of the alarm log skipped\n", skipped,
                     skipped == 1 ? "" : "s");

    const std::vector<bool> open = OpenEntries(entries);
    std::vector<std::vector<std::string>> lines;
    lines.push_back({"Time", "Action", "Cause", "Message", "Text", "Transmitter", "Button",
                     "Operator", "State"});
    for (size_t i = 0; i < entries.size(); ++i) {
        const TAlarmEntry& e = entries[i];
        if (since && e.Time < *since) continue;
        if (openOnly && !open[i]) continue;
        // A trouble names no message; its number is the outage's length.
        const bool trouble = e.Action == TAlarmAction::Trouble;
        std::string text = AnsiToUtf8(e.Text);
        if (trouble && e.Cause == TAlarmCause::LinkRestored)
            text += " after " + std::to_string(e.Number) + " s";
        lines.push_back({FormatDateTime(e.Time, false), ActionName(e.Action), CauseName(e.Cause),
                         trouble ? "-" : std::to_string(e.Number), text, AnsiToUtf8(e.Serial),
                         AnsiToUtf8(e.Buttons), AnsiToUtf8(e.Operator), open[i] ? "open" : ""});
    }

    if (csv) {
        for (const auto& cells : lines) {
            std::string line;
            for (size_t i = 0; i < cells.size(); ++i) {
                if (i) line += ',';
                line += CsvField(cells[i]);
            }
            std::printf("%s\n", line.c_str());
        }
    } else {
        std::vector<size_t> widths(lines[0].size(), 0);
        for (const auto& cells : lines)
            for (size_t i = 0; i < cells.size(); ++i)
                widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
        for (const auto& cells : lines) {
            std::string line;
            for (size_t i = 0; i < cells.size(); ++i) {
                line += cells[i];
                if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            std::printf("%s\n", line.c_str());
        }
    }
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

}  // namespace

RAVLIN_CLI_COMMAND("alarms",
                   "[--since DATE] [--open] [--csv] | --mqtt URL --site S [--follow]   print "
                   "the alarm log of monitor mode (--open: the alarms not ended yet), or the "
                   "site's alarms on the broker",
                   RunAlarms,
                   {"--since", "DATE",
                    "only entries from DATE (dd.MM.yyyy or yyyy-MM-dd, optionally hh:mm[:ss])"},
                   {"--open", nullptr, "only the alarms and troubles not ended yet"},
                   {"--csv", nullptr, "comma-separated values"},
                   {"--follow", nullptr, "with --mqtt: print the alarms' changes as they come"},
                   {"--wait", "SECONDS", "with --mqtt: how long to wait for the broker (10)"},
                   RAVLIN_CLI_BROKER_OPTIONS);

}  // namespace ravlin::cli
