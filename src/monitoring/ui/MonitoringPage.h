#pragma once
// The Monitoring page, where the user builds the monitor set-up: the messages grid (sorted
// by a header press, Add, Edit and Remove, also by F5, F6 and F7 while the page is shown),
// the Active and Deactive event grids of the message chosen there with their Add menu
// (a serial number, the Memory view, the File view, the history) and Edit and Remove, the
// message and event editors, the transmitter-adding window, and the grids' column widths
// (kept in the settings as the user sizes them). Window thread only.

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <vector>

#include "base/Pages.h"
#include "monitoring/Monitor.h"
#include "monitoring/MonitorView.h"
#include "monitoring/ui/MonitorAddForm.h"
#include "monitoring/ui/MonitorContext.h"

class QGroupBox;
class QMenu;
class QPushButton;
class QTableView;

namespace ravlin {

class TEventGridModel;
class TMessagesGridModel;
class TMonitorEditForm;
class TMonitorEventEditForm;
class TOnlineController;
class TQtMonitorEditors;
class TRecordViews;
class TSoundPlayer;
class TWindowFrame;

class TMonitoringPage : public QObject, private TTransmitterSelection {
    Q_OBJECT
  public:
    // `sounds`: the message editor's Play; `files`: its file dialogs; `views` and
    // `online`: the Memory and File views and the history the adding window takes
    // transmitters from. The page becomes the monitor's editors.
    TMonitoringPage(const TMonitorContext& context, TMonitor& monitor, TSoundPlayer& sounds,
                    TFileChooser& files, TWindowFrame& frame, TOnlineController& online,
                    TRecordViews& views, QObject* parent = nullptr);
    ~TMonitoringPage() override;

    // Monitor mode changes alarms, not the set-up: the page's commands do nothing meanwhile.
    void SetLocked(bool locked) { locked_ = locked; }
    // The set-up changed: the grids show it, the chosen message stays chosen.
    void Refresh();
    void ApplyTexts();
    // The sort and the widths of the settings (after the settings file was read).
    void ReadSettings();
    // The user information or the receiver's layout changed: the user columns follow.
    void ApplyUserColumns();
    bool AddWindowShown() const;

  private:
    // TTransmitterSelection: the selected rows of the page shown when it is one the adding
    // window takes transmitters from, the columns asked now (the File view's layout may
    // have changed since the window opened).
    TTransmitters SelectedTransmitters() const override;

    void Build();
    void ShowPage();
    void AddMessageClick();
    void EditMessagesClick();
    void RemoveMessagesClick();
    // The events of the chosen message: Add opens the menu of sources, Edit and Remove act
    // on the event grid's current row.
    void AddEventClick(bool active);
    void EditEventClick(bool active);
    void RemoveEventClick(bool active);
    void AddSerialNumberClick();
    void AddFromPageClick(TPage page);
    // The numbers of the messages of the grid's selected rows (the current row without a
    // selection).
    std::vector<int> ChosenNumbers() const;
    void ShowEventsOfCurrent();
    // The message of the grid's current row, or -1.
    int CurrentMessage() const;
    // The event of the current row of the Active or Deactive grid; -1 for none.
    int CurrentEvent(bool active) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void KeepWidths(QTableView* grid, std::vector<int>& widths);
    void ApplyWidths(QTableView* grid, const std::vector<int>& widths);

    TMonitorContext ctx_;
    TMonitor& monitor_;
    TWindowFrame& frame_;
    TOnlineController& online_;
    TRecordViews& views_;
    bool locked_ = false;
    std::unique_ptr<TMonitorEditForm> messageForm_;
    std::unique_ptr<TMonitorEventEditForm> eventForm_;
    std::unique_ptr<TQtMonitorEditors> editors_;
    TMonitorSort sort_;
    TMessagesGridModel* messagesModel_ = nullptr;
    QTableView* messagesGrid_ = nullptr;
    TEventGridModel* activeModel_ = nullptr;
    TEventGridModel* deactiveModel_ = nullptr;
    QTableView* activeGrid_ = nullptr;
    QTableView* deactiveGrid_ = nullptr;
    QGroupBox* activeGroup_ = nullptr;
    QGroupBox* deactiveGroup_ = nullptr;
    std::vector<QPushButton*> eventButtons_;  // Add, Edit, Remove of Active, then Deactive
    std::vector<QPushButton*> messageButtons_;
    QMenu* addMenu_ = nullptr;
    QPointer<TMonitorAddForm> addForm_;
    TPage addPage_ = TPage::Monitoring;
    // The grids the adding window takes transmitters from; a double click in one of them
    // runs its OK while it is shown.
    std::map<TPage, QPointer<QTableView>> sources_;
    bool applyingWidths_ = false;
};

}  // namespace ravlin
