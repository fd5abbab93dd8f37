#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Cli.h"
#include "app/Bootstrap.h"
#include "base/CodePage.h"

namespace ravlin::cli {

std::vector<TCommand>& Commands() {
    static std::vector<TCommand> commands;
    return commands;
}

static const char* g_command = "";

int UsageError(const std::string& text) {
    std::fprintf(stderr, "ravlin-cli %s: %s\n", g_command, text.c_str());
    return kUsage;
}

// Texts are code page bytes; the terminal reads UTF-8.
void TStderrUi::Error(const TMessage& m) {
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}
void TStderrUi::Warning(const TMessage& m) {
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}
void TStderrUi::Information(const TMessage& m) {
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}

TAnswer TStderrUi::Ask(const TMessage& m, TButtons buttons) {
    const bool cancel = buttons == TButtons::YesNoCancel;
    std::fprintf(stderr, "%s [%s] ", AnsiToUtf8(m.text).c_str(), cancel ? "y/n/c" : "y/n");
    if (!::isatty(0)) {
        std::fprintf(stderr, "n\n");
        return TAnswer::No;
    }
    std::string line;
    if (!std::getline(std::cin, line)) return cancel ? TAnswer::Cancel : TAnswer::No;
    if (!line.empty() && (line[0] == 'y' || line[0] == 'Y')) return TAnswer::Yes;
    if (cancel && !line.empty() && (line[0] == 'c' || line[0] == 'C')) return TAnswer::Cancel;
    return TAnswer::No;
}

void TStderrUi::Progress(int position, int maximum) {
    if (!showProgress || maximum <= 0) return;
    std::fprintf(stderr, "\r%3d%%", static_cast<int>(100LL * position / maximum));
    if (position >= maximum) std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

TAnswer TCommandUi::Ask(const TMessage& m, TButtons buttons) {
    if (m.textId == 95) return TAnswer::Yes;
    if (m.textId == 98 && !::isatty(0)) return TAnswer::Yes;
    return inner_.Ask(m, buttons);
}

static volatile std::sig_atomic_t g_interrupted = 0;
bool TStderrUi::CancelRequested() {
    return g_interrupted != 0;
}

}  // namespace ravlin::cli

using namespace ravlin;
using namespace ravlin::cli;

static void PrintUsage(FILE* out) {
    std::fprintf(out,
                 "usage: ravlin-cli [options] COMMAND [arguments]\n"
                 "options:\n"
                 "  --tcp HOST:PORT    connect to a serial-device server\n"
                 "  --com N            serial port number N\n"
                 "  --device PATH      serial device path (for example a pseudo-terminal)\n"
                 "  --baud B           serial speed (default 9600)\n"
                 "  --stream           stream download, exchanges without handshake\n"
                 "  --password TEXT    receiver password\n"
                 "  --no-backup        do not write a backup file on download\n"
                 "  --data-dir DIR     folder of the delivered files\n"
                 "  --home DIR         folder of settings, backups and logs\n"
                 "  --lang XY          language of the messages\n"
                 "  --version          print the version and exit\n"
                 "commands:\n");
    for (const auto& c : Commands()) std::fprintf(out, "  %-8s %s\n", c.name, c.usage);
}

int main(int argc, char** argv) {
    std::signal(SIGINT, [](int) { g_interrupted = 1; });
    std::signal(SIGPIPE, SIG_IGN);
    TContext ctx;
    TOptions& o = ctx.options;
    int baud = 9600;
    std::string commandName;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (!commandName.empty()) {
            // Global options may also follow the command; everything else is the command's.
            if (a == "--password" && value(v)) {
                o.password = v;
                continue;
            }
            if (a == "--no-backup") {
                o.noBackup = true;
                continue;
            }
            if (a == "--stream") {
                o.stream = true;
                continue;
            }
            o.args.push_back(a);
            continue;
        }
        if (a == "--help" || a == "-h") {
            PrintUsage(stdout);
            return kOk;
        } else if (a == "--version") {
            std::printf("ravlin-cli %s\n", RAVLIN_VERSION);
            return kOk;
        } else if (a == "--tcp" && value(v)) {
            auto colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == v.size()) {
                std::fprintf(stderr, "ravlin-cli: --tcp needs HOST:PORT\n");
                return kUsage;
            }
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Tcp;
            o.connection.IPAddress = v.substr(0, colon);
            o.connection.IPPort = v.substr(colon + 1);
        } else if (a == "--com" && value(v)) {
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (*end || n < 1 || n > 256) {
                std::fprintf(stderr, "ravlin-cli: --com needs a port number\n");
                return kUsage;
            }
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Com;
            o.connection.ComNumber = static_cast<int>(n);
        } else if (a == "--device" && value(v)) {
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Com;
            o.connection.Device = v;
        } else if (a == "--baud" && value(v)) {
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (*end || n <= 0) {
                std::fprintf(stderr, "ravlin-cli: --baud needs a speed in bit/s\n");
                return kUsage;
            }
            baud = static_cast<int>(n);
        } else if (a == "--stream") {
            o.stream = true;
        } else if (a == "--data-dir" && value(v)) {
            o.dataDir = v;
        } else if (a == "--home" && value(v)) {
            o.home = v;
        } else if (a == "--lang" && value(v)) {
            o.lang = v;
        } else if (a == "--password" && value(v)) {
            o.password = v;
        } else if (a == "--no-backup") {
            o.noBackup = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "ravlin-cli: unknown or incomplete option %s\n", a.c_str());
            PrintUsage(stderr);
            return kUsage;
        } else {
            commandName = a;
        }
    }
    if (commandName.empty()) {
        PrintUsage(stderr);
        return kUsage;
    }
    const TCommand* command = nullptr;
    for (const auto& c : Commands())
        if (commandName == c.name) command = &c;
    if (!command) {
        std::fprintf(stderr, "ravlin-cli: unknown command %s\n", commandName.c_str());
        PrintUsage(stderr);
        return kUsage;
    }
    g_command = command->name;

    ctx.stderrUi.showProgress = ::isatty(2);
    ctx.core = std::make_unique<TCore>(TFolders::Resolve(o.dataDir, o.home), ctx.ui);
    TCore& core = *ctx.core;
    if (!Bootstrap(core, o.lang)) return kFailed;

    // The command line's connection replaces the settings file's.
    TConnectionSettings& connection = core.link.Settings;
    if (o.haveConnection) {
        connection = o.connection;
        connection.ComSpeed = baud;
    } else if (baud != 9600) {
        connection.ComSpeed = baud;
    }
    if (o.stream) connection.DumpRead = true;
    core.link.NastavIni();
    return command->run(ctx);
}
