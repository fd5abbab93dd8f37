#pragma once
// TMonitor: the monitor set-up (messages and the transmitter events that activate and
// deactivate them), its file commands, and the alarm state of monitor mode. No window:
// editors, file dialogs, sounds and messages go through interfaces; pop-up windows, the
// message list and the program's activation are the caller's, driven by the changes the
// reception and deactivation functions return. Everything runs on one (the window)
// thread.

#include <string>
#include <vector>

#include "base/Sounds.h"
#include "base/UserInterface.h"
#include "document/Document.h"
#include "monitoring/AlarmLog.h"
#include "monitoring/MonitorData.h"
#include "monitoring/PopupSlots.h"
#include "records/Data.h"

namespace ravlin {

struct TMonitorChange {
    TAlarmAction action = TAlarmAction::Activate;
    int message = 0;  // index into Messages
    TAlarmCause cause = TAlarmCause::Transmitter;
    bool operator==(const TMonitorChange&) const = default;
};

// The windows that edit the set-up; the desktop program shows its dialogs.
class TMonitorEditors {
  public:
    virtual ~TMonitorEditors() = default;
    // The message editor on `values` (text, colour, size, blink, sound, picture, ...);
    // false when cancelled.
    virtual bool EditMessage(TMonitorData& values) = 0;
    // The event editor on `event`; false when cancelled.
    virtual bool EditEvent(TEvent& event) = 0;
};

// The program around the set-up: the records its events show, and its news. Called on
// the window thread.
class TMonitorHost {
  public:
    virtual ~TMonitorHost() = default;
    // The records of the open document; nullptr while no document is open.
    virtual const TRecordTable* DocumentRecords() const = 0;
    // The set-up changed (or was loaded or saved): refresh the grids, wake the status bar.
    virtual void MonitorChanged() = 0;
};

// Repeats owed at `now` by an alarm active since `activated` with a repeat time of
// `seconds` (0 or less: none): one per full repeat time passed.
int RepeatsDue(std::chrono::steady_clock::time_point activated, int seconds,
               std::chrono::steady_clock::time_point now);
// The active messages whose alarm is due to sound and show again at `now`, in set-up order.
std::vector<int> DueForRepeat(const std::vector<TMonitorData>& messages,
                              std::chrono::steady_clock::time_point now);

class TMonitor {
  public:
    TMonitor(const TTextTable& texts, TUserInterface& ui);

    // ---- the set-up -------------------------------------------------------------------
    std::vector<TMonitorData> Messages;
    std::string FileName;  // empty: none
    bool Saved = true;     // the set-up equals its file
    bool Defined = false;  // a set-up exists (loaded or begun); never cleared
    bool AddToActive = true;
    int TargetMessage = 0;

    // ---- what the program gives it (all optional) ---------------------------------------
    TMonitorEditors* editors = nullptr;
    TSoundPlayer* sound = nullptr;
    TAlarmRecorder* alarmLog = nullptr;
    TMonitorHost* host = nullptr;
    // Everything recorded in the alarm log also goes to these, in order (window thread).
    std::vector<TAlarmListener*> listeners;
    // The trouble of a lost link: the colour index of its row and its sound (settings
    // TroubleColor, TroubleSound, TroubleSoundFile).
    int troubleColor = 4;
    int troubleSound = kSoundAlarm;
    std::string troubleSoundFile;
    // The screen's work area for new pop-up window places.
    TWorkArea workArea;
    // Who clears alarms by hand, for the alarm log.
    std::string operatorName;

    // ---- files ----------------------------------------------------------------------------
    // Start-up: the last monitor file when it exists, then the configured start-up file
    // when that is switched on and exists.
    void Init(const std::string& lastMonitorFile, bool openMonitorFile,
              const std::string& openMonitorPath);
    // Loads FileName.
    bool Load();  // original name: Nacti
    // Loads `fileName`, which becomes FileName when the file is accepted. A file that
    // cannot be read (CannotOpen), has a wrong first line (WrongFormat) or lacks an event line
    // ("Cyhba") leaves the set-up as it was. An accepted file ends the alarms still active
    // (logged as ended by the set-up). The messages keep the numbers the file gives them;
    // a number that is not above 0 or that an earlier message has gets the next free one.
    bool Load(const std::string& fileName);
    // Writes FileName (CannotOpen when it cannot be written); Saved is the caller's.
    bool Save();  // original name: Uloz
    // Asks for a file name and writes it; the name is kept only when written.
    bool SaveAs(TFileChooser& chooser);  // original name: UlozJako
    // "Save all": when Defined, Save (or SaveAs without a file name); Saved := result.
    bool SaveAll(TFileChooser& chooser);
    // The exit question (SaveChanges - Monitoring); true when the program may close.
    bool CloseQuery(TFileChooser& chooser);
    // "Open monitoring ...": while alarms are active, asks whether to end them
    // (kEndAlarmsQuestion); asks to save unsaved changes (SaveBeforeOpen), then opens a
    // chosen file.
    bool OpenMonitoring(TFileChooser& chooser);
    // "Save monitoring as ...".
    bool SaveMonitoringAs(TFileChooser& chooser);

    // ---- editing (outside monitor mode) ---------------------------------------------------
    // Numbers are those the messages grid shows. A message keeps its number for its life:
    // a new one takes the number after the highest, a removal renumbers nothing, so that
    // the alarm log and those following it name the same message by the same number.
    bool AddMessage();                                   // original name: PridejZpravu
    void EditMessages(const std::vector<int>& numbers);  // original name: Edituj
    // An active message removed ends its alarm (logged as removed).
    void RemoveMessages(const std::vector<int>& numbers);  // original name: Odstran
    // The message with `number`, or -1.
    int IndexOfNumber(int number) const;
    // Adds an event to the Active (AddToActive) or Deactive list of TargetMessage; with
    // `edit` the event editor opens on it first. The button digit of an input transmitter
    // (a serial beginning with "A") is kept as its input code text, as receptions are
    // compared. An event left with the serial key 00000 is dropped; one equal in Serial
    // and Buttons to another of its list is refused (DuplicateEvent).
    bool AddEvent(const std::string& serial, const std::string& buttons,
                  bool edit);  // original name: PridejEvent
    void RemoveActive(int message, int event);
    void RemoveDeactive(int message, int event);
    bool EditActive(int message, int event);
    bool EditDeactive(int message, int event);
    // Refills the user information of every event from the open document's records.
    void CommentRefresh();

    // ---- monitor mode ------------------------------------------------------------------------
    // One reception (serial of 7 digits, button digit): activates the inactive messages one
    // of whose Active events matches, then deactivates the active ones one of whose
    // Deactive events matches; each message changes at most once. Returns the changes in
    // the order made. Sounds start, the alarm log gets the changes.
    std::vector<TMonitorChange> OnReception(const std::string& serial,
                                            const std::string& digit);  // original name: Prijem
    std::vector<TMonitorChange> OnReception(const std::string& serial, const std::string& digit,
                                            const TMonitorTime& now);
    // Activates / deactivates one message by itself (false when it did not change).
    bool ActivateMessage(int i, const TMonitorTime& now);  // original name: AktivujZpravu
    bool DeactivateMessage(int i, TAlarmCause cause,
                           const TMonitorTime& now);  // original name: DeaktivujZpravu

    int ActiveCount() const { return activeCount_; }
    // Active messages in list order (row 1 first).
    std::vector<int> RowOrder() const;
    // The message shown in `row` (1-based), or -1.
    int MessageAtRow(int row) const;

    // The message list's marks: "Select All", a press on a row's check box, "Deactivate"
    // and "Exit" (which clears every active message).
    bool SelectAll() const { return selectAll_; }
    void SetSelectAll(bool on);
    void ToggleMark(int row);
    std::vector<TMonitorChange> DeactivateMarked(const TMonitorTime& now);
    // "Deactivate" pressed at another console for the message with `number`: logged with
    // cause Network and that console's operator. None when no such message is active.
    std::vector<TMonitorChange> DeactivateFromNetwork(int number, const std::string& byOperator,
                                                      const TMonitorTime& now);
    // Every active message, logged with `cause` (Exit: leaving monitor mode; End: the end of
    // a monitor run without windows). A trouble still shown ends with the same cause.
    std::vector<TMonitorChange> DeactivateAll(const TMonitorTime& now,
                                              TAlarmCause cause = TAlarmCause::Exit);

    // The link to the receiver: lost (the trouble begins: logged, its sound plays) and
    // back after `outageSeconds` (logged with the outage's length). Nothing happens when
    // it is already in that state.
    void LinkLost(const TMonitorTime& now);
    void LinkRestored(const TMonitorTime& now, double outageSeconds);
    bool Trouble() const { return trouble_; }
    const TDateTime& TroubleSince() const { return troubleSince_; }

    // The blink phase of the message list and the pop-up windows (every 500 ms).
    bool BlinkPhase() const { return blinkPhase_; }
    void ToggleBlink() { blinkPhase_ = !blinkPhase_; }

    // Alarms whose repeat time has passed again: their sound plays again; the caller shows
    // and raises their windows. Returns their indexes.
    std::vector<int> Escalate(const TMonitorTime& now);

    const TWindowSlots& Slots() const { return slots_; }

  private:
    bool Activate(int i, const TMonitorTime& now, const std::string& serial,
                  const std::string& code);
    bool Deactivate(int i, TAlarmCause cause, const TMonitorTime& now,
                    const std::string& serial = {}, const std::string& code = {},
                    const std::string* byOperator = nullptr);
    void ClearTouched();
    void FlushLog();
    void UpdateRepeatingSound();
    // Ends every active alarm with `cause`, logged.
    void EndAlarms(TAlarmCause cause, const TMonitorTime& now);
    void EndTrouble(TAlarmCause cause, const TMonitorTime& now, int outageSeconds = 0);
    void Record(TAlarmEntry entry);
    // Numbers above 0 and each once: a message that lacks one takes the next free.
    void MakeNumbersUnique();
    int NextNumber() const;
    void Changed();
    void Modified();
    bool EditEventAt(std::vector<TEvent>& list, int event);
    bool EditEventOf(std::vector<TEvent>* list, int event);
    std::vector<TEvent>* ListOf(int message, bool active);
    std::vector<TMonitorChange> DeactivateMessages(const std::vector<int>& which, TAlarmCause cause,
                                                   const TMonitorTime& now);

    const TTextTable& texts_;
    TUserInterface& ui_;
    int activeCount_ = 0;
    bool selectAll_ = false;
    bool blinkPhase_ = false;
    bool logFailed_ = false;
    bool trouble_ = false;
    TDateTime troubleSince_;
    TWindowSlots slots_;
    std::vector<TAlarmEntry> pendingLog_;
};

// Asked before another set-up is opened while alarms are active.
inline constexpr const char* kEndAlarmsQuestion =
    "Alarms are active. Opening another monitor set-up ends them. Open it anyway?";

}  // namespace ravlin
