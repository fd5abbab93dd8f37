#include "app/Startup.h"

#include <sys/stat.h>

#include "app/Core.h"
#include "document/Document.h"

namespace ravlin {

namespace {
constexpr int kTextCannotOpen = 80;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

TStartup::TStartup(TCore& core, TDocument& document) : core_(core), document_(document) {}

void TStartup::Create(const std::vector<std::string>& args) {
    firstActivation_ = true;
    startComplete_ = false;
    TAppState& s = core_.state;
    s.LoggedIn = false;
    s.Downloaded = false;
    s.DocumentOpen = false;
    s.Saved = true;

    startedWithFile_ = false;
    commandLineFile_.clear();
    if (!args.empty() && FileExists(args.front())) {
        commandLineFile_ = args.front();
        startedWithFile_ = true;
    }
    const std::string backup = core_.folders.BackupDir();
    if (!MakeDirs(backup)) core_.ui.Error(TMessage::Fixed("Cannot create " + backup));
}

bool TStartup::CheckFile(const std::string& path, const std::string& name) {
    if (FileExists(path)) return true;
    core_.ui.Error(TMessage::Lang(core_.texts(), kTextCannotOpen, " - " + name));
    return false;
}

bool TStartup::FirstShow() {
    if (!core_.language.LoadStartupLanguage(ReadLanguage(core_.ini))) return false;
    const std::string fnc = core_.language.FunctionTableFile();
    if (!CheckFile(core_.folders.DataFile("Rx.def"), "Rx.def") ||
        !CheckFile(core_.folders.DataFile(fnc), fnc) ||
        !CheckFile(core_.folders.DataFile("Tx.def"), "Tx.def"))
        return false;

    core_.settings.Load(core_.ini);
    ReadUserTitles(core_.ini, core_.texts(), core_.settings.UserTitles);
    core_.ApplySettings();
    Run(hooks.loadColumnLayout);
    Run(hooks.startStatus);
    core_.rxFnc.SetFileName(fnc);
    Run(hooks.loadLogs);
    Run(hooks.initMonitor);
    Run(hooks.enableCommCommands);
    startComplete_ = true;

    const TSettings& set = core_.settings;
    if (set.Welcome && !startedWithFile_) Run(hooks.showWelcome);
    // A configured file that is missing or refused leaves no file name behind, so that a
    // later save cannot write another document's records into it.
    if (set.OpenDataFile && !startedWithFile_ && FileExists(set.OpenDataPath))
        document_.OpenAtStartup(set.OpenDataPath);
    if (set.OpenMonitorFile && FileExists(set.OpenMonitorPath) && hooks.openMonitorFile)
        hooks.openMonitorFile(set.OpenMonitorPath);
    if (startedWithFile_) document_.OpenAtStartup(commandLineFile_);
    Run(hooks.wakeStatus);
    return true;
}

void TStartup::Activate() {
    if (!firstActivation_) return;
    firstActivation_ = false;
    if (startedWithFile_ || !startComplete_) return;
    const TSettings& set = core_.settings;
    if (set.Download) {
        if (hooks.download)
            hooks.download();
        else
            core_.session.Download();
    }
    if (set.Online) Run(hooks.online);
    if (set.Monitor) Run(hooks.monitor);
}

bool TStartup::CloseQuery() {
    bool close = document_.CloseQuery();
    // The monitor set-up is asked about whatever the document's answer was.
    if (hooks.monitorCloseQuery && !hooks.monitorCloseQuery()) close = false;
    return close;
}

void TStartup::Close() {
    if (!startComplete_) return;
    const TAppState& s = core_.state;
    core_.settings.Save(core_.ini, core_.texts(), s.DocumentOpen ? s.FileName : std::string());
    if (s.LoggedIn) Run(hooks.saveMemoryViewWidths);
    if (s.DocumentOpen) Run(hooks.saveFileViewWidths);
    core_.ini.UpdateFile();
    core_.session.Logout();
    Run(hooks.terminateStatus);
}

}  // namespace ravlin
