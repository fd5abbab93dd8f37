#pragma once
// ravlin-cli: the command-line tool. Each command lives in its own cli/cmd_*.cpp and
// registers itself with RAVLIN_CLI_COMMAND; main.cpp parses the global options, builds
// the program's core (TCore) with the shared bootstrap (language, settings, port
// overrides), applies the connection options and dispatches.

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Passwords.h"
#include "app/Core.h"
#include "base/UserInterface.h"
#include "link/ConnectionSettings.h"

namespace ravlin::cli {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;  // a reported failure
constexpr int kUsage = 2;   // a usage error

struct TOptions {
    bool haveConnection = false;  // --tcp, --com or --device given
    TConnectionSettings connection;
    bool stream = false;  // --stream
    std::string dataDir, home, lang;
    std::optional<std::string> password;  // --password (Passwords.h: where passwords come from)
    std::string passwordFile;             // --password-file
    bool noBackup = false;                // --no-backup
    bool noVerify = false;                // --no-verify: no second read, no read-back
    std::vector<std::string> args;        // the command's own arguments, after the command name
};

// Messages go to stderr as their language texts; questions are answered from stdin
// when it is a terminal (an empty line takes the default button, a line that answers
// nothing asks again), otherwise with No.
class TStderrUi : public TUserInterface {
  public:
    void Error(const TMessage& m) override;
    void Warning(const TMessage& m) override;
    void Information(const TMessage& m) override;
    TAnswer Ask(const TMessage& m, TButtons buttons, TAnswer defaultButton) override;
    TAnswer Ask(const TMessage& m, TButtons buttons) override {
        return Ask(m, buttons, TAnswer::Yes);
    }
    void Progress(int position, int maximum) override;
    void ProgressPhase(const TMessage& text) override;
    bool CancelRequested() override;
    bool showProgress = false;  // stderr is a terminal, or --progress
};

// The user already chose the operation on the command line: the upload question is
// answered Yes; an interrupt during an upload ends it unless a terminal user says No.
class TCommandUi : public TUserInterface {
  public:
    explicit TCommandUi(TUserInterface& inner) : inner_(inner) {}
    void Error(const TMessage& m) override { inner_.Error(m); }
    void Warning(const TMessage& m) override { inner_.Warning(m); }
    void Information(const TMessage& m) override { inner_.Information(m); }
    TAnswer Ask(const TMessage& m, TButtons buttons, TAnswer defaultButton) override;
    TAnswer Ask(const TMessage& m, TButtons buttons) override {
        return Ask(m, buttons, TAnswer::Yes);
    }
    void Progress(int position, int maximum) override { inner_.Progress(position, maximum); }
    void ProgressPhase(const TMessage& text) override { inner_.ProgressPhase(text); }
    bool CancelRequested() override { return inner_.CancelRequested(); }

  private:
    TUserInterface& inner_;
};

struct TContext {
    TOptions options;
    TStderrUi stderrUi;
    TCommandUi ui{stderrUi};
    TCliPasswords passwords;
    // Language and settings loaded; the link holds the connection to use (the command
    // line's, or else the settings file's).
    std::unique_ptr<TCore> core;

    const TTextTable& texts() const { return core->texts(); }
};

using TCommandFn = int (*)(TContext&);

// An option of the tool or of one command: what --help lists, what the manual page must
// name, and all the tool lets through (anything else starting with "-" is a usage error).
struct TCommandOption {
    const char* name;             // "--count"
    const char* value;            // "N"; nullptr for a switch
    const char* help;             // one line for --help
    const char* alias = nullptr;  // "-o" for "--output"
};

struct TCommand {
    const char* name;
    const char* usage;  // one line: arguments and what the command does
    TCommandFn run;
    std::vector<TCommandOption> options;  // every option of the command (--help is every command's)
};

std::vector<TCommand>& Commands();

struct TRegistrar {
    TRegistrar(const char* name, const char* usage, TCommandFn fn,
               std::vector<TCommandOption> options) {
        Commands().push_back({name, usage, fn, std::move(options)});
    }
};

// RAVLIN_CLI_COMMAND(name, usage, fn, {"--count", "N", "stop after N receptions"}, ...)
#define RAVLIN_CLI_COMMAND(name, usage, fn, ...) \
    static ::ravlin::cli::TRegistrar ravlin_cli_registrar_##fn(name, usage, fn, {__VA_ARGS__})

// Prints a usage error for the current command to stderr; returns kUsage.
int UsageError(const std::string& text);
// Prints "ravlin-cli COMMAND: text" to stderr.
void CommandMessage(const std::string& text);

// Ctrl+C. The first interrupt sets this flag: the link's waits end within 100 ms, the
// running command ends, the link is closed and the tool exits with kInterrupted; messages
// that the interrupt itself causes are not shown. A second interrupt ends the tool at once.
constexpr int kInterrupted = 130;
const std::atomic<bool>& InterruptFlag();
bool Interrupted();
// The user chose to go on after all (an upload's "cancel?" answered No).
void ClearInterrupt();

}  // namespace ravlin::cli
