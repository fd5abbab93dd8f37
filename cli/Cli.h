#pragma once
// ravlin-cli: the command-line tool. Each command lives in its own cli/cmd_*.cpp and
// registers itself with RAVLIN_CLI_COMMAND; main.cpp parses the global options,
// resolves the folders, loads the language and dispatches.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Folders.h"
#include "base/UserInterface.h"
#include "catalog/Language.h"
#include "link/ConnectionSettings.h"

namespace ravlin::cli {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;  // a reported failure
constexpr int kUsage = 2;   // a usage error

struct TOptions {
    bool haveConnection = false;   // --tcp, --com or --device given
    TConnectionSettings connection;
    bool stream = false;           // --stream
    std::string dataDir, home, lang;
    std::string password;          // --password
    bool noBackup = false;         // --no-backup
    std::vector<std::string> args; // the command's own arguments, after the command name
};

// Messages go to stderr as their language texts; questions are answered from stdin
// when it is a terminal, otherwise with No.
class TStderrUi : public TUserInterface {
public:
    void Error(const TMessage& m) override;
    void Warning(const TMessage& m) override;
    void Information(const TMessage& m) override;
    TAnswer Ask(const TMessage& m, TButtons buttons) override;
    void Progress(int position, int maximum) override;
    bool CancelRequested() override;
    bool showProgress = false;  // set when stderr is a terminal
};

struct TContext {
    TOptions options;
    TFolders folders;
    TStderrUi ui;
    std::unique_ptr<TLanguage> language;
    // The connection to use: the command line's, or else the settings file's.
    TConnectionSettings connection;

    const PopisType& texts() const { return language->Texts(); }
};

using TCommandFn = int (*)(TContext&);

struct TCommand {
    const char* name;
    const char* usage;  // one line: arguments and what the command does
    TCommandFn run;
};

std::vector<TCommand>& Commands();

struct TRegistrar {
    TRegistrar(const char* name, const char* usage, TCommandFn fn) {
        Commands().push_back({name, usage, fn});
    }
};

#define RAVLIN_CLI_COMMAND(name, usage, fn) \
    static ::ravlin::cli::TRegistrar ravlin_cli_registrar_##fn(name, usage, fn)

// Prints a usage error for the current command to stderr; returns kUsage.
int UsageError(const std::string& text);

}  // namespace ravlin::cli
