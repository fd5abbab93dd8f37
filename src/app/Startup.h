#pragma once
// Start-up and shut-down of the desktop program without its windows: the command-line
// data file, the language with its fallback, the catalogue files that must exist, the
// settings, the start-up file and options, the exit questions and the settings saved at
// exit. The main window calls Create() when it is made, FirstShow() when it is first
// shown, Activate() on every activation, CloseQuery() and Close() when it closes; the
// work of the windows and of the other subsystems comes in through the interfaces below.
// Every call, in both directions, runs on the window thread.

#include <string>
#include <vector>

namespace ravlin {

struct TCore;
class TDocument;

// The main window's part.
class TStartupWindow {
  public:
    virtual ~TStartupWindow() = default;
    // First showing, after the settings: window placement, page, column layouts.
    virtual void ApplyWindowSettings() = 0;
    // The status updater: started at the first showing, woken at its end, ended at exit.
    virtual void StartStatus() = 0;
    virtual void WakeStatus() = 0;
    virtual void TerminateStatus() = 0;
    virtual void EnableCommCommands() = 0;
    // The welcome window, not modal.
    virtual void ShowWelcome() = 0;
    // The start-up option Download.
    virtual void Download() = 0;
    // Exit: the column widths of the Memory view (while logged in) and of the File view
    // (with a document) go to the settings file.
    virtual void StoreMemoryViewWidths() = 0;
    virtual void StoreFileViewWidths() = 0;
};

// On-line mode's part: the history and the battery log, the start-up option On-line.
class TStartupOnline {
  public:
    virtual ~TStartupOnline() = default;
    virtual void LoadLogs() = 0;
    virtual void StartOnline() = 0;
    // Exit, before the settings are saved: on-line mode ends and the pages' column widths
    // go to the settings.
    virtual void CloseOnline() = 0;
};

// Monitoring's part: the monitor set-up, its start-up file and option, its exit question.
class TStartupMonitor {
  public:
    virtual ~TStartupMonitor() = default;
    virtual void InitMonitor() = 0;
    // Reads a monitor file (the configured start-up one); false when refused.
    virtual bool OpenMonitorFile(const std::string& fileName) = 0;
    virtual void StartMonitor() = 0;
    // The monitor's own question (Text::SaveChanges + " - " + Monitoring) and save; false keeps the
    // program open.
    virtual bool CloseQuery() = 0;
};

// Until on-line mode and monitoring exist: no logs, no monitor set-up, nothing to ask.
class TNoOnline : public TStartupOnline {
  public:
    void LoadLogs() override {}
    void StartOnline() override {}
    void CloseOnline() override {}
};
class TNoMonitor : public TStartupMonitor {
  public:
    void InitMonitor() override {}
    bool OpenMonitorFile(const std::string&) override { return false; }
    void StartMonitor() override {}
    bool CloseQuery() override { return true; }
};

class TStartup {
  public:
    TStartup(TCore& core, TDocument& document, TStartupWindow& window, TStartupOnline& online,
             TStartupMonitor& monitor);

    // Main window creation: `args` are the command-line arguments after the program's own
    // options; the first one is the file to open when it names an existing file: a
    // monitor file when its name ends in ".mon", a data file otherwise.
    // Creates the Backup folder ("Cannot create " + folder when that fails; start-up goes
    // on).
    void Create(const std::vector<std::string>& args);
    // First showing. False when the program must close: no language could be loaded, or
    // Rx.def, the function table file or Tx.def is missing (Text::CannotOpen + " - " +
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

  private:
    bool CheckFile(const std::string& path, const std::string& name);

    TCore& core_;
    TDocument& document_;
    TStartupWindow& window_;
    TStartupOnline& online_;
    TStartupMonitor& monitor_;
    bool startedWithFile_ = false;
    bool startComplete_ = false;
    bool firstActivation_ = true;
    std::string commandLineFile_;
    bool commandLineMonitor_ = false;  // commandLineFile_ is a monitor file
};

// True when `fileName` ends in ".mon" (any case): a monitor file.
bool IsMonitorFileName(const std::string& fileName);

// True when `path` names an existing file that is not a folder.
bool FileExists(const std::string& path);

}  // namespace ravlin
