#pragma once
// The main window: menus, tool bar, the five pages, the on-line panel and the status
// bar. Commands call the core; receiver work runs on a worker thread while this
// window stays responsive.

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <array>
#include <functional>
#include <memory>

#include "base/UserInterface.h"

namespace ravlin {

class TQtUserInterface;
class TGridModel;
class TCommForm;
class TInfoForm;
class TLoginForm;
class TChangePassForm;
class TNewForm;
class TCommSetupForm;

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    enum Page { MemoryPage = 0, UserPage = 1, HistoryPage = 2, BatteryPage = 3, MonitorPage = 4 };

    TMainForm(const PopisType& texts, TQtUserInterface& ui, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Menu captions, tool-bar hints and page captions from the language table.
    void ApplyTexts(bool loggedIn, bool online);

    // Communication commands: disabled while a receiver operation runs.
    void DisableCommCommands();
    void EnableCommCommands();
    bool CommCommandsEnabled() const;
    void SetRecordCommandsEnabled(bool on);
    // Login item and button show Login or Logout.
    void SetLoginCaption(bool loggedIn);

    // Status bar panels 0..4 and the '*' marks of the page captions.
    void SetPanel(int index, const QString& text);
    QString Panel(int index) const;
    void SetPageMark(int page, bool mark);

    // Runs `job` on a worker thread; this thread keeps its events going (windows repaint,
    // prompts from the worker are answered) until the job ends. Returns the job's result.
    bool RunInWorker(const std::function<bool()>& job);

    QTabWidget* pages() const { return pages_; }
    QTableView* memoryGrid() const { return memoryGrid_; }
    QTableView* fileGrid() const { return fileGrid_; }
    TGridModel* memoryModel() const { return memoryModel_; }
    TGridModel* fileModel() const { return fileModel_; }
    QWidget* onlinePanel() const { return onlinePanel_; }
    QWidget* page(int index) const { return pageWidgets_[index]; }
    QToolBar* toolBar() const { return toolBar_; }

    // Menu items by their names (MenuNew, MenuLogin, ...); tool buttons share them.
    QAction* MenuNew;
    QAction* MenuOpen;
    QAction* MenuOpenMonitor;
    QAction* MenuSave;
    QAction* MenuSaveAs;
    QAction* MenuSaveMonitorAs;
    QAction* MenuClose;
    QAction* MenuExport;
    QAction* MenuImport;
    QAction* MenuOpenBackup;
    QAction* MenuPrint;
    QAction* MenuExit;
    QAction* MenuAdd;
    QAction* MenuEdit;
    QAction* MenuDelete;
    QAction* MenuFind;
    QAction* MenuFindNext;
    QAction* MenuCut;
    QAction* MenuCopy;
    QAction* MenuPaste;
    QAction* MenuUpload;
    QAction* MenuDownload;
    QAction* MenuLogin;
    QAction* MenuPassChange;
    QAction* MenuOnline;
    QAction* MenuMonitor;
    QAction* MenuAppSetup;
    QAction* MenuCommSetup;
    QAction* MenuAbout;
    // Tool-bar entries that differ from their menu items only in the picture.
    QAction* ToolButtonLogin;

  signals:
    // Asked before the window closes; set `accept` false to keep it open.
    void closeQuery(bool& accept);
    void closing();
    void firstShown();
    void pageChanged(int page);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void BuildStatusBar();
    QAction* Action(const char* name, const QString& caption, QKeySequence key = {});

    const PopisType& texts_;
    TQtUserInterface& ui_;
    QMenu *fileMenu_, *editMenu_, *commMenu_, *setupMenu_, *helpMenu_;
    QToolBar* toolBar_;
    QTabWidget* pages_;
    std::array<QWidget*, 5> pageWidgets_{};
    std::array<QString, 5> pageCaptions_;
    std::array<bool, 5> pageMarks_{};
    QTableView* memoryGrid_;
    QTableView* fileGrid_;
    TGridModel* memoryModel_;
    TGridModel* fileModel_;
    QWidget* onlinePanel_;
    std::array<QLabel*, 5> panels_{};
    QList<QAction*> commActions_;
    QAction* onlineSep_ = nullptr;
    QAction* monitorSep_ = nullptr;
    bool shown_ = false;
    bool loggedIn_ = false;
};

// The program's icon, drawn once.
QIcon RavlinIcon();

}  // namespace ravlin
