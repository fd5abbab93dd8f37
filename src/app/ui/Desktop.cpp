#include "app/ui/Desktop.h"

#include <QApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include "app/Core.h"
#include "app/Startup.h"
#include "app/StatusBar.h"
#include "app/ui/MainForm.h"
#include "base/ui/Text.h"
#include "document/Document.h"
#include "document/ui/QtFileChooser.h"
#include "link/ui/CommSetupForm.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/ui/NewForm.h"
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

template <typename T>
T TDesktop::OnWindowThread(const std::function<T()>& fn) {
    if (QThread::currentThread() == thread()) return fn();
    T result{};
    QMetaObject::invokeMethod(
        this, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
    return result;
}

// ---- construction ------------------------------------------------------------------

TDesktop::TDesktop(const TStartOptions& options, QObject* parent)
    : QObject(parent), options_(options) {
    TFolders folders = TFolders::Resolve(CorePath(options.dataDir), CorePath(options.home));
    core_ = std::make_unique<TCore>(std::move(folders), ui_);
    const PopisType& texts = core_->texts();
    form_ = std::make_unique<TMainForm>(texts, ui_);
    commForm_ = std::make_unique<TCommForm>(texts, ui_, form_.get());
    commSetupForm_ = std::make_unique<TCommSetupForm>(texts, ui_, form_.get());
    loginForm_ = std::make_unique<TLoginForm>(texts, ui_, form_.get());
    passForm_ = std::make_unique<TChangePassForm>(texts, ui_, form_.get());
    infoForm_ = std::make_unique<TInfoForm>(form_.get());
    // Receiver work runs on a worker: the window must not take commands meanwhile.
    infoForm_->setWindowModality(Qt::ApplicationModal);
    newForm_ = std::make_unique<TNewForm>(texts, ui_, form_.get());
    chooser_ = std::make_unique<TQtFileChooser>(form_.get(), *newForm_);
    document_ = std::make_unique<TDocument>(*core_, *chooser_);
    views_ = std::make_unique<TViewsController>(*core_, *form_, *infoForm_);
    views_->onRefreshed = [this] { WakeStatus(); };

    core_->session.passwords = this;
    // The session may close the document from its worker: the core does the work, the
    // window parts of the hooks run on the window thread.
    core_->session.closeDocument = [this] { document_->Close(); };

    TDocumentHooks& h = document_->hooks;
    h.refreshViews = [this] {
        OnWindowThread<bool>([this] {
            RefreshViews();
            return true;
        });
    };
    h.fileViewVisible = [this] {
        return OnWindowThread<bool>([this] { return form_->fileGrid()->isVisible(); });
    };
    h.storeFileViewWidths = [this] {
        OnWindowThread<bool>([this] {
            views_->StoreFileViewWidths();
            return true;
        });
    };
    h.restoreFileViewWidths = [this] {
        OnWindowThread<bool>([this] {
            views_->RestoreFileViewWidths();
            return true;
        });
    };
    h.showFileView = [this] {
        OnWindowThread<bool>([this] {
            form_->pages()->setCurrentIndex(TMainForm::UserPage);
            return true;
        });
    };
    h.showMemoryView = [this] {
        OnWindowThread<bool>([this] {
            form_->pages()->setCurrentIndex(TMainForm::MemoryPage);
            return true;
        });
    };
    h.wakeStatus = [this] { QMetaObject::invokeMethod(this, [this] { WakeStatus(); }); };

    startup_ = std::make_unique<TStartup>(*core_, *document_);
    TStartupHooks& sh = startup_->hooks;
    sh.loadColumnLayout = [this] { ApplyWindowSettings(); };
    sh.enableCommCommands = [this] { form_->EnableCommCommands(); };
    sh.wakeStatus = [this] { WakeStatus(); };
    sh.download = [this] { MenuDownloadClick(); };
    sh.saveMemoryViewWidths = [this] { views_->StoreMemoryViewWidths(); };
    sh.saveFileViewWidths = [this] { views_->StoreFileViewWidths(); };

    connect(&ui_, &TQtUserInterface::progressChanged, this, &TDesktop::OnProgress,
            Qt::QueuedConnection);
    commForm_->onCancel = [this] { core_->session.Cancel(); };

    TMainForm& f = *form_;
    connect(f.MenuLogin, &QAction::triggered, this, &TDesktop::MenuLoginClick);
    connect(f.MenuDownload, &QAction::triggered, this, &TDesktop::MenuDownloadClick);
    connect(f.MenuUpload, &QAction::triggered, this, &TDesktop::MenuUploadClick);
    connect(f.MenuPassChange, &QAction::triggered, this, &TDesktop::MenuPassChangeClick);
    connect(f.MenuCommSetup, &QAction::triggered, this, &TDesktop::MenuCommSetupClick);
    connect(f.MenuNew, &QAction::triggered, this, &TDesktop::MenuNewClick);
    connect(f.MenuOpen, &QAction::triggered, this, &TDesktop::MenuOpenClick);
    connect(f.MenuSave, &QAction::triggered, this, &TDesktop::MenuSaveClick);
    connect(f.MenuSaveAs, &QAction::triggered, this, &TDesktop::MenuSaveAsClick);
    connect(f.MenuClose, &QAction::triggered, this, &TDesktop::MenuCloseClick);
    connect(f.MenuOpenBackup, &QAction::triggered, this, &TDesktop::MenuOpenBackupClick);
    connect(f.MenuImport, &QAction::triggered, this, &TDesktop::MenuImportClick);
    connect(&f, &TMainForm::pageChanged, this, [this] { WakeStatus(); });
    connect(&f, &TMainForm::firstShown, this, &TDesktop::FirstShow);
    connect(&f, &TMainForm::closeQuery, this, &TDesktop::CloseQuery);
    connect(&f, &TMainForm::closing, this, &TDesktop::Closing);
    // The language loader applies its texts to the window.
    core_->language.onLoaded = [this] {
        form_->ApplyTexts(core_->state.LoggedIn, core_->state.OnLine);
    };
}

TDesktop::~TDesktop() {
    core_->session.passwords = nullptr;
    core_->session.closeDocument = nullptr;
    startup_.reset();
    views_.reset();
    document_.reset();
}

// ---- document commands ---------------------------------------------------------------

bool TDesktop::RunDocumentCommand(const std::function<bool()>& command) {
    if (running_) return false;
    running_ = true;
    const bool result = command();
    running_ = false;
    WakeStatus();
    return result;
}

bool TDesktop::MenuNewClick() {
    return RunDocumentCommand([this] { return document_->New(); });
}
bool TDesktop::MenuOpenClick() {
    return RunDocumentCommand([this] { return document_->Open(); });
}
bool TDesktop::MenuSaveClick() {
    return RunDocumentCommand([this] { return document_->SaveAll(); });
}
bool TDesktop::MenuSaveAsClick() {
    return RunDocumentCommand([this] { return document_->SaveAs(); });
}
bool TDesktop::MenuCloseClick() {
    return RunDocumentCommand([this] { return document_->Close(); });
}
bool TDesktop::MenuOpenBackupClick() {
    return RunDocumentCommand([this] { return document_->OpenBackup(); });
}
bool TDesktop::MenuImportClick() {
    return RunDocumentCommand([this] { return document_->ImportComments(); });
}

void TDesktop::RefreshViews() {
    // Also reached from a receiver command's hook while its worker waits for it: the
    // table is then at rest.
    views_->RefreshViews();
}

// ---- receiver commands ------------------------------------------------------------

bool TDesktop::RunReceiverCommand(const std::function<bool()>& command, int progressText) {
    if (running_ || core_->session.Busy()) return false;
    running_ = true;
    form_->DisableCommCommands();
    ui_.ClearCancel();
    ui_.ResetProgress();
    progressText_ = progressText;
    infoForm_->ShowText(L(core_->texts(), 44));
    const bool result = form_->RunInWorker(command);
    progressText_ = 0;
    infoForm_->hide();
    if (commForm_->isVisible()) commForm_->Finish();
    form_->EnableCommCommands();
    form_->SetLoginCaption(core_->state.LoggedIn);
    running_ = false;
    RefreshViews();
    WakeStatus();
    emit commandFinished(result);
    return result;
}

void TDesktop::OnProgress(int percent) {
    // The first progress value of a transfer replaces "Working ..." by the progress window.
    if (progressText_ != 0 && !commForm_->isVisible()) {
        infoForm_->hide();
        commForm_->Prepare(L(core_->texts(), progressText_));
        commForm_->show();
    }
    if (commForm_->isVisible()) commForm_->SetPosition(percent);
}

bool TDesktop::MenuLoginClick() {
    const bool wasLoggedIn = core_->state.LoggedIn;
    const bool result = RunReceiverCommand([this] { return core_->session.LoginToggle(); }, 0);
    // After a logout the document's page comes to the front.
    if (wasLoggedIn && !core_->state.LoggedIn && core_->state.DocumentOpen)
        form_->pages()->setCurrentIndex(TMainForm::UserPage);
    return result;
}

bool TDesktop::MenuDownloadClick() {
    const bool result = RunReceiverCommand([this] { return core_->session.Download(); }, 76);
    // Without a document the downloaded records are seen in the Memory view.
    if (result && !core_->state.DocumentOpen)
        form_->pages()->setCurrentIndex(TMainForm::MemoryPage);
    return result;
}

bool TDesktop::MenuUploadClick() {
    return RunReceiverCommand([this] { return core_->session.Upload(); }, 75);
}

bool TDesktop::MenuPassChangeClick() {
    return RunReceiverCommand([this] { return core_->session.ChangePassword(); }, 0);
}

void TDesktop::MenuCommSetupClick() {
    if (running_) return;
    core_->link.Zavri();
    commSetupForm_->Prepare(core_->link.Settings, ExistingComPorts());
    if (commSetupForm_->exec() == QDialog::Accepted) {
        core_->link.Settings = commSetupForm_->Result();
        core_->link.NastavIni();
    }
    WakeStatus();
}

std::optional<std::string> TDesktop::AskPassword(const TDevice& device) {
    return OnWindowThread<std::optional<std::string>>([&]() -> std::optional<std::string> {
        const bool info = infoForm_->isVisible();
        infoForm_->hide();
        loginForm_->Prepare(device.Description, device.Password);
        const bool ok = loginForm_->exec() == QDialog::Accepted;
        if (info && running_) infoForm_->show();
        if (!ok) return std::nullopt;
        return loginForm_->Typed();
    });
}

std::optional<TPasswordChange> TDesktop::AskPasswordChange(const TDevice& device) {
    return OnWindowThread<std::optional<TPasswordChange>>([&]() -> std::optional<TPasswordChange> {
        const bool info = infoForm_->isVisible();
        infoForm_->hide();
        passForm_->Prepare(device.Description, device.Password);
        const bool ok = passForm_->exec() == QDialog::Accepted;
        if (info && running_) infoForm_->show();
        if (!ok) return std::nullopt;
        return passForm_->Change();
    });
}

// ---- status ---------------------------------------------------------------------------

void TDesktop::WakeStatus() {
    if (statusPending_) return;
    statusPending_ = true;
    QTimer::singleShot(0, this, [this] {
        statusPending_ = false;
        UpdateStatus();
    });
}

}  // namespace ravlin

namespace ravlin {

void TDesktop::UpdateStatus() {
    // A receiver command owns the state while it runs; it wakes the status when it ends.
    if (running_) return;
    TStatusInput in;
    in.state = core_->state;
    in.receiverDescription = core_->rx.Device.Description;
    in.connectionText = core_->link.ConnectionText();
    in.pageShown = form_->pages()->currentIndex();
    const TStatusView v = ComputeStatus(in, core_->texts());
    for (int i = 0; i < TStatusView::kPanels; ++i) form_->SetPanel(i, Q(v.panels[i]));
    form_->SetPageMark(TMainForm::MemoryPage, v.memoryMark);
    form_->SetPageMark(TMainForm::UserPage, v.fileMark);
    if (v.monitorMark) form_->SetPageMark(TMainForm::MonitorPage, *v.monitorMark);
    if (v.recordCommands) form_->SetRecordCommandsEnabled(*v.recordCommands);
    form_->SetLoginCaption(core_->state.LoggedIn);
}

}  // namespace ravlin

namespace ravlin {

// ---- start-up and shut-down -------------------------------------------------------------

bool TDesktop::Start() {
    std::vector<std::string> args;
    if (!options_.dataFile.isEmpty()) args.push_back(CorePath(options_.dataFile));
    startup_->Create(args);
    startedWithFile_ = startup_->StartedWithFile();
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
    startComplete_ = true;
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
    if (page >= 0 && page < 5) form_->pages()->setCurrentIndex(page);
}

void TDesktop::CloseQuery(bool& accept) {
    if (running_) {  // a receiver command must end first
        accept = false;
        return;
    }
    accept = startup_->CloseQuery();
}

void TDesktop::Closing() {
    if (!startComplete_) return;
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
