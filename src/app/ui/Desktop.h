#pragma once
// The desktop program: the core objects, the main window and its dialogs, and the
// commands that connect them. Receiver commands run on a worker thread while the
// window thread shows the "Working ..." or the progress window.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "base/ui/QtUserInterface.h"
#include "receiver/Session.h"

namespace ravlin {

struct TCore;
struct TFolders;
class TMainForm;
class TCommForm;
class TInfoForm;
class TLoginForm;
class TChangePassForm;
class TNewForm;
class TCommSetupForm;
class TViewsController;
class TDocument;
class TQtFileChooser;
class TStartup;

struct TStartOptions {
    QString dataDir;   // --data-dir
    QString home;      // --home
    QString dataFile;  // first free argument: a data file to open
};

// Parses --data-dir DIR, --home DIR and an optional data file; unknown options go to
// `error`. Returns false on a usage error.
bool ParseStartOptions(const QStringList& args, TStartOptions& out, QString& error);

class TDesktop : public QObject, public TPasswordSource {
    Q_OBJECT
  public:
    explicit TDesktop(const TStartOptions& options, QObject* parent = nullptr);
    ~TDesktop() override;

    // Creates the main window and shows it; the first showing runs the start-up. False
    // when the start-up ended the program (language or catalogue files missing).
    bool Start();
    // True once the start-up finished (only then are settings saved at exit).
    bool StartComplete() const { return startComplete_; }

    TCore& core() { return *core_; }
    TMainForm& form() { return *form_; }
    TQtUserInterface& ui() { return ui_; }
    TLoginForm& loginForm() { return *loginForm_; }
    TChangePassForm& passForm() { return *passForm_; }
    TCommForm& commForm() { return *commForm_; }
    TInfoForm& infoForm() { return *infoForm_; }
    TNewForm& newForm() { return *newForm_; }
    TCommSetupForm& commSetupForm() { return *commSetupForm_; }
    TDocument& document() { return *document_; }
    TQtFileChooser& chooser() { return *chooser_; }
    TViewsController& views() { return *views_; }

    // The menu commands.
    bool MenuLoginClick();
    bool MenuDownloadClick();
    bool MenuUploadClick();
    bool MenuPassChangeClick();
    void MenuCommSetupClick();
    bool MenuNewClick();
    bool MenuOpenClick();
    bool MenuSaveClick();
    bool MenuSaveAsClick();
    bool MenuCloseClick();
    bool MenuOpenBackupClick();
    bool MenuImportClick();

    // Rebuilds both views from the record table.
    void RefreshViews();
    // Schedules one status update; several wakes before it runs give one update.
    void WakeStatus();
    // The update itself (panels, '*' marks, record commands).
    void UpdateStatus();

    // TPasswordSource: the login and password windows, shown on the window thread.
    std::optional<std::string> AskPassword(const TDevice& device) override;
    std::optional<TPasswordChange> AskPasswordChange(const TDevice& device) override;

  signals:
    // A receiver command ended (tests wait for it).
    void commandFinished(bool result);

  private:
    // Runs a receiver command on the worker; `progressText` is the label of the progress
    // window (0: the command shows none).
    bool RunReceiverCommand(const std::function<bool()>& command, int progressText);
    void OnProgress(int percent);
    bool RunDocumentCommand(const std::function<bool()>& command);
    void FirstShow();
    void FirstActivation();
    void ApplyWindowSettings();
    void CloseQuery(bool& accept);
    void Closing();
    template <typename T>
    T OnWindowThread(const std::function<T()>& fn);

    TStartOptions options_;
    TQtUserInterface ui_;
    std::unique_ptr<TCore> core_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<TCommForm> commForm_;
    std::unique_ptr<TCommSetupForm> commSetupForm_;
    std::unique_ptr<TLoginForm> loginForm_;
    std::unique_ptr<TChangePassForm> passForm_;
    std::unique_ptr<TInfoForm> infoForm_;
    std::unique_ptr<TNewForm> newForm_;
    std::unique_ptr<TQtFileChooser> chooser_;
    std::unique_ptr<TDocument> document_;
    std::unique_ptr<TViewsController> views_;
    std::unique_ptr<TStartup> startup_;
    int progressText_ = 0;
    bool startComplete_ = false;
    bool startFailed_ = false;
    bool startedWithFile_ = false;
    bool statusPending_ = false;
    bool running_ = false;
};

}  // namespace ravlin
