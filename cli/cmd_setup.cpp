// ravlin-cli setup: the application set-up without its window (the same values, checks
// and effects); connection: the communication set-up; ports: the port list; folders:
// where the program finds its files.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Cli.h"
#include "app/AppSetup.h"
#include "base/AtomicFile.h"
#include "base/CodePage.h"
#include "catalog/Language.h"
#include "link/CommSetup.h"
#include "link/PortList.h"

namespace ravlin::cli {
namespace {

bool ParseInt(const std::string& text, long low, long high, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseBool(const std::string& text, bool& out) {
    if (text == "1" || text == "on" || text == "yes") return out = true, true;
    if (text == "0" || text == "off" || text == "no") return out = false, true;
    return false;
}

const char* SoundName(TSoundOutput s) {
    return s == TSoundOutput::SoundCard ? "card" : s == TSoundOutput::Speaker ? "speaker" : "off";
}

void PrintSetup(const TAppSetupValues& v) {
    const char* sortDir = v.sort.ascending ? "up" : "down";
    std::printf("language: %s\n", v.language.c_str());
    std::printf("backup: %d\n", v.backup);
    std::printf("sound: %s\n", SoundName(v.sound));
    for (int i = 0; i < 5; ++i)
        std::printf("title%d: %s\nvisible%d: %d\n", i, AnsiToUtf8(v.titles[i]).c_str(), i,
                    v.visible[i]);
    std::printf("sort-column: %d\nsort: %s\n", v.sort.column, sortDir);
    std::printf("welcome: %d\ndownload: %d\nopen-data: %d\ndata-path: %s\n", v.welcome, v.download,
                v.openDataFile, v.openDataPath.c_str());
    std::printf(
        "beep: %d\nfind-last: %d\nhistory-length: %d\nhistory-level: %d\n"
        "battery-level: %d\n",
        v.beep, v.findLast, v.historyLength, v.historyLevel, v.batteryLevel);
}

// The cannot-write message of the settings file, and the exit status that goes with it.
int CannotWriteSettings(TContext& ctx) {
    const TIniFile& ini = ctx.core->ini;
    ctx.ui.Error(TMessage::Lang(ctx.texts(), Text::CannotOpen,
                                " - " + ini.FileName() + ini.LastErrorText()));
    return kFailed;
}

int RunSetup(TContext& ctx) {
    TCore& core = *ctx.core;
    const TAppSetupValues before = ReadAppSetup(core.AppSetupContext());
    TAppSetupValues after = before;
    const auto& args = ctx.options.args;
    if (args.empty()) {
        PrintSetup(before);
        return kOk;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--clear-history") {
            after.clearHistory = true;
            continue;
        }
        if (i + 1 >= args.size()) return UsageError(a + " needs a value");
        const std::string& v = args[++i];
        bool ok = true;
        if (a == "--language") {
            after.language = v;
        } else if (a == "--backup") {
            ok = ParseBool(v, after.backup);
        } else if (a == "--welcome") {
            ok = ParseBool(v, after.welcome);
        } else if (a == "--download") {
            ok = ParseBool(v, after.download);
        } else if (a == "--open-data") {
            after.openDataFile = v != "-";
            if (after.openDataFile) after.openDataPath = v;
        } else if (a == "--beep") {
            ok = ParseBool(v, after.beep);
        } else if (a == "--find-last") {
            ok = ParseBool(v, after.findLast);
        } else if (a == "--sound") {
            ok = v == "card" || v == "speaker" || v == "off";
            after.sound = v == "card"      ? TSoundOutput::SoundCard
                          : v == "speaker" ? TSoundOutput::Speaker
                                           : TSoundOutput::Off;
        } else if (a == "--history-length") {
            ok = ParseInt(v, 1, 99999, after.historyLength);
        } else if (a == "--history-level") {
            ok = ParseInt(v, 0, 4, after.historyLevel);
        } else if (a == "--battery-level") {
            ok = ParseInt(v, 0, 4, after.batteryLevel);
        } else if (a == "--sort-column") {
            ok = ParseInt(v, 0, 59, after.sort.column);
        } else if (a == "--sort") {
            ok = v == "up" || v == "down";
            after.sort.ascending = v == "up";
        } else if (a.rfind("--title", 0) == 0 || a.rfind("--visible", 0) == 0) {
            // --title0 .. --title4 (user number, User 1..4), --visible0 .. --visible4
            const bool title = a[2] == 't';
            int index = -1;
            ok = ParseInt(a.substr(title ? 7 : 9), 0, 4, index);
            if (ok && title) ok = Utf8ToAnsi(v, after.titles[index]);
            if (ok && !title) ok = ParseBool(v, after.visible[index]);
        } else {
            return UsageError("unknown option " + a);
        }
        if (!ok) return UsageError("bad value for " + a + ": " + v);
    }
    // Every value is checked before anything is written: a language that cannot be loaded
    // refuses the whole command.
    if (!after.language.empty() && after.language != before.language) {
        TLanguage trial(core.folders.dataDir, ctx.ui);
        if (!trial.LoadLanguage(after.language)) return kFailed;  // with its message
    }
    // The settings file's connection, never the one the global options gave this run.
    TAppSetupContext setup = core.AppSetupContext();
    TAppSetupContext fileSetup{setup.settings,      setup.ini,     setup.language,
                               setup.functionTable, setup.history, core.settings.Connection,
                               setup.state};
    const TAppSetupResult r = ApplyAppSetup(fileSetup, before, after);
    if (r.settingsFailed) return CannotWriteSettings(ctx);
    return r.languageFailed ? kFailed : kOk;
}

int RunConnection(TContext& ctx) {
    TCore& core = *ctx.core;
    // The settings file's connection, not the one the global options gave this run.
    TConnectionSettings settings = core.settings.Connection;
    const auto& args = ctx.options.args;
    if (args.empty()) {
        std::printf("%s\n", settings.ConnectionText().c_str());
        return kOk;
    }
    TCommSetupEntry entry;
    entry.connectionType = settings.ConnectionType;
    entry.portText = "COM " + std::to_string(settings.ComNumber);
    entry.speedText = std::to_string(settings.ComSpeed);
    entry.address = settings.IPAddress;
    entry.ipPort = settings.IPPort;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return UsageError(a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--type" && (v == "com" || v == "tcp"))
            entry.connectionType = v == "tcp" ? TConnectionSettings::Tcp : TConnectionSettings::Com;
        else if (a == "--port")
            entry.portText = "COM " + v;
        else if (a == "--speed")
            entry.speedText = v;
        else if (a == "--address")
            entry.address = v;
        else if (a == "--ip-port")
            entry.ipPort = v;
        else
            return UsageError("unknown option " + a + " " + v);
    }
    const TCommCheck check = CheckCommSetup(entry, settings);
    if (!check.Ok()) {
        ctx.ui.Error(TMessage::Lang(ctx.texts(), check.textId));
        return kFailed;
    }
    core.settings.Connection = settings;
    core.ini.WriteInteger(TSettings::kSetup, "ConnectionType", settings.ConnectionType);
    core.ini.WriteString(TSettings::kSetup, "IPAddress", settings.IPAddress);
    core.ini.WriteString(TSettings::kSetup, "IPPort", settings.IPPort);
    core.ini.WriteInteger(TSettings::kSetup, "ComNumber", settings.ComNumber);
    core.ini.WriteInteger(TSettings::kSetup, "ComSpeed", settings.ComSpeed);
    core.ini.WriteBool(TSettings::kSetup, "DumpRead", settings.DumpRead);
    if (!core.ini.UpdateFile()) return CannotWriteSettings(ctx);
    std::printf("%s\n", settings.ConnectionText().c_str());
    return kOk;
}

int RunPorts(TContext& ctx) {
    if (!ctx.options.args.empty()) return UsageError("takes no arguments");
    for (const TSerialPortInfo& p : ListSerialPorts()) {
        std::string held;
        if (p.held) {
            held = "\tin use";
            if (!p.holderName.empty()) held += " by " + p.holderName;
            if (p.holderPid > 0) held += " (" + std::to_string(p.holderPid) + ")";
        }
        std::printf("COM %d\t%s\t%s%s\n", p.number, p.path.c_str(), p.description.c_str(),
                    held.c_str());
    }
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

int RunFolders(TContext& ctx) {
    if (!ctx.options.args.empty()) return UsageError("takes no arguments");
    const TFolders& f = ctx.core->folders;
    std::printf("data: %s\nhome: %s\nsettings: %s\n", f.dataDir.c_str(), f.homeDir.c_str(),
                f.settingsFile.c_str());
    return kOk;
}

}  // namespace

RAVLIN_CLI_COMMAND("setup",
                   "[--language XY] [--backup 0|1] [--welcome 0|1] [--download 0|1]\n"
                   "           [--open-data FILE|-] [--sound card|speaker|off] [--beep 0|1]\n"
                   "           [--find-last 0|1] [--history-length N] [--clear-history]\n"
                   "           [--history-level 0-4] [--battery-level 0-4] [--sort-column N]\n"
                   "           [--sort up|down] [--titleI TEXT] [--visibleI 0|1] (I: 0-4)\n"
                   "           print or change the application settings",
                   RunSetup, {"--language", "XY", "language of the program"},
                   {"--backup", "0|1", "a backup file of every download"},
                   {"--welcome", "0|1", "the welcome window at start"},
                   {"--download", "0|1", "download at start"},
                   {"--open-data", "FILE|-", "the data file opened at start (-: none)"},
                   {"--sound", "card|speaker|off", "where sounds go"},
                   {"--beep", "0|1", "a beep at every reception"},
                   {"--find-last", "0|1", "select the record of a reception"},
                   {"--history-length", "N", "most entries of the history, 1-99999"},
                   {"--clear-history", nullptr, "empty the history"},
                   {"--history-level", "0-4", "what the history logs"},
                   {"--battery-level", "0-4", "what the battery log logs"},
                   {"--sort-column", "N", "the File view's sort column"},
                   {"--sort", "up|down", "the File view's sort direction"},
                   {"--title0", "TEXT", "title of the user number column"},
                   {"--title1", "TEXT", "title of User 1"}, {"--title2", "TEXT", "title of User 2"},
                   {"--title3", "TEXT", "title of User 3"}, {"--title4", "TEXT", "title of User 4"},
                   {"--visible0", "0|1", "the user number column shown"},
                   {"--visible1", "0|1", "User 1 shown"}, {"--visible2", "0|1", "User 2 shown"},
                   {"--visible3", "0|1", "User 3 shown"}, {"--visible4", "0|1", "User 4 shown"});
RAVLIN_CLI_COMMAND("connection",
                   "[--type com|tcp] [--port N] [--speed B] [--address A] [--ip-port P]\n"
                   "           print or change the settings file's connection",
                   RunConnection, {"--type", "com|tcp", "the connection type"},
                   {"--port", "N", "serial port number"}, {"--speed", "B", "serial speed in bit/s"},
                   {"--address", "A", "address of the serial-device server"},
                   {"--ip-port", "P", "TCP port of the serial-device server"});
RAVLIN_CLI_COMMAND("ports", "list the serial ports: number, device, description, holder", RunPorts);
RAVLIN_CLI_COMMAND("folders", "print the data folder, home folder and settings file", RunFolders);

}  // namespace ravlin::cli
