#pragma once
// Monitor mode in the main window: Ctrl+F12 enters it on top of on-line mode (which it
// starts when needed) and leaves it again; every poll's reception runs the monitor's
// OnReception; the message panel with its list, "Select All", "Deactive" and "Exit"; the
// pop-up windows, blinking, sounds and bringing the window to the front; the monitor
// set-up's file commands and its start-up and exit steps.

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/Folders.h"
#include "base/Pages.h"
#include "document/Document.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QWidget;

namespace ravlin {

class TBusyState;
class TEventGridModel;
class TMessageListModel;
class TMessagesGridModel;
class TMonitorAddForm;
class TMonitorEditForm;
class TMonitorEventEditForm;
class TQtMonitorEditors;
class TMonitorMessageForm;
class TNotifications;
class TOnlineController;
class TQtSoundPlayer;
class TQtUserInterface;
class TSoundPlayer;
class TWindowFrame;
struct TReception;

// The settings monitor mode reads and changes.
struct TMonitorSettingsRef {
    std::string& MonitorFont;
    bool& SoundCard;
    bool& SoundSpeaker;
    std::string& LastMonitorFile;
    int& MonitorSortCol;
    bool& MonitorSortUp;
    std::string& Operator;
    // Column widths of the messages grid, the event grids and the message list.
    std::vector<int>& MonitorGrid;
    std::vector<int>& ActiveGrid;
    std::vector<int>& DeactiveGrid;
    std::vector<int>& MessageGrid;
};

struct TMonitorContext {
    const TTextTable& texts;
    const TFolders& folders;
    TMonitorSettingsRef settings;
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

// File dialogs of the monitor set-up; a responder answers instead of a dialog (tests).
class TMonitorFileChooser : public TFileChooser {
  public:
    explicit TMonitorFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
    std::function<std::optional<std::string>(bool save, const TFileDialog&)> responder;

  private:
    std::optional<std::string> Run(bool save, const TFileDialog& dialog);
    QPointer<QWidget> parent_;
};

class TMonitorController : public QObject {
    Q_OBJECT
  public:
    TMonitorController(const TMonitorContext& context, TWindowFrame& frame,
                       TOnlineController& online, QObject* parent = nullptr);
    ~TMonitorController() override;

    // MenuMonitor (Ctrl+F12): enters monitor mode (on-line first) or leaves it. False when
    // refused or when on-line mode could not be entered.
    bool MenuMonitorClick();
    bool MonitorMode() const { return monitorMode_; }
    // The message panel's buttons.
    void SelectAllClick(bool on);
    void DeactiveClick();
    void ExitClick();
    // A press in the check box column of a list row (1-based).
    void MarkRow(int row);
    // One reception of a poll in monitor mode.
    void TakeReception(const TReception& r);

    // The start-up and exit steps: the last set-up read, a start-up file, the start-up
    // option Monitor, the exit question (false keeps the program open).
    void InitMonitor();
    bool OpenMonitorFile(const std::string& fileName);
    void StartMonitor();
    bool CloseQuery();

    void ApplyTexts();

    TMonitor& monitor() { return monitor_; }
    TMonitorFileChooser& chooser() { return chooser_; }
    TMessageListModel* listModel() const { return listModel_; }
    // The Monitoring page: the messages grid and the events of the selected message.
    TMessagesGridModel* messagesModel() const { return messagesModel_; }
    QTableView* messagesGrid() const { return messagesGrid_; }
    TEventGridModel* activeModel() const { return activeModel_; }
    TEventGridModel* deactiveModel() const { return deactiveModel_; }
    TMonitorEditForm& messageEditor() { return *messageForm_; }
    TMonitorEventEditForm& eventEditor() { return *eventForm_; }
    // The page's commands on the messages chosen in the grid.
    void AddMessageClick();
    void EditMessagesClick();
    void RemoveMessagesClick();
    void ShowMonitoringPage();
    QTableView* messageGrid() const { return grid_; }
    QWidget* messagesPanel() const { return panel_; }
    QCheckBox* selectAllBox() const { return selectAll_; }
    QPushButton* deactiveButton() const { return deactive_; }
    QPushButton* exitButton() const { return exit_; }
    // Who clears alarms by hand, for the alarm log.
    QLineEdit* operatorEdit() const { return operator_; }
    // The events of the message chosen in the messages grid: Add opens the menu of sources
    // (a serial number, the Memory view, the File view, the history), Edit and Remove act on
    // the event grid's current row.
    void AddEventClick(bool active);
    void EditEventClick(bool active);
    void RemoveEventClick(bool active);
    // The Add menu's items.
    void AddSerialNumberClick();
    void AddFromPageClick(TPage page);
    QMenu* addPopupMenu() const { return addMenu_; }
    TMonitorAddForm* addForm() const { return addForm_; }
    QTableView* activeGrid() const { return activeGrid_; }
    QTableView* deactiveGrid() const { return deactiveGrid_; }

    // Where the transmitter-adding window takes transmitters from: the grid of the Memory
    // view, the File view and the history, and the columns of the transmitter code and
    // the button in each (asked when OK runs, as the File view's layout may change). A
    // double click in one of these grids runs OK while the window is shown.
    struct TTransmitterSource {
        QPointer<QTableView> grid;
        std::function<std::pair<int, int>()> columns;  // code, button; -1: none
        std::function<bool()> available;               // the view exists; unset: always
    };
    void SetTransmitterSource(TPage page, TTransmitterSource source);
    // The user information columns the event grids show (user number, User 1..4 as the
    // receiver's layout shows them); unset: all five under their default titles.
    std::function<std::vector<TUserColumn>()> userColumns;
    // The titles of the user number and User 1..4 (the event editor's labels); unset: the
    // defaults.
    std::function<std::array<std::string, 5>()> userTitles;
    // The user information, the receiver or the layout changed: comments and columns follow.
    void UserInfoChanged();
    // The application set-up changed settings: the font of message texts and the grids.
    void SettingsChanged();

    // The pop-up window of a message, or nullptr.
    TMonitorMessageForm* PopupOf(int message) const;
    // Sound output instead of the program's own (tests).
    void SetSoundPlayer(TSoundPlayer* player);

  signals:
    void monitorModeChanged(bool on);

  private:
    void Enter();
    void Leave();
    void SetWindowForMonitor(bool monitor);
    void Apply(const std::vector<TMonitorChange>& changes);
    void Refresh();
    void Blink();
    void ShowPopup(int message);
    void ClosePopup(int message);
    void RaisePopups();
    void BringToFront();
    void OpenClick();
    void SaveAsClick();
    void SaveAll();
    void Changed();
    void BuildPage();
    std::vector<int> ChosenNumbers() const;
    void ShowEventsOfCurrent();
    int CurrentNumber() const;
    // The event of the current row of the Active or Deactive grid; -1 for none.
    int CurrentEvent(bool active) const;
    void SelectedTransmitters(std::vector<std::pair<std::string, std::string>>& out) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void KeepWidths(QTableView* grid, std::vector<int>& widths);
    void ApplyWidths(QTableView* grid, const std::vector<int>& widths);
    void ApplyUserColumns();
    void ReadSettings();

    TMonitorContext ctx_;
    TWindowFrame& frame_;
    TOnlineController& online_;
    TMonitor monitor_;
    TMonitorFileChooser chooser_;
    std::unique_ptr<TAlarmLogWriter> log_;
    std::unique_ptr<TQtSoundPlayer> sounds_;
    TMessageListModel* listModel_ = nullptr;
    QWidget* panel_ = nullptr;
    QTableView* grid_ = nullptr;
    QCheckBox* selectAll_ = nullptr;
    QPushButton* deactive_ = nullptr;
    QPushButton* exit_ = nullptr;
    QLineEdit* operator_ = nullptr;
    std::unique_ptr<TMonitorEditForm> messageForm_;
    std::unique_ptr<TMonitorEventEditForm> eventForm_;
    std::unique_ptr<TQtMonitorEditors> editors_;
    TMonitorSort sort_;
    TMessagesGridModel* messagesModel_ = nullptr;
    QTableView* messagesGrid_ = nullptr;
    QTableView* activeGrid_ = nullptr;
    QTableView* deactiveGrid_ = nullptr;
    QGroupBox* activeGroup_ = nullptr;
    QGroupBox* deactiveGroup_ = nullptr;
    std::vector<QPushButton*> eventButtons_;  // Add, Edit, Remove of Active, then Deactive
    std::vector<QPushButton*> messageButtons_;
    QMenu* addMenu_ = nullptr;
    TMonitorAddForm* addForm_ = nullptr;
    TPage addPage_ = TPage::Monitoring;
    std::map<TPage, TTransmitterSource> sources_;
    bool applyingWidths_ = false;
    std::vector<QPointer<QAction>> disabled_;  // what monitor mode switched off
    TEventGridModel* activeModel_ = nullptr;
    TEventGridModel* deactiveModel_ = nullptr;
    QTimer blink_;
    std::map<int, QPointer<TMonitorMessageForm>> popups_;
    bool monitorMode_ = false;
    bool onlineBefore_ = false;
    bool toolBarWasVisible_ = true, pagesWereVisible_ = true, panelWasVisible_ = false;
};

}  // namespace ravlin
