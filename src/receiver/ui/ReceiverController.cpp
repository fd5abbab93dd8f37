#include "receiver/ui/ReceiverController.h"

#include "base/ui/Icons.h"
#include "base/ui/InfoForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"
#include "link/Link.h"
#include "link/ui/CommSetupForm.h"
#include "receiver/ui/ReceiverForms.h"
#include "receiver/ui/TransferReviewForm.h"

namespace ravlin {

TReceiverController::TReceiverController(const TReceiverWindowContext& context, TWindowFrame& frame,
                                         TInfoForm& info, QObject* parent)
    : QObject(parent), ctx_(context), frame_(frame), info_(info) {
    const TTextTable& texts = ctx_.language.Texts();
    QWidget* window = frame_.Window();
    loginForm_ = std::make_unique<TLoginForm>(texts, ctx_.ui, window);
    passwordForm_ = std::make_unique<TChangePasswordForm>(texts, ctx_.ui, window);
    commForm_ = std::make_unique<TCommForm>(texts, ctx_.ui, window);
    commSetupForm_ = std::make_unique<TCommSetupForm>(texts, ctx_.ui, window);
    reviewForm_ = std::make_unique<TTransferReviewForm>(texts, window);

    ctx_.session.passwords = this;
    ctx_.session.closer = this;
    ctx_.session.review = this;
    connect(&ctx_.ui, &TQtUserInterface::progressChanged, this, &TReceiverController::OnProgress,
            Qt::QueuedConnection);
    connect(&ctx_.ui, &TQtUserInterface::progressPhaseChanged, this, &TReceiverController::OnPhase,
            Qt::QueuedConnection);
    connect(commForm_.get(), &TCommForm::cancelRequested, this, [this] { ctx_.session.Cancel(); });

    connect(frame_.Action("MenuLogin"), &QAction::triggered, this,
            &TReceiverController::MenuLoginClick);
    connect(frame_.Action("MenuDownload"), &QAction::triggered, this,
            &TReceiverController::MenuDownloadClick);
    connect(frame_.Action("MenuUpload"), &QAction::triggered, this,
            &TReceiverController::MenuUploadClick);
    connect(frame_.Action("MenuPassChange"), &QAction::triggered, this,
            &TReceiverController::MenuPasswordChangeClick);
    connect(frame_.Action("MenuCommSetup"), &QAction::triggered, this,
            &TReceiverController::MenuCommSetupClick);
    connect(&ctx_.notifications, &TNotifications::languageChanged, this, [this] {
        UpdateLoginCaption();
        if (commSetupForm_->isVisible()) commSetupForm_->ApplyTexts();
    });
    UpdateLoginCaption();
}

TReceiverController::~TReceiverController() {
    ctx_.session.passwords = nullptr;
    ctx_.session.closer = nullptr;
    ctx_.session.review = nullptr;
}

void TReceiverController::UpdateLoginCaption() {
    const bool loggedIn = ctx_.state.LoggedIn;
    const TTextTable& texts = ctx_.language.Texts();
    const QString caption = HasText(texts, Text::MenuLogout)
                                ? L(texts, loggedIn ? Text::MenuLogout : Text::MenuLogin)
                                : QString(loggedIn ? "Logout" : "Login");
    QAction* menu = frame_.Action("MenuLogin");
    QAction* button = frame_.Action("ToolButtonLogin");
    menu->setText(caption);
    button->setText(caption);
    button->setIcon(loggedIn ? GlyphIcon(QString(QChar(0x2190)), QColor(150, 60, 60))
                             : GlyphIcon(QString(QChar(0x2192)), QColor(40, 120, 170)));
    menu->setIcon(button->icon());
}

bool TReceiverController::RunCommand(TSessionCommand command, Text progressText) {
    bool result = false;
    const bool ran = ctx_.busy.Run([&] {
        if (ctx_.session.Busy()) return false;
        frame_.EnableGroup(TCommandGroup::Comm, false);
        ctx_.ui.ClearCancel();
        ctx_.ui.ResetProgress();
        progressText_ = progressText;
        phase_.clear();
        info_.ShowText(L(ctx_.language.Texts(), Text::Communicating));
        // The worker has the job, the link and the receiver; the window thread keeps the
        // record table the views paint until the job is handed back.
        TSessionJob job = ctx_.session.Begin(command);
        workerRunning_ = true;
        result = RunInWorker([&] { return ctx_.session.Run(job); });
        workerRunning_ = false;
        ctx_.session.Commit(job);
        progressText_ = Text::None;
        info_.hide();
        if (commForm_->isVisible()) commForm_->Finish();
        frame_.EnableGroup(TCommandGroup::Comm, true);
        UpdateLoginCaption();
        return true;
    });
    if (!ran) return false;
    emit ctx_.notifications.tableCommitted();
    emit ctx_.notifications.stateChanged();
    emit commandFinished(result);
    return result;
}

void TReceiverController::OnProgress(int percent) {
    // The first progress value of a transfer replaces "Working ..." by the progress window.
    if (progressText_ != Text::None && !commForm_->isVisible()) {
        info_.hide();
        commForm_->Prepare(phase_.isEmpty() ? L(ctx_.language.Texts(), progressText_) : phase_);
        commForm_->show();
    }
    if (commForm_->isVisible()) commForm_->SetPosition(percent);
}

void TReceiverController::OnPhase(const QString& text) {
    if (progressText_ == Text::None) return;
    phase_ = text;
    if (commForm_->isVisible()) commForm_->SetLabel(text);
}

bool TReceiverController::MenuLoginClick() {
    const bool wasLoggedIn = ctx_.state.LoggedIn;
    const bool result = RunCommand(TSessionCommand::LoginToggle, Text::None);
    // After a logout the document's page comes to the front.
    if (wasLoggedIn && !ctx_.state.LoggedIn && ctx_.state.DocumentOpen)
        frame_.ShowPage(TPage::File);
    return result;
}

bool TReceiverController::MenuDownloadClick() {
    const bool result = RunCommand(TSessionCommand::Download, Text::Downloading);
    // Without a document the downloaded records are seen in the Memory view.
    if (result && !ctx_.state.DocumentOpen) frame_.ShowPage(TPage::Memory);
    return result;
}

bool TReceiverController::MenuUploadClick() {
    return RunCommand(TSessionCommand::Upload, Text::Uploading);
}

bool TReceiverController::MenuPasswordChangeClick() {
    return RunCommand(TSessionCommand::ChangePassword, Text::None);
}

void TReceiverController::MenuCommSetupClick() {
    ctx_.busy.Run([&] {
        // On-line mode listens on the link: it stops first and starts again afterwards,
        // both on a worker (the listening worker may be asking the window meanwhile).
        TOnlineSwitch* online = ctx_.state.OnLine ? ctx_.session.online : nullptr;
        if (online)
            RunInWorker([online] {
                online->LeaveOnline();
                return true;
            });
        ctx_.link.Close();
        commSetupForm_->Prepare(ctx_.link.Settings, ListSerialPorts());
        if (commSetupForm_->exec() == QDialog::Accepted) {
            ctx_.link.Settings = commSetupForm_->Result();
            ctx_.link.UpdateConnectionText();
        }
        emit ctx_.notifications.stateChanged();
        if (online)
            RunInWorker([online] {
                online->RestartOnline();
                return true;
            });
        return true;
    });
    emit ctx_.notifications.stateChanged();
}

std::optional<std::string> TReceiverController::AskPassword(const TDevice& device) {
    return OnWindowThread([&]() -> std::optional<std::string> {
        const bool info = info_.isVisible();
        info_.hide();
        loginForm_->Prepare(device.Description, device.Password);
        const bool ok = loginForm_->exec() == QDialog::Accepted;
        if (info && workerRunning_) info_.show();
        if (!ok) return std::nullopt;
        return loginForm_->Typed();
    });
}

std::optional<TPasswordChange> TReceiverController::AskPasswordChange(const TDevice& device) {
    return OnWindowThread([&]() -> std::optional<TPasswordChange> {
        const bool info = info_.isVisible();
        info_.hide();
        passwordForm_->Prepare(device.Description, device.Password);
        const bool ok = passwordForm_->exec() == QDialog::Accepted;
        if (info && workerRunning_) info_.show();
        if (!ok) return std::nullopt;
        return passwordForm_->Change();
    });
}

bool TReceiverController::CloseDocument() {
    // The document lives on the window thread; its Close asks, may save, and rebuilds the
    // views there while the command's worker waits.
    return OnWindowThread([&] { return ctx_.document.Close(); });
}

TUploadChoice TReceiverController::AskUpload(const TUploadComparison& comparison) {
    return OnWindowThread([&]() -> TUploadChoice {
        const bool info = info_.isVisible();
        const bool progress = commForm_->isVisible();
        info_.hide();
        commForm_->hide();
        reviewForm_->PrepareQuestion(comparison);
        reviewForm_->exec();
        const TUploadChoice choice = reviewForm_->Choice();
        if (progress && choice != TUploadChoice::Cancel) commForm_->show();
        if (info && workerRunning_ && !progress) info_.show();
        return choice;
    });
}

void TReceiverController::ReportReadBack(const std::vector<TReadBackDifference>& differences) {
    OnWindowThread([&] {
        commForm_->hide();
        info_.hide();
        reviewForm_->PrepareReport(differences);
        reviewForm_->exec();
        return true;
    });
}

}  // namespace ravlin
