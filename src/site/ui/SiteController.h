#pragma once
// The Site window's commands (Communication menu, Site ...): open a site book, Check,
// Download all, Revoke, Add, Find on its receivers, Cancel, the report and its printing,
// and opening a receiver's data file in the main window's views.
//
// Threads: an operation runs on a worker (RunInWorker) while the window thread keeps
// painting; a timer takes the progress board's snapshot (TSiteProgress) every 100 ms, so
// the worker calls nothing of the window. Cancel reaches the board at once; a receiver
// whose upload has begun finishes it and verifies it.

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "base/Folders.h"
#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Language.h"
#include "site/SiteOperations.h"

namespace ravlin {

class TQtUserInterface;
class TSiteForm;

// Opens a receiver's data file as the File menu's Open does; false when refused.
class TSiteOpener {
  public:
    virtual ~TSiteOpener() = default;
    virtual bool OpenDataFile(const std::string& fileName) = 0;
};

struct TSiteWindowContext {
    const TLanguage& language;
    const TFolders& folders;
    TQtUserInterface& ui;
    TBusyState& busy;
    TSiteOpener& opener;
};

class TSiteController : public QObject {
    Q_OBJECT
  public:
    TSiteController(const TSiteWindowContext& context, TWindowFrame& frame,
                    QObject* parent = nullptr);
    ~TSiteController() override;

    // The menu command: shows the window.
    void MenuSiteClick();
    // Reads a book into the window; false after the message.
    bool OpenBook(const std::string& path);
    // Runs an operation on the book's receivers; true when every receiver succeeded.
    // False when refused (another command runs), after a refused request, or when one failed.
    bool Run(const TSiteRequest& request);
    // The buttons: what they read from the window, then Run.
    bool CheckClick();
    bool DownloadClick();
    bool RevokeClick();
    bool AddClick();
    bool FindClick();
    void CancelClick();
    void PrintClick();
    // The data file of the receiver in `row` opened in the main window.
    bool OpenReceiver(int row);

    // The links' byte time-out and pauses (tests).
    void SetLinkTimingForTests(int byteMs, int pausePercent) {
        linkByteMs_ = byteMs;
        linkPausePercent_ = pausePercent;
    }
    TSiteForm& form() { return *form_; }
    const TSiteReport& LastReport() const { return report_; }
    bool Running() const { return running_; }

  private:
    TSiteEnv Env() const;
    void Poll();
    void ShowBook(const TSiteBook& book);
    void TakeReport(const TSiteReport& report);

    TSiteWindowContext ctx_;
    TWindowFrame& frame_;
    std::unique_ptr<TSiteForm> form_;
    std::string bookPath_;
    QTimer poll_;
    std::unique_ptr<TSiteProgress> progress_;
    std::vector<std::string> runningNames_;
    TSiteOperation runningOperation_ = TSiteOperation::Download;
    TSiteReport report_;
    bool running_ = false;
    int linkByteMs_ = 0, linkPausePercent_ = 100;
};

}  // namespace ravlin
