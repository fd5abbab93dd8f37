#include "app/ui/SetupController.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/RecentFiles.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/ui/AboutForm.h"
#include "app/ui/AppSetupForm.h"
#include "app/ui/WelcomeForm.h"
#include "app/ui/WindowPlacement.h"
#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/ui/InfoForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "catalog/Catalog.h"
#include "catalog/Language.h"
#include "link/Link.h"

namespace ravlin {

QString DroppedDataFile(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".rvl"), Qt::CaseInsensitive) && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

TSetupController::TSetupController(const TSetupContext& context, TWindowFrame& frame,
                                   QObject* parent)
    : QObject(parent), ctx_(context), frame_(frame) {
    const TTextTable& texts = ctx_.appSetup.language.Texts();
    QWidget* window = frame_.Window();
    appSetupForm_ = std::make_unique<TAppSetupForm>(texts, ctx_.ui, window);
    aboutForm_ = std::make_unique<TAboutForm>(texts, window);
    welcomeForm_ = std::make_unique<TWelcomeForm>(texts, window);

    connect(frame_.Action("MenuAppSetup"), &QAction::triggered, this,
            &TSetupController::MenuAppSetupClick);
    connect(frame_.Action("MenuAbout"), &QAction::triggered, this,
            &TSetupController::MenuAboutClick);

    // The File menu's recent files: a submenu on the menu table's item.
    recentMenu_ = new QMenu(window);
    recentMenu_->setObjectName("RecentMenu");
    frame_.Action("MenuRecent")->setMenu(recentMenu_);
    recent_ = ReadRecentFiles(ctx_.appSetup.ini);
    FillRecentMenu();

    connect(welcomeForm_.get(), &TWelcomeForm::newClicked, this, &TSetupController::WelcomeNew);
    connect(welcomeForm_.get(), &TWelcomeForm::openClicked, this, &TSetupController::WelcomeOpen);
    connect(welcomeForm_.get(), &TWelcomeForm::openLastClicked, this,
            &TSetupController::WelcomeOpenLast);
    connect(welcomeForm_.get(), &TWelcomeForm::loginClicked, this, &TSetupController::WelcomeLogin);
    connect(welcomeForm_.get(), &TWelcomeForm::setupClicked, this, &TSetupController::WelcomeSetup);
    connect(welcomeForm_.get(), &TWelcomeForm::loginMonitorClicked, this,
            &TSetupController::WelcomeLoginMonitor);
    connect(welcomeForm_.get(), &TWelcomeForm::closed, this, &TSetupController::WelcomeClosed);

    connect(&ctx_.notifications, &TNotifications::languageChanged, this,
            &TSetupController::ApplyTexts);
    connect(&ctx_.notifications, &TNotifications::stateChanged, this,
            &TSetupController::StateChanged);
    // Coming back to the program from another one: the start windows take the focus.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState s) {
                if (s == Qt::ApplicationActive) FocusStartWindow();
            });

    window->setAcceptDrops(true);
    window->installEventFilter(this);
    ApplyTexts();
}

TSetupController::~TSetupController() {
    frame_.Window()->removeEventFilter(this);
}

void TSetupController::ApplyTexts() {
    const TTextTable& texts = ctx_.appSetup.language.Texts();
    frame_.Action("MenuRecent")->setText(LOr(texts, Text::MenuRecent, "&Recent files"));
    // Every open window of this controller takes the new texts.
    if (welcomeForm_->isVisible()) welcomeForm_->ApplyTexts();
    if (aboutForm_->isVisible()) aboutForm_->ApplyTexts();
    if (appSetupForm_->isVisible()) appSetupForm_->ApplyTexts();
}

void TSetupController::FocusStartWindow() {
    QWidget* w = welcomeForm_->isVisible() ? static_cast<QWidget*>(welcomeForm_.get())
                 : ctx_.info.isVisible()   ? static_cast<QWidget*>(&ctx_.info)
                                           : nullptr;
    if (!w || QApplication::activeModalWidget()) return;
    w->raise();
    w->activateWindow();
}

// ---- application set-up ----------------------------------------------------------------

bool TSetupController::MenuAppSetupClick() {
    const TAppSetupContext& c = ctx_.appSetup;
    bool applied = false;
    const bool ran = ctx_.busy.Run([&] {
        const TAppSetupValues before = ReadAppSetup(c);
        appSetupForm_->Prepare(before, ReadAppSetupChoices(c));
        if (appSetupForm_->exec() != QDialog::Accepted) return false;
        // The settings file is written now: with the window where it is.
        KeepPlacement(*frame_.Window(), c.settings.Window);
        c.settings.PageControl = static_cast<int>(frame_.PageShown());
        lastResult_ = ApplyAppSetup(c, before, appSetupForm_->Values());
        if (lastResult_.settingsFailed)
            ctx_.ui.Error(TMessage::Lang(c.language.Texts(), Text::CannotOpen,
                                         " - " + c.ini.FileName() + c.ini.LastErrorText()));
        applied = true;
        return true;
    });
    if (!ran || !applied) return false;
    // Levels, length, sound, font, titles, columns: each controller reads its settings
    // again; the views rebuild (the language's news went out with its load).
    emit ctx_.notifications.settingsChanged();
    if (lastResult_.historyChanged) emit ctx_.notifications.logsChanged();
    emit ctx_.notifications.stateChanged();
    return true;
}

// ---- about -----------------------------------------------------------------------------

void TSetupController::MenuAboutClick() {
    QStringList receivers;
    for (const TRxArray& rx : ListReceiverTypes(ctx_.folders.DataFile("Rx.def"),
                                                ctx_.appSetup.language.Texts(), ctx_.ui))
        receivers << Q(rx.Description);
    aboutForm_->setWindowIcon(frame_.Window()->windowIcon());
    aboutForm_->Prepare(receivers);
    aboutForm_->exec();
}

// ---- welcome window ---------------------------------------------------------------------

void TSetupController::ShowWelcome() {
    welcomeForm_->Prepare(QPath(ctx_.appSetup.settings.LastFile), Q(ctx_.link.ConnectionText()));
    welcomeForm_->show();
    welcomeForm_->raise();
    welcomeForm_->activateWindow();
}

void TSetupController::WelcomeNew() {
    frame_.Action("MenuNew")->trigger();
    if (ctx_.appSetup.state.DocumentOpen) welcomeForm_->close();
}

void TSetupController::WelcomeOpen() {
    frame_.Action("MenuOpen")->trigger();
    if (ctx_.appSetup.state.DocumentOpen) welcomeForm_->close();
}

void TSetupController::WelcomeOpenLast() {
    welcomeForm_->close();
    OpenRecentFile(ctx_.appSetup.settings.LastFile);
}

void TSetupController::WelcomeLogin() {
    frame_.Action("MenuLogin")->trigger();
    if (ctx_.appSetup.state.LoggedIn) welcomeForm_->close();
}

void TSetupController::WelcomeSetup() {
    frame_.Action("MenuCommSetup")->trigger();
    welcomeForm_->SetConnection(Q(ctx_.link.ConnectionText()));
    emit ctx_.notifications.stateChanged();
}

void TSetupController::WelcomeLoginMonitor() {
    frame_.Action("MenuLogin")->trigger();
    if (!ctx_.appSetup.state.LoggedIn) return;
    ctx_.commands.StartMonitor();
    welcomeForm_->close();
}

void TSetupController::WelcomeClosed() {
    // Saved at exit with the other settings.
    if (welcomeForm_->DontShowAgain()) ctx_.appSetup.settings.Welcome = false;
}

// ---- recent files and dropped files ----------------------------------------------------

void TSetupController::StateChanged() {
    const TAppState& s = ctx_.appSetup.state;
    if (s.DocumentOpen && !s.FileName.empty()) NoteRecentFile(s.FileName);
}

void TSetupController::NoteRecentFile(const std::string& fileName) {
    if (!recent_.empty() && recent_.front() == fileName) return;
    recent_ = WithRecentFile(recent_, fileName);
    WriteRecentFiles(ctx_.appSetup.ini, recent_);
    ctx_.appSetup.ini.UpdateFile();
    FillRecentMenu();
}

void TSetupController::FillRecentMenu() {
    recentMenu_->clear();
    for (size_t i = 0; i < recent_.size(); ++i) {
        const QString path = QPath(recent_[i]);
        QString name = QFileInfo(path).fileName();
        name.replace('&', QStringLiteral("&&"));
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        a->setToolTip(path);
        a->setStatusTip(path);
        const std::string file = recent_[i];
        connect(a, &QAction::triggered, this, [this, file] { OpenRecentFile(file); });
    }
    recentMenu_->setToolTipsVisible(true);
    frame_.Action("MenuRecent")->setEnabled(!recent_.empty());
}

bool TSetupController::OpenRecentFile(const std::string& fileName) {
    if (fileName.empty()) return false;
    if (!FileExists(fileName)) {
        ctx_.ui.Error(
            TMessage::Lang(ctx_.appSetup.language.Texts(), Text::CannotOpen, " - " + fileName));
        recent_ = WithoutRecentFile(recent_, fileName);
        WriteRecentFiles(ctx_.appSetup.ini, recent_);
        ctx_.appSetup.ini.UpdateFile();
        FillRecentMenu();
        return false;
    }
    return ctx_.commands.OpenDataFile(fileName);
}

bool TSetupController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frame_.Window()) {
        if (event->type() == QEvent::DragEnter) {
            auto* e = static_cast<QDragEnterEvent*>(event);
            if (e->mimeData()->hasUrls() && !DroppedDataFile(e->mimeData()->urls()).isEmpty()) {
                e->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* e = static_cast<QDropEvent*>(event);
            const QString file = DroppedDataFile(e->mimeData()->urls());
            if (!file.isEmpty()) {
                e->acceptProposedAction();
                // Opened once the drop has ended: the other program must not wait for the
                // questions the open may ask.
                const std::string path = CorePath(file);
                QTimer::singleShot(0, this, [this, path] { OpenRecentFile(path); });
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ravlin
