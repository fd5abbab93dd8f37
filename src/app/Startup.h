#pragma once
// Start-up and shut-down of the desktop program without its windows: the command-line
// data file, the language with its fallback, the catalogue files that must exist, the
// settings, the start-up file and options, the exit questions and the settings saved at
// exit. The main window calls Create() when it is made, FirstShow() when it is first
// shown, Activate() on every activation, CloseQuery() and Close() when it closes; the
// work of other windows and subsystems comes in through hooks.

#include <functional>
#include <string>
#include <vector>

namespace ravlin {

struct TCore;
class TDocument;

struct TStartupHooks {
    // First showing, in this order. Unset hooks are skipped.
    std::function<void()> loadColumnLayout;
    std::function<void()> startStatus;  // the status updater, running
    std::function<void()> loadLogs;     // battery log and history
    std::function<void()> initMonitor;
    std::function<void()> enableCommCommands;
    std::function<void()> showWelcome;  // not modal
    // Reads a monitor file (the configured start-up one); false when refused.
    std::function<bool(const std::string&)> openMonitorFile;
    std::function<void()> wakeStatus;

    // Start-up options of the first activation. Unset `download` runs the session's
    // Download in the calling thread; unset `online` / `monitor` do nothing.
    std::function<void()> download;
    std::function<void()> online;
    std::function<void()> monitor;

    // Close: the monitor's own question (84 + " - " + 231) and save; false keeps the
    // program open. Unset: nothing to ask.
    std::function<bool()> monitorCloseQuery;
    std::function<void()> saveMemoryViewWidths;
    std::function<void()> saveFileViewWidths;
    std::function<void()> terminateStatus;
};

class TStartup {
  public:
    TStartup(TCore& core, TDocument& document);

    TStartupHooks hooks;

    // Main window creation: `args` are the command-line arguments after the program's own
    // options; the first one is the data file to open when it names an existing file.
    // Creates the Backup folder ("Cannot create " + folder when that fails; start-up goes
    // on).
    void Create(const std::vector<std::string>& args);
    // First showing. False when the program must close: no language could be loaded, or
    // Rx.def, the function table file or Tx.def is missing (language text 80 + " - " +
    // name). Nothing is saved at exit then.
    bool FirstShow();
    // Every activation; the first one runs the start-up options Download, On-line and
    // Monitor (none of them when started with a file).
    void Activate();
    // True when the program may close. Asks for the document, then always for the
    // monitor set-up.
    bool CloseQuery();
    // The program closes: settings and column widths saved, receiver logged out. Only
    // after a complete start.
    void Close();

    bool StartedWithFile() const { return startedWithFile_; }
    bool StartComplete() const { return startComplete_; }
    const std::string& CommandLineFile() const { return commandLineFile_; }

  private:
    bool CheckFile(const std::string& path, const std::string& name);
    static void Run(const std::function<void()>& f) {
        if (f) f();
    }

    TCore& core_;
    TDocument& document_;
    bool startedWithFile_ = false;
    bool startComplete_ = false;
    bool firstActivation_ = true;
    std::string commandLineFile_;
};

// True when `path` names an existing file that is not a folder.
bool FileExists(const std::string& path);

}  // namespace ravlin
