#pragma once
// The receiver commands of the main window: Login/Logout, Download, Upload, Password
// change and the communication set-up, with their windows (login, password change,
// progress, communication set-up).
//
// Threads: a command runs on a worker (TSession::Run on its job) while the window thread
// shows "Working ..." or the progress window and answers the worker's questions; the
// job's result is committed on the window thread, then the views rebuild
// (TNotifications::tableCommitted). The password windows and the document's Close are
// carried from the worker to the window thread (OnWindowThread).

#include <QObject>
#include <memory>
#include <optional>

#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "document/Document.h"
#include "receiver/Session.h"

namespace ravlin {

class TChangePasswordForm;
class TCommForm;
class TCommSetupForm;
class TInfoForm;
class TLink;
class TLoginForm;
class TTransferReviewForm;
class TNotifications;
class TQtUserInterface;

// What the receiver commands use beyond the session.
struct TReceiverWindowContext {
    TSession& session;
    TLink& link;          // the communication set-up (only while no command runs)
    TDocument& document;  // Close, when the user logs in beside another type's document
    const TAppState& state;
    const TLanguage& language;  // texts
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

class TReceiverController : public QObject,
                            public TPasswordSource,
                            public TDocumentCloser,
                            public TTransferReview {
    Q_OBJECT
  public:
    TReceiverController(const TReceiverWindowContext& context, TWindowFrame& frame, TInfoForm& info,
                        QObject* parent = nullptr);
    ~TReceiverController() override;

    // The menu commands; false when refused (another command runs) or failed.
    bool MenuLoginClick();
    bool MenuDownloadClick();
    bool MenuUploadClick();
    bool MenuPasswordChangeClick();
    void MenuCommSetupClick();

    // Login item and button show Login or Logout (Text::MenuLogin, MenuLogout).
    void UpdateLoginCaption();

    // TPasswordSource: the login and password windows, shown on the window thread.
    std::optional<std::string> AskPassword(const TDevice& device) override;
    std::optional<TPasswordChange> AskPasswordChange(const TDevice& device) override;
    // TDocumentCloser: the document's Close on the window thread.
    bool CloseDocument() override;
    // TTransferReview: the upload question with the comparison and the read-back report,
    // shown on the window thread.
    TUploadChoice AskUpload(const TUploadComparison& comparison) override;
    void ReportReadBack(const std::vector<TReadBackDifference>& differences) override;

    TLoginForm& loginForm() { return *loginForm_; }
    TChangePasswordForm& passwordForm() { return *passwordForm_; }
    TCommForm& commForm() { return *commForm_; }
    TCommSetupForm& commSetupForm() { return *commSetupForm_; }
    TTransferReviewForm& reviewForm() { return *reviewForm_; }

  signals:
    // A receiver command ended (tests wait for it).
    void commandFinished(bool result);

  private:
    // Runs a receiver command on the worker; `progressText` is the label of the progress
    // window (Text::None: the command shows none).
    bool RunCommand(TSessionCommand command, Text progressText);
    void OnProgress(int percent);
    void OnPhase(const QString& text);

    TReceiverWindowContext ctx_;
    TWindowFrame& frame_;
    TInfoForm& info_;
    std::unique_ptr<TLoginForm> loginForm_;
    std::unique_ptr<TChangePasswordForm> passwordForm_;
    std::unique_ptr<TCommForm> commForm_;
    std::unique_ptr<TCommSetupForm> commSetupForm_;
    std::unique_ptr<TTransferReviewForm> reviewForm_;
    Text progressText_ = Text::None;
    QString phase_;  // the running transfer's phase, the progress window's label
    // A command's worker runs: the password windows bring "Working ..." back after them.
    bool workerRunning_ = false;
};

}  // namespace ravlin
