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

void CommandMessage(const std::string& text) {
    std::fprintf(stderr, "ravlin-cli %s: %s\n", g_command, text.c_str());
}

int UsageError(const std::string& text) {
    CommandMessage(text);
    return kUsage;
}

namespace {
// Written by the signal handler: lock-free, so async-signal-safe.
std::atomic<bool> g_interrupt{false};
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<int> g_interrupts{0};

void OnInterrupt(int) {
    if (g_interrupts.fetch_add(1) > 0) ::_exit(kInterrupted);
    g_interrupt.store(true);
}
}  // namespace

const std::atomic<bool>& InterruptFlag() {
    return g_interrupt;
}
bool Interrupted() {
    return g_interrupt.load();
}
void ClearInterrupt() {
    g_interrupts.store(0);
    g_interrupt.store(false);
}

// Texts are code page bytes; the terminal reads UTF-8. Failures that an interrupt causes
// are not news to the user who pressed Ctrl+C.
void TStderrUi::Error(const TMessage& m) {
    if (Interrupted()) return;
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}
void TStderrUi::Warning(const TMessage& m) {
    if (Interrupted()) return;
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}
void TStderrUi::Information(const TMessage& m) {
    if (Interrupted()) return;
    std::fprintf(stderr, "%s\n", AnsiToUtf8(m.text).c_str());
}

TAnswer TStderrUi::Ask(const TMessage& m, TButtons buttons, TAnswer defaultButton) {
    const bool cancel = buttons == TButtons::YesNoCancel;
    const std::string prompt =
        AnsiToUtf8(m.text) + " [" + AnswerChoices(buttons, defaultButton) + "] ";
    if (!::isatty(0)) {
        std::fprintf(stderr, "%sn\n", prompt.c_str());
        return TAnswer::No;
    }
    for (;;) {
        std::fprintf(stderr, "%s", prompt.c_str());
        std::string line;
        if (!std::getline(std::cin, line)) return cancel ? TAnswer::Cancel : TAnswer::No;
        if (const auto answer = AnswerOfLine(line, buttons, defaultButton)) return *answer;
    }
}

void TStderrUi::Progress(int position, int maximum) {
    if (!showProgress || maximum <= 0) return;
    std::fprintf(stderr, "\r%3d%%", static_cast<int>(100LL * position / maximum));
    if (position >= maximum) std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

void TStderrUi::ProgressPhase(const TMessage& text) {
    if (!showProgress) return;
    std::fprintf(stderr, "%s\n", AnsiToUtf8(text.text).c_str());
    std::fflush(stderr);
}

TAnswer TCommandUi::Ask(const TMessage& m, TButtons buttons, TAnswer defaultButton) {
    if (m.textId == Text::OverwriteReceiver) return TAnswer::Yes;
    if (m.textId == Text::CancelUpload && !::isatty(0)) return TAnswer::Yes;
    const TAnswer answer = inner_.Ask(m, buttons, defaultButton);
    // "Cancel the upload?" answered No: the upload goes on, the interrupt is withdrawn.
    if (m.textId == Text::CancelUpload && answer == TAnswer::No) ClearInterrupt();
    return answer;
}

bool TStderrUi::CancelRequested() {
    return Interrupted();
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
                 "  --password-file FILE\n"
                 "                     receiver password: the first line of FILE, a file only\n"
                 "                     you may read (chmod 600); else RAVLIN_PASSWORD, else\n"
                 "                     asked for on a terminal\n"
                 "  --password TEXT    receiver password, readable by other users (a warning)\n"
                 "  --no-backup        do not write a backup file on download\n"
                 "  --no-verify        no second read of a download, no read-back of an upload\n"
                 "  --progress         progress and its phases on stderr also without a terminal\n"
                 "  --data-dir DIR     folder of the delivered files\n"
                 "  --home DIR         folder of settings, backups and logs\n"
                 "  --lang XY          language of the messages\n"
                 "  --version          print the version and exit\n"
                 "commands:\n");
    for (const auto& c : Commands()) std::fprintf(out, "  %-8s %s\n", c.name, c.usage);
}

int main(int argc, char** argv) {
    std::signal(SIGINT, OnInterrupt);
    // A supervisor's stop is the user's Ctrl+C: the command ends in order.
    std::signal(SIGTERM, OnInterrupt);
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
            if (a == "--password-file" && value(v)) {
                o.passwordFile = v;
                continue;
            }
            if (a == "--no-backup") {
                o.noBackup = true;
                continue;
            }
            if (a == "--no-verify") {
                o.noVerify = true;
                continue;
            }
            if (a == "--progress") {
                ctx.stderrUi.showProgress = true;
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
        } else if (a == "--password-file" && value(v)) {
            o.passwordFile = v;
        } else if (a == "--no-backup") {
            o.noBackup = true;
        } else if (a == "--no-verify") {
            o.noVerify = true;
        } else if (a == "--progress") {
            ctx.stderrUi.showProgress = true;
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
    if (o.password && !o.passwordFile.empty())
        return UsageError("--password and --password-file exclude each other");

    if (::isatty(2)) ctx.stderrUi.showProgress = true;
    ctx.core = std::make_unique<TCore>(TFolders::Resolve(o.dataDir, o.home), ctx.ui);
    TCore& core = *ctx.core;
    if (!Bootstrap(core, o.lang)) return kFailed;

    // The command line's connection replaces the settings file's.
    TConnectionSettings& connection = core.receiver.link.Settings;
    if (o.haveConnection) {
        connection = o.connection;
        connection.ComSpeed = baud;
    } else if (baud != 9600) {
        connection.ComSpeed = baud;
    }
    if (o.stream) connection.DumpRead = true;
    core.receiver.link.UpdateConnectionText();
    core.receiver.link.SetInterruptFlag(&InterruptFlag());
    const int status = command->run(ctx);
    // Ctrl-C is how listening ends in order; for every other command it is a cancel.
    if (Interrupted() && std::string(command->name) != "listen") {
        core.receiver.transferWorker.StopOnline();
        core.receiver.link.Close();
        std::fprintf(stderr, "ravlin-cli %s: interrupted\n", command->name);
        return kInterrupted;
    }
    return status;
}
