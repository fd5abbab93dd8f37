#pragma once
// Monitor mode in the main window: Ctrl+F12 enters it on top of on-line mode (which it
// starts when needed) and leaves it again; every poll's reception runs the monitor's
// Prijem; the message panel with its list, "Select All", "Deactive" and "Exit"; the
// pop-up windows, blinking, sounds and bringing the window to the front; the monitor
// set-up's file commands and its start-up and exit steps.

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/Folders.h"
#include "document/Document.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"

class QCheckBox;
class QLineEdit;
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
};

struct TMonitorContext {
    const PopisType& texts;
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
    TEventGridModel* activeModel_ = nullptr;
    TEventGridModel* deactiveModel_ = nullptr;
    QTimer blink_;
    std::map<int, QPointer<TMonitorMessageForm>> popups_;
    bool monitorMode_ = false;
    bool onlineBefore_ = false;
    bool toolBarWasVisible_ = true, pagesWereVisible_ = true, panelWasVisible_ = false;
};

}  // namespace ravlin
