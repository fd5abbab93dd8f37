#pragma once
// The set-up and start windows of the main window: Application set-up (with what
// confirming it does: settings, columns, history, language, and the news to the other
// controllers), About, the welcome window and its commands, the recent-files menu and a
// data file dropped onto the main window.
//
// Window thread only. The commands of other controllers are reached through the main
// window's menu items (TWindowFrame::Action) or TSetupCommands.

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "app/AppSetup.h"
#include "base/Folders.h"
#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"

class QMenu;

namespace ravlin {

class TAboutForm;
class TAppSetupForm;
class TInfoForm;
class TLink;
class TNotifications;
class TQtUserInterface;
class TWelcomeForm;

// Commands of other controllers that the welcome window and the recent files run; called
// on the window thread.
class TSetupCommands {
  public:
    virtual ~TSetupCommands() = default;
    // Opens a named data file as the File menu's Open does; false when refused.
    virtual bool OpenDataFile(const std::string& fileName) = 0;
    // Starts monitoring (after a login), as the start-up option Monitor does.
    virtual void StartMonitor() = 0;
};

struct TSetupContext {
    TAppSetupContext appSetup;  // also the settings, the settings file and the state
    const TFolders& folders;    // Rx.def for About
    const TLink& link;          // its connection text for the welcome window
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
    TInfoForm& info;
    TSetupCommands& commands;
};

class TSetupController : public QObject {
    Q_OBJECT
  public:
    TSetupController(const TSetupContext& context, TWindowFrame& frame, QObject* parent = nullptr);
    ~TSetupController() override;

    // Application ...: false when cancelled or refused (another command runs).
    bool MenuAppSetupClick();
    void MenuAboutClick();
    // The welcome window, not modal (start-up).
    void ShowWelcome();

    // Opens a file of the recent-files menu (or a dropped one); a file that is gone is
    // taken off the list after the message.
    bool OpenRecentFile(const std::string& fileName);
    const std::vector<std::string>& RecentFiles() const { return recent_; }

    TAppSetupForm& appSetupForm() { return *appSetupForm_; }
    TAboutForm& aboutForm() { return *aboutForm_; }
    TWelcomeForm& welcomeForm() { return *welcomeForm_; }
    QMenu* recentMenu() const { return recentMenu_; }
    const TAppSetupResult& LastResult() const { return lastResult_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyTexts();
    void StateChanged();
    void FillRecentMenu();
    void NoteRecentFile(const std::string& fileName);
    void FocusStartWindow();
    // Welcome window buttons.
    void WelcomeNew();
    void WelcomeOpen();
    void WelcomeOpenLast();
    void WelcomeLogin();
    void WelcomeSetup();
    void WelcomeLoginMonitor();
    void WelcomeClosed();

    TSetupContext ctx_;
    TWindowFrame& frame_;
    std::unique_ptr<TAppSetupForm> appSetupForm_;
    std::unique_ptr<TAboutForm> aboutForm_;
    std::unique_ptr<TWelcomeForm> welcomeForm_;
    QMenu* recentMenu_;
    std::vector<std::string> recent_;
    TAppSetupResult lastResult_;
};

// The local *.rvl file among dropped URLs (the first one), or an empty text.
QString DroppedDataFile(const QList<QUrl>& urls);

}  // namespace ravlin
