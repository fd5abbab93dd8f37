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

namespace {

// The tool's own options. `afterCommand`: may also follow the command name.
struct TGlobalOption {
    TCommandOption option;
    bool afterCommand = false;
};

const std::vector<TGlobalOption>& GlobalOptions() {
    static const std::vector<TGlobalOption> options = {
        {{"--tcp", "HOST:PORT", "connect to a serial-device server"}},
        {{"--com", "N", "serial port number N"}},
        {{"--device", "PATH", "serial device path (for example a pseudo-terminal)"}},
        {{"--baud", "B", "serial speed (default 9600)"}},
        {{"--stream", nullptr, "stream download, exchanges without handshake"}, true},
        {{"--password-file", "FILE",
          "receiver password: the first line of FILE, a file only you may read (chmod 600); "
          "else RAVLIN_PASSWORD, else asked for on a terminal"},
         true},
        {{"--password", "TEXT", "receiver password, readable by other users (a warning)"}, true},
        {{"--no-backup", nullptr, "do not write a backup file on download"}, true},
        {{"--no-verify", nullptr, "no second read of a download, no read-back of an upload"}, true},
        {{"--progress", nullptr, "progress and its phases on stderr also without a terminal"},
         true},
        {{"--data-dir", "DIR", "folder of the delivered files"}},
        {{"--home", "DIR", "folder of settings, backups and logs"}},
        {{"--lang", "XY", "language of the messages"}},
        {{"--help", nullptr, "print this text, or with a command its options, and exit", "-h"}},
        {{"--version", nullptr, "print the version and exit"}},
    };
    return options;
}

bool Names(const TCommandOption& o, const std::string& a) {
    return a == o.name || (o.alias && a == o.alias);
}

const TCommandOption* FindOption(const std::vector<TCommandOption>& options, const std::string& a) {
    for (const TCommandOption& o : options)
        if (Names(o, a)) return &o;
    return nullptr;
}

const TGlobalOption* FindGlobal(const std::string& a) {
    for (const TGlobalOption& g : GlobalOptions())
        if (Names(g.option, a)) return &g;
    return nullptr;
}

void PrintOptions(FILE* out, const std::vector<TCommandOption>& options) {
    for (const TCommandOption& o : options) {
        std::string names = o.alias ? std::string(o.alias) + ", " + o.name : o.name;
        if (o.value) names += std::string(" ") + o.value;
        std::fprintf(out, "  %-22s %s\n", names.c_str(), o.help);
    }
}

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: ravlin-cli [options] COMMAND [arguments]\noptions:\n");
    std::vector<TCommandOption> options;
    for (const TGlobalOption& g : GlobalOptions()) options.push_back(g.option);
    PrintOptions(out, options);
    std::fprintf(out, "commands (COMMAND --help lists a command's options):\n");
    for (const auto& c : Commands()) std::fprintf(out, "  %-8s %s\n", c.name, c.usage);
}

void PrintCommandUsage(const TCommand& c) {
    std::printf("usage: ravlin-cli [options] %s %s\n", c.name, c.usage);
    if (c.options.empty()) return;
    std::printf("options:\n");
    PrintOptions(stdout, c.options);
}

// A word that is an option rather than a value: "-" alone and negative numbers are values.
bool LooksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9');
}

// The command's arguments against its option table: an option it does not have, or one
// without its value, is a usage error before anything runs. Sets `help` for --help.
int CheckArguments(const TCommand& c, const std::vector<std::string>& args, bool& help) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return kOk;
        }
        if (!LooksLikeOption(a)) continue;
        const TCommandOption* o = FindOption(c.options, a);
        if (!o) return UsageError("unknown option " + a + " (ravlin-cli " + c.name + " --help)");
        if (o->value && ++i >= args.size()) return UsageError(a + " needs " + o->value);
    }
    return kOk;
}

}  // namespace

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
        const std::string a = argv[i];
        const TGlobalOption* global = FindGlobal(a);
        if (!commandName.empty() && !(global && global->afterCommand)) {
            // Everything else after the command is the command's.
            o.args.push_back(a);
            continue;
        }
        if (!global) {
            if (LooksLikeOption(a)) {
                std::fprintf(stderr, "ravlin-cli: unknown option %s\n", a.c_str());
                PrintUsage(stderr);
                return kUsage;
            }
            commandName = a;
            continue;
        }
        const std::string name = global->option.name;
        std::string v;
        if (global->option.value) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ravlin-cli: %s needs %s\n", a.c_str(), global->option.value);
                return kUsage;
            }
            v = argv[++i];
        }
        if (name == "--help") {
            PrintUsage(stdout);
            return kOk;
        } else if (name == "--version") {
            std::printf("ravlin-cli %s\n", RAVLIN_VERSION);
            return kOk;
        } else if (name == "--tcp") {
            auto colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == v.size()) {
                std::fprintf(stderr, "ravlin-cli: --tcp needs HOST:PORT\n");
                return kUsage;
            }
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Tcp;
            o.connection.IPAddress = v.substr(0, colon);
            o.connection.IPPort = v.substr(colon + 1);
        } else if (name == "--com") {
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (*end || n < 1 || n > 256) {
                std::fprintf(stderr, "ravlin-cli: --com needs a port number\n");
                return kUsage;
            }
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Com;
            o.connection.ComNumber = static_cast<int>(n);
        } else if (name == "--device") {
            o.haveConnection = true;
            o.connection.ConnectionType = TConnectionSettings::Com;
            o.connection.Device = v;
        } else if (name == "--baud") {
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (*end || n <= 0) {
                std::fprintf(stderr, "ravlin-cli: --baud needs a speed in bit/s\n");
                return kUsage;
            }
            baud = static_cast<int>(n);
        } else if (name == "--stream") {
            o.stream = true;
        } else if (name == "--data-dir") {
            o.dataDir = v;
        } else if (name == "--home") {
            o.home = v;
        } else if (name == "--lang") {
            o.lang = v;
        } else if (name == "--password") {
            o.password = v;
        } else if (name == "--password-file") {
            o.passwordFile = v;
        } else if (name == "--no-backup") {
            o.noBackup = true;
        } else if (name == "--no-verify") {
            o.noVerify = true;
        } else if (name == "--progress") {
            ctx.stderrUi.showProgress = true;
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
    bool help = false;
    if (const int rc = CheckArguments(*command, o.args, help); rc != kOk) return rc;
    if (help) {
        PrintCommandUsage(*command);
        return kOk;
    }

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
