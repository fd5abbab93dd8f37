#include "app/Startup.h"

#include <sys/stat.h>

#include <cctype>

#include "app/Bootstrap.h"
#include "app/Core.h"
#include "document/Document.h"

namespace ravlin {

bool IsMonitorFileName(const std::string& fileName) {
    if (fileName.size() < 4) return false;
    std::string ext = fileName.substr(fileName.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".mon";
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

TStartup::TStartup(TCore& core, TDocument& document, TStartupWindow& window, TStartupOnline& online,
                   TStartupMonitor& monitor)
    : core_(core), document_(document), window_(window), online_(online), monitor_(monitor) {}

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
    commandLineMonitor_ = false;
    if (!args.empty() && FileExists(args.front())) {
        commandLineFile_ = args.front();
        commandLineMonitor_ = IsMonitorFileName(commandLineFile_);
        startedWithFile_ = true;
    }
    const std::string backup = core_.folders.BackupDir();
    if (!MakeDirs(backup)) core_.ui.Error(TMessage::Fixed("Cannot create " + backup));
}

bool TStartup::CheckFile(const std::string& path, const std::string& name) {
    if (FileExists(path)) return true;
    core_.ui.Error(TMessage::Lang(core_.texts(), Text::CannotOpen, " - " + name));
    return false;
}

bool TStartup::FirstShow() {
    if (!Bootstrap(core_)) return false;
    const std::string functionTable = core_.language.FunctionTableFile();
    if (!CheckFile(core_.folders.DataFile("Rx.def"), "Rx.def") ||
        !CheckFile(core_.folders.DataFile(functionTable), functionTable) ||
        !CheckFile(core_.folders.DataFile("Tx.def"), "Tx.def"))
        return false;

    window_.ApplyWindowSettings();
    window_.StartStatus();
    online_.LoadLogs();
    monitor_.InitMonitor();
    window_.EnableCommCommands();
    startComplete_ = true;

    const TSettings& set = core_.settings;
    if (set.Welcome && !startedWithFile_) window_.ShowWelcome();
    // A configured file that is missing or refused leaves no file name behind, so that a
    // later save cannot write another document's records into it.
    if (set.OpenDataFile && !startedWithFile_ && FileExists(set.OpenDataPath))
        document_.OpenAtStartup(set.OpenDataPath);
    // A monitor file on the command line takes the configured one's place.
    if (set.OpenMonitorFile && !commandLineMonitor_ && FileExists(set.OpenMonitorPath))
        monitor_.OpenMonitorFile(set.OpenMonitorPath);
    if (startedWithFile_ && commandLineMonitor_) monitor_.OpenMonitorFile(commandLineFile_);
    if (startedWithFile_ && !commandLineMonitor_) document_.OpenAtStartup(commandLineFile_);
    window_.WakeStatus();
    return true;
}

void TStartup::Activate() {
    if (!firstActivation_) return;
    firstActivation_ = false;
    if (startedWithFile_ || !startComplete_) return;
    const TSettings& set = core_.settings;
    if (set.Download) window_.Download();
    if (set.Online) online_.StartOnline();
    if (set.Monitor) monitor_.StartMonitor();
}

bool TStartup::CloseQuery() {
    bool close = document_.CloseQuery();
    // The monitor set-up is asked about whatever the document's answer was.
    if (!monitor_.CloseQuery()) close = false;
    return close;
}

void TStartup::Close() {
    if (!startComplete_) return;
    online_.CloseOnline();
    const TAppState& s = core_.state;
    core_.settings.Save(core_.ini, core_.texts(), s.DocumentOpen ? s.FileName : std::string());
    if (s.LoggedIn) window_.StoreMemoryViewWidths();
    if (s.DocumentOpen) window_.StoreFileViewWidths();
    core_.ini.UpdateFile();
    core_.receiver.session.Logout();
    window_.TerminateStatus();
}

}  // namespace ravlin
