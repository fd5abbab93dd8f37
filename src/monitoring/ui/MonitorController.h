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
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/Folders.h"
#include "base/IniFile.h"
#include "base/Pages.h"
#include "catalog/FunctionTable.h"
#include "document/AppState.h"
#include "document/Document.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"
#include "monitoring/ui/MonitorAddForm.h"
#include "online/ui/OnlineController.h"
#include "records/Data.h"
#include "views/FileView.h"

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
class TMonitorEditForm;
class TMonitorEventEditForm;
class TQtMonitorEditors;
class TMonitorMessageForm;
class TNotifications;
class TQtSoundPlayer;
class TQtUserInterface;
class TRecordViews;
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
    // The events show the user information of the open document's records, in the user
    // columns the File view shows for the current receiver type, under the user titles.
    const TRecordTable& table;
    const TAppState& state;
    const TIniFile& ini;
    const TFunctionTable& functionTable;
    const TUserTitles& titles;
    TQtUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

// File dialogs of the monitor set-up; a stand-in chooser answers instead (tests).
class TMonitorFileChooser : public TFileChooser {
  public:
    explicit TMonitorFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
    // nullptr: the file windows again.
    void SetStandIn(TFileChooser* standIn) { standIn_ = standIn; }

  private:
    QPointer<QWidget> parent_;
    TFileChooser* standIn_ = nullptr;
};

class TMonitorController : public QObject,
                           private TMonitorHost,
                           private TOnlineMonitoring,
                           private TTransmitterSelection {
    Q_OBJECT
  public:
    // `views`: the Memory and File views the transmitter-adding window takes transmitters
    // from (the history's grid is on-line mode's).
    TMonitorController(const TMonitorContext& context, TWindowFrame& frame,
                       TOnlineController& online, TRecordViews& views, QObject* parent = nullptr);
    ~TMonitorController() override;

    // MenuMonitor (Ctrl+F12): enters monitor mode (on-line first) or leaves it. False when
    // refused or when on-line mode could not be entered.
    bool MenuMonitorClick();
    bool MonitorMode() const override { return monitorMode_; }
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
    // TMonitorHost
    const TRecordTable* DocumentRecords() const override;
    void MonitorChanged() override { Changed(); }
    // TOnlineMonitoring (MonitorMode above)
    bool AddWindowShown() const override;
    // TTransmitterSelection: the selected rows of the page shown when it is one the adding
    // window takes transmitters from, the columns asked now (the File view's layout may
    // have changed since the window opened).
    TTransmitters SelectedTransmitters() const override;

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void KeepWidths(QTableView* grid, std::vector<int>& widths);
    void ApplyWidths(QTableView* grid, const std::vector<int>& widths);
    void ApplyUserColumns();
    void ReadSettings();

    TMonitorContext ctx_;
    TWindowFrame& frame_;
    TOnlineController& online_;
    TRecordViews& views_;
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
    // The grids the adding window takes transmitters from; a double click in one of them
    // runs its OK while it is shown.
    std::map<TPage, QPointer<QTableView>> sources_;
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
