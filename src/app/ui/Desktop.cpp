#include "app/ui/Desktop.h"

#include <QTimer>

#include "app/Core.h"
#include "app/ui/MainForm.h"
#include "app/ui/StatusController.h"
#include "base/ui/InfoForm.h"
#include "base/ui/Text.h"
#include "document/ui/DocumentController.h"
#include "monitoring/ui/MonitorController.h"
#include "online/ui/OnlineController.h"
#include "receiver/ui/ReceiverController.h"
#include "views/ui/ViewsController.h"

namespace ravlin {

bool ParseStartOptions(const QStringList& args, TStartOptions& out, QString& error) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a folder";
                return false;
            }
            v = args[++i];
            return true;
        };
        if (a == "--data-dir") {
            if (!value(out.dataDir)) return false;
        } else if (a == "--home") {
            if (!value(out.home)) return false;
        } else if (a.startsWith("--data-dir=")) {
            out.dataDir = a.mid(11);
        } else if (a.startsWith("--home=")) {
            out.home = a.mid(7);
        } else if (a.startsWith("-") && a.size() > 1) {
            // Qt's own options (-style, -platform, ...) were taken out by QApplication.
            error = "unknown option " + a;
            return false;
        } else if (out.dataFile.isEmpty()) {
            out.dataFile = a;
        }
    }
    return true;
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
        TViewsContext{c.table, c.device, c.state, c.rxFnc, c.language, c.ini, c.settings.FileSorts,
                      c.settings.UserTitles},
        *form_, *infoForm_, notifications_);
    documents_ = std::make_unique<TDocumentController>(c.DocumentContext(), *views_, ui_, busy_,
                                                       notifications_, *form_);
    receiver_ = std::make_unique<TReceiverController>(
        TReceiverWindowContext{c.session, c.link, documents_->document(), c.state, c.language, ui_,
                               busy_, notifications_},
        *form_, *infoForm_);
    status_ = std::make_unique<TStatusController>(c, *form_, busy_, notifications_);
    TSettings& set = c.settings;
    online_ = std::make_unique<TOnlineController>(
        TOnlineContext{c.session,
                       c.link,
                       c.rx,
                       c.kom,
                       c.rxFnc,
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
                       TOnlineSettingsRef{set.HistoryMonitorLevel, set.BatteryMonitorLevel,
                                          set.HistoryLength, set.BatteryMonitorSortCol,
                                          set.BatteryMonitorSortUp, set.FindLast, set.Beep,
                                          set.SoundCard, set.SoundSpeaker, set.LastHeardColumn,
                                          set.PageControl, set.HistoryGrid, set.BatteryGrid},
                       set.UserTitles,
                       ui_,
                       busy_,
                       notifications_},
        *form_, *views_);
    monitor_ = std::make_unique<TMonitorController>(
        TMonitorContext{c.texts(), c.folders,
                        TMonitorSettingsRef{set.MonitorFont, set.SoundCard, set.SoundSpeaker,
                                            set.LastMonitorFile, set.MonitorSortCol,
                                            set.MonitorSortUp},
                        ui_, busy_, notifications_},
        *form_, *online_);
    status_->monitorStatus = [this](TStatusInput& in) {
        const TMonitor& m = monitor_->monitor();
        in.monitorExists = m.Defined;
        in.monitorSaved = m.Saved;
        in.messagesPanelVisible = monitor_->MonitorMode();
    };
    TStartupWindow& window = *this;
    TStartupOnline& online = *this;
    TStartupMonitor& monitor = *this;
    startup_ = std::make_unique<TStartup>(c, documents_->document(), window, online, monitor);

    connect(form_.get(), &TMainForm::firstShown, this, &TDesktop::FirstShow);
    connect(form_.get(), &TMainForm::closeQuery, this, &TDesktop::WindowCloseQuery);
    connect(form_.get(), &TMainForm::closing, this, &TDesktop::Closing);
    // The language loader applies its texts to the window.
    c.language.onLoaded = [this] {
        form_->ApplyTexts();
        receiver_->UpdateLoginCaption();
        online_->ApplyTexts();
        monitor_->ApplyTexts();
    };
}

TDesktop::~TDesktop() {
    core_->language.onLoaded = nullptr;
    startup_.reset();
    monitor_.reset();
    online_.reset();
    status_.reset();
    receiver_.reset();
    documents_.reset();
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
    const TWindowSettings& w = core_->settings.Window;
    if (w.State == TWindowSettings::Normal) form_->setGeometry(w.Left, w.Top, w.Width, w.Height);
    if (w.State == TWindowSettings::Maximized) form_->setWindowState(Qt::WindowMaximized);
    const int page = core_->settings.PageControl;
    if (page >= 0 && page < kPageCount) form_->ShowPage(static_cast<TPage>(page));
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
    TWindowSettings& w = c.settings.Window;
    w.State = form_->isMaximized()   ? TWindowSettings::Maximized
              : form_->isMinimized() ? TWindowSettings::Minimized
                                     : TWindowSettings::Normal;
    if (w.State == TWindowSettings::Normal) {
        const QRect g = form_->geometry();
        w.Left = g.left();
        w.Top = g.top();
        w.Width = g.width();
        w.Height = g.height();
    }
    c.settings.PageControl = form_->pages()->currentIndex();
    c.settings.Connection = c.link.Settings;
    startup_->Close();
}

}  // namespace ravlin
