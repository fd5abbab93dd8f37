#include "app/ui/Desktop.h"

#include <QCommandLineParser>
#include <QTimer>

#include "app/Core.h"
#include "app/ui/BrokerController.h"
#include "app/ui/MainForm.h"
#include "app/ui/RecordRows.h"
#include "app/ui/RemoteConsole.h"
#include "app/ui/SetupController.h"
#include "app/ui/StatusController.h"
#include "app/ui/WindowPlacement.h"
#include "base/ui/InfoForm.h"
#include "base/ui/Text.h"
#include "document/ui/DocumentController.h"
#include "monitoring/ui/MonitorController.h"
#include "online/ui/OnlineController.h"
#include "receiver/ui/ReceiverController.h"
#include "records/ui/RecordsController.h"
#include "views/ui/ViewCommands.h"
#include "views/ui/ViewsController.h"

namespace ravlin {

bool ParseStartOptions(const QStringList& args, TStartOptions& out, QString& error) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringList{"v", "version"});
    const QCommandLineOption dataDir("data-dir", QString(), "folder");
    const QCommandLineOption home("home", QString(), "folder");
    parser.addOptions({help, version, dataDir, home});
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        error = unknown.isEmpty()
                    ? parser.errorText()
                    : QStringLiteral("unknown option %1%2")
                          .arg(unknown.first().size() == 1 ? "-" : "--", unknown.first());
        return false;
    }
    out.help = parser.isSet(help);
    out.version = parser.isSet(version);
    if (parser.isSet(dataDir)) out.dataDir = parser.value(dataDir);
    if (parser.isSet(home)) out.home = parser.value(home);
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) out.dataFile = files.first();
    return true;
}

QString StartUsage() {
    return QStringLiteral(
        "usage: ravlin [options] [--] [FILE]\n"
        "Configures and watches radio receivers. FILE is a data file (*.rvl) or a monitor\n"
        "file (*.mon) to open at start.\n"
        "options:\n"
        "  -h, --help        show this text\n"
        "  -v, --version     show the program's version\n"
        "  --data-dir DIR    folder of the delivered files (languages, catalogues)\n"
        "  --home DIR        folder of the settings, backups and logs\n"
        "  --                the next argument is the file, even when it starts with '-'\n");
}

// ---- construction ------------------------------------------------------------------

TDesktop::TDesktop(const TStartOptions& options, QObject* parent)
    : QObject(parent), options_(options) {
    TFolders folders = TFolders::Resolve(CorePath(options.dataDir), CorePath(options.home));
    core_ = std::make_unique<TCore>(std::move(folders), ui_);
    TCore& c = *core_;
    form_ = std::make_unique<TMainForm>(c.texts(), ui_);
    infoForm_ = std::make_unique<TInfoForm>(form_.get());
    // Receiver work runs on a worker: the window must not take commands meanwhile.
    infoForm_->setWindowModality(Qt::ApplicationModal);

    views_ = std::make_unique<TViewsController>(
        TViewsContext{c.table, c.device, c.state, c.functionTable, c.language, c.ini,
                      c.settings.FileSorts, c.settings.UserTitles},
        *form_, *infoForm_, notifications_);
    viewCommands_ = std::make_unique<TViewCommands>(
        TViewCommandsContext{c.state, c.device, c.language, c.settings.ExportEncoding}, *views_,
        *form_, busy_, ui_);
    documents_ = std::make_unique<TDocumentController>(c.DocumentContext(), *views_, ui_, busy_,
                                                       notifications_, *form_);
    receiver_ = std::make_unique<TReceiverController>(
        TReceiverWindowContext{c.receiver.session, c.receiver.link, documents_->document(), c.state,
                               c.language, ui_, busy_, notifications_},
        *form_, *infoForm_);
    status_ = std::make_unique<TStatusController>(
        TStatusContext{c.state, c.device, c.receiver.link, c.texts(), *this}, *form_, busy_,
        notifications_);
    TSettings& set = c.settings;
    online_ = std::make_unique<TOnlineController>(
        TOnlineContext{
            c.receiver.session,
            c.receiver.link,
            c.receiver.rx,
            c.receiver.transferWorker,
            c.functionTable,
            c.device,
            c.table,
            c.recordHistory,
            c.state,
            c.language,
            c.folders,
            c.ini,
            c.history,
            c.battery,
            c.lastHeard,
            c.receptionListeners,
            TOnlineSettingsRef{set.HistoryMonitorLevel, set.BatteryMonitorLevel, set.HistoryLength,
                               set.BatteryMonitorSortCol, set.BatteryMonitorSortUp,
                               set.ReconnectFirst, set.ReconnectMax, set.FindLast, set.Beep,
                               set.SoundCard, set.SoundSpeaker, set.LastHeardColumn,
                               set.PageControl, set.HistoryGrid, set.BatteryGrid},
            set.UserTitles,
            ui_,
            busy_,
            notifications_},
        *form_, *views_);
    // Find, Export and Print reach the log pages through their grids.
    views_->RegisterPage(TPage::History, std::make_unique<TGridPageRows>(
                                             online_->historyGrid(),
                                             [o = online_.get()] { return o->HistoryRows(); }));
    views_->RegisterPage(TPage::Battery, std::make_unique<TGridPageRows>(
                                             online_->batteryGrid(),
                                             [o = online_.get()] { return o->BatteryRows(); }));
    recordRows_ = std::make_unique<TViewsRecordRows>(*views_, c.table);
    records_ = std::make_unique<TRecordsController>(
        TRecordsWindowContext{c.language, c.functionTable, c.device, c.table, c.recordHistory,
                              c.state.Saved, c.state.MemoryModified, c.folders.dataDir,
                              c.settings.UserTitles, ui_, busy_, notifications_},
        *recordRows_, *form_);
    setup_ = std::make_unique<TSetupController>(
        TSetupContext{c.AppSetupContext(), c.folders, c.receiver.link, ui_, busy_, notifications_,
                      *infoForm_, *this},
        *form_);
    const TMonitorContext monitorContext{
        c.texts(),
        c.folders,
        TMonitorSettingsRef{set.MonitorFont, set.SoundCard, set.SoundSpeaker, set.LastMonitorFile,
                            set.MonitorSortCol, set.MonitorSortUp, set.Operator, set.MonitorGrid,
                            set.ActiveGrid, set.DeactiveGrid, set.MessageGrid, set.TroubleColor,
                            set.TroubleSound, set.TroubleSoundFile, set.AlarmLogMegabytes},
        c.table,
        c.state,
        c.ini,
        c.functionTable,
        set.UserTitles,
        ui_,
        busy_,
        notifications_};
    monitor_ = std::make_unique<TMonitorController>(monitorContext, *form_, *online_, *views_);
    remoteConsole_ = std::make_unique<TRemoteConsole>(monitorContext, set, *monitor_, *form_);
    broker_ =
        std::make_unique<TBrokerController>(TBrokerContext{set, c.folders.homeDir, c.table, c.state,
                                                           c.receptionListeners, notifications_},
                                            *monitor_, *remoteConsole_, *form_);
    TSiteOpener& opener = *this;
    site_ = std::make_unique<TSiteController>(
        TSiteWindowContext{c.language, c.folders, ui_, busy_, opener}, *form_);
    TStartupWindow& window = *this;
    TStartupOnline& online = *this;
    TStartupMonitor& monitor = *this;
    startup_ = std::make_unique<TStartup>(c, documents_->document(), window, online, monitor);

    connect(form_.get(), &TMainForm::firstShown, this, &TDesktop::FirstShow);
    connect(form_.get(), &TMainForm::closeQuery, this, &TDesktop::WindowCloseQuery);
    connect(form_.get(), &TMainForm::closing, this, &TDesktop::Closing);
    // Every window takes the texts of a language as soon as it is loaded.
    connect(&notifications_, &TNotifications::languageChanged, form_.get(), &TMainForm::ApplyTexts);
    connect(&notifications_, &TNotifications::languageChanged, online_.get(),
            [this] { online_->ApplyTexts(); });
    connect(&notifications_, &TNotifications::languageChanged, monitor_.get(),
            [this] { monitor_->ApplyTexts(); });
    connect(&notifications_, &TNotifications::languageChanged, remoteConsole_.get(),
            [this] { remoteConsole_->ApplyTexts(); });
    c.language.SetListener(this);
}

TDesktop::~TDesktop() {
    core_->language.SetListener(nullptr);
    startup_.reset();
    site_.reset();
    setup_.reset();
    remoteConsole_.reset();
    // The alarms monitor mode ends on its way out are still published.
    monitor_.reset();
    broker_.reset();
    records_.reset();
    recordRows_.reset();
    online_.reset();
    status_.reset();
    receiver_.reset();
    documents_.reset();
    viewCommands_.reset();
    views_.reset();
}

bool TDesktop::StartComplete() const {
    return startup_->StartComplete();
}

// ---- start-up and shut-down -------------------------------------------------------------

bool TDesktop::Start() {
    std::vector<std::string> args;
    if (!options_.dataFile.isEmpty()) args.push_back(CorePath(options_.dataFile));
    startup_->Create(args);
    // The stored placement before the first show: the window appears where it was left,
    // in its state, without a jump (the settings proper are read by the start-up).
    TSettings stored;
    stored.Load(core_->ini);
    PlaceWindow(*form_, stored.Window);
    form_->show();  // the first showing runs the start-up
    if (startFailed_) {
        form_->hide();
        return false;
    }
    return true;
}

void TDesktop::FirstShow() {
    if (!startup_->FirstShow()) {
        startFailed_ = true;
        QMetaObject::invokeMethod(form_.get(), &QWidget::close, Qt::QueuedConnection);
        return;
    }
    // The start-up options run once the window is up and its events flow.
    QTimer::singleShot(0, this, &TDesktop::FirstActivation);
}

void TDesktop::FirstActivation() {
    if (!startFailed_) startup_->Activate();
}

void TDesktop::ApplyWindowSettings() {
    // The placement was applied before the window was shown (Start).
    const int page = core_->settings.PageControl;
    if (page >= 0 && page < kPageCount) form_->ShowPage(static_cast<TPage>(page));
}

void TDesktop::ShowWelcome() {
    setup_->ShowWelcome();
}

void TDesktop::WakeStatus() {
    status_->WakeStatus();
}

void TDesktop::EnableCommCommands() {
    form_->EnableGroup(TCommandGroup::Comm, true);
}

void TDesktop::Download() {
    receiver_->MenuDownloadClick();
}

void TDesktop::StoreMemoryViewWidths() {
    views_->StoreMemoryViewWidths();
}

void TDesktop::StoreFileViewWidths() {
    views_->StoreFileViewWidths();
}

void TDesktop::LoadLogs() {
    online_->LoadLogs();
}

void TDesktop::StartOnline() {
    online_->StartOnline();
}

void TDesktop::CloseOnline() {
    online_->CloseOnline();
}

void TDesktop::InitMonitor() {
    monitor_->InitMonitor();
    // The settings and the last set-up are read: the broker follows them.
    broker_->Restart();
}

bool TDesktop::OpenMonitorFile(const std::string& fileName) {
    return monitor_->OpenMonitorFile(fileName);
}

void TDesktop::StartMonitor() {
    monitor_->StartMonitor();
}

bool TDesktop::CloseQuery() {
    return monitor_->CloseQuery();
}

const TMonitor& TDesktop::MonitorSetup() const {
    return monitor_->monitor();
}

bool TDesktop::MonitorMode() const {
    return monitor_->MonitorMode();
}

bool TDesktop::OpenDataFile(const std::string& fileName) {
    return documents_->OpenNamedFile(fileName);
}

void TDesktop::LanguageLoaded() {
    emit notifications_.languageChanged();
}

void TDesktop::WindowCloseQuery(bool& accept) {
    if (busy_.Busy()) {  // a command must end first
        accept = false;
        return;
    }
    accept = startup_->CloseQuery();
}

void TDesktop::Closing() {
    if (!startup_->StartComplete()) return;
    TCore& c = *core_;
    KeepPlacement(*form_, c.settings.Window);
    c.settings.PageControl = form_->pages()->currentIndex();
    c.settings.Connection = c.receiver.link.Settings;
    startup_->Close();
}

}  // namespace ravlin
