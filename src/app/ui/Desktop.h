#pragma once
// The desktop program's composition root: it builds the core (TCore), the main window
// and the window controllers of the subsystems, hands each the narrow context it needs,
// and runs start-up and shut-down (TStartup). It runs no command itself: the controllers
// connect their menu items, and tell each other what changed through TNotifications.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/Startup.h"
#include "app/ui/SetupController.h"
#include "app/ui/StatusController.h"
#include "base/ui/Busy.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "catalog/Language.h"
#include "site/ui/SiteController.h"

namespace ravlin {

struct TCore;
class TBrokerController;
class TDocumentController;
class TRemoteConsole;
class TInfoForm;
class TMainForm;
class TMonitorController;
class TOnlineController;
class TReceiverController;
class TRecordsController;
class TViewCommands;
class TViewsController;
class TViewsRecordRows;

struct TStartOptions {
    QString dataDir;       // --data-dir
    QString home;          // --home
    QString dataFile;      // first free argument: a data (*.rvl) or monitor (*.mon) file to open
    bool help = false;     // --help
    bool version = false;  // --version
};

// Parses the desktop program's command line (Qt's own options taken out): --help,
// --version, --data-dir DIR, --home DIR, "--" (what follows is a file name even when it
// starts with '-') and an optional file. An unknown option or a missing folder goes to
// `error`; returns false on such a usage error.
bool ParseStartOptions(const QStringList& args, TStartOptions& out, QString& error);
// The text of --help.
QString StartUsage();

class TDesktop : public QObject,
                 private TStartupWindow,
                 private TStartupOnline,
                 private TStartupMonitor,
                 private TStatusMonitoring,
                 private TSetupCommands,
                 private TSiteOpener,
                 private TLanguageListener {
    Q_OBJECT
  public:
    explicit TDesktop(const TStartOptions& options, QObject* parent = nullptr);
    ~TDesktop() override;

    // Shows the main window; its first showing runs the start-up. False when the
    // start-up ended the program (language or catalogue files missing).
    bool Start();
    // True once the start-up finished (only then are settings saved at exit).
    bool StartComplete() const;

    TCore& core() { return *core_; }
    TMainForm& form() { return *form_; }
    TQtUserInterface& ui() { return ui_; }
    TInfoForm& infoForm() { return *infoForm_; }
    TReceiverController& receiver() { return *receiver_; }
    TDocumentController& documents() { return *documents_; }
    TViewsController& views() { return *views_; }
    TViewCommands& viewCommands() { return *viewCommands_; }
    TStatusController& status() { return *status_; }
    TOnlineController& online() { return *online_; }
    TRecordsController& records() { return *records_; }
    TSetupController& setup() { return *setup_; }
    TNotifications& notifications() { return notifications_; }
    TMonitorController& monitor() { return *monitor_; }
    TSiteController& site() { return *site_; }
    TBrokerController& broker() { return *broker_; }
    TRemoteConsole& remoteConsole() { return *remoteConsole_; }

  private:
    // TStartupWindow
    void ApplyWindowSettings() override;
    void StartStatus() override {}
    void WakeStatus() override;
    void TerminateStatus() override {}
    void EnableCommCommands() override;
    void ShowWelcome() override;
    void Download() override;
    void StoreMemoryViewWidths() override;
    void StoreFileViewWidths() override;
    // TStartupOnline
    void LoadLogs() override;
    void StartOnline() override;
    void CloseOnline() override;
    // TStartupMonitor (StartMonitor also TSetupCommands')
    void InitMonitor() override;
    bool OpenMonitorFile(const std::string& fileName) override;
    void StartMonitor() override;
    bool CloseQuery() override;
    // TStatusMonitoring
    const TMonitor& MonitorSetup() const override;
    bool MonitorMode() const override;
    // TSetupCommands and TSiteOpener
    bool OpenDataFile(const std::string& fileName) override;
    // TLanguageListener: every window takes the texts of a language once it is loaded.
    void LanguageLoaded() override;

    void FirstShow();
    void FirstActivation();
    void WindowCloseQuery(bool& accept);
    void Closing();

    TStartOptions options_;
    TQtUserInterface ui_;
    TBusyState busy_;
    TNotifications notifications_;
    std::unique_ptr<TCore> core_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<TInfoForm> infoForm_;
    std::unique_ptr<TViewsController> views_;
    std::unique_ptr<TViewCommands> viewCommands_;
    std::unique_ptr<TDocumentController> documents_;
    std::unique_ptr<TReceiverController> receiver_;
    std::unique_ptr<TStatusController> status_;
    std::unique_ptr<TOnlineController> online_;
    std::unique_ptr<TViewsRecordRows> recordRows_;
    std::unique_ptr<TRecordsController> records_;
    std::unique_ptr<TSetupController> setup_;
    std::unique_ptr<TMonitorController> monitor_;
    std::unique_ptr<TSiteController> site_;
    std::unique_ptr<TRemoteConsole> remoteConsole_;
    std::unique_ptr<TBrokerController> broker_;
    std::unique_ptr<TStartup> startup_;
    bool startFailed_ = false;
};

}  // namespace ravlin
