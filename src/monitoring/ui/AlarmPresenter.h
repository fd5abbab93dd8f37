#pragma once
// Monitor mode's alarms as the operator sees and clears them: the message panel that fills
// the main window (the message list with its check marks, "Select All", "Deactive", the
// operator's name and "Exit"), the trouble row of a lost link at the top of the list, the
// pop-up windows, blinking, the escalation of alarms left standing, the sounds and the
// window brought to the front. The alarm state itself is the monitor's (TMonitor); this
// shows it and passes the operator's actions on. Window thread only.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "monitoring/Monitor.h"
#include "monitoring/ui/MonitorContext.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace ravlin {

class TMessageListModel;
class TMonitorMessageForm;
class TQtSoundPlayer;
class TSoundPlayer;
class TWindowFrame;
struct TReception;

class TAlarmPresenter : public QObject {
    Q_OBJECT
  public:
    // The panel goes into the frame's monitor layout (TWindowFrame::MonitorPanel).
    TAlarmPresenter(const TMonitorContext& context, TMonitor& monitor, TWindowFrame& frame,
                    QObject* parent = nullptr);
    ~TAlarmPresenter() override;

    // Monitor mode begins and ends: the blinking and the escalation run meanwhile.
    void Start();
    void Stop();
    // One reception of a poll.
    void TakeReception(const TReception& r);
    // The link to the receiver is lost, and back after `seconds`.
    void LinkLost();
    void LinkRestored(double seconds);
    // The alarm state changed outside a reception (a set-up loaded, a message removed):
    // the list and the pop-up windows follow it.
    void Refresh();
    // Alarm changes made outside a reception that may open pop-up windows (an alarm
    // reported by another console): as a reception's would show.
    void Show(const std::vector<TMonitorChange>& changes);
    // Whether the message panel is shown in the monitor layout (two presenters share it).
    void ShowPanel(bool on);
    QWidget* panel() const { return panel_; }
    // Where Deactivate and Exit send the messages to clear (indexes in row order) instead of
    // clearing them here: a console without a receiver asks the receiver's monitor, and
    // the rows go when that monitor reports them cleared. Empty: cleared here. False: not
    // sent (Exit then stays).
    std::function<bool(const std::vector<int>& messages)> clearRequest;

    void ApplyTexts();
    // The operator's name, the trouble's look and sound, the font (settings read again).
    void ReadSettings();
    // The sound output of monitor mode (the message editor's Play too).
    TSoundPlayer& Sounds();
    // Sound output instead of the program's own (tests); nullptr: the program's again.
    void SetSoundPlayer(TSoundPlayer* player);

  signals:
    // "Exit": every alarm was cleared; monitor mode is to end.
    void exitClicked();

  private:
    void Build();
    void Apply(const std::vector<TMonitorChange>& changes);
    void RefreshList();
    void Blink();
    void ShowPopup(int message);
    // Every pop-up window whose message is gone or no longer active closes.
    void ClosePopups();
    void RaisePopups();
    void BringToFront();
    TMonitorMessageForm* PopupOf(int message) const;
    // A press in the check box column of a list row (0-based).
    void MarkRow(int row);
    void SelectAllClick(bool on);
    void DeactiveClick();
    void ExitClick();
    void UncheckSelectAll();
    // The marked active messages (every active one with `all`) in row order.
    std::vector<int> Marked(bool all) const;
    void ClearMarks();

    TMonitorContext ctx_;
    TMonitor& monitor_;
    TWindowFrame& frame_;
    std::unique_ptr<TQtSoundPlayer> sounds_;
    TMessageListModel* listModel_ = nullptr;
    QWidget* panel_ = nullptr;
    QTableView* grid_ = nullptr;
    QCheckBox* selectAll_ = nullptr;
    QPushButton* deactive_ = nullptr;
    QPushButton* exit_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QTimer blink_;
    bool fitting_ = false;  // the text column widened for the trouble row
    // The pop-up windows by the number of their message (numbers stay when messages go).
    std::map<int, QPointer<TMonitorMessageForm>> popups_;
};

}  // namespace ravlin
