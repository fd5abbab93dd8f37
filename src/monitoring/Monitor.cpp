#include "monitoring/Monitor.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/AtomicFile.h"
#include "monitoring/MonitorFile.h"

namespace ravlin {

namespace {

// The loader's own text for a message line without its event lines.
constexpr const char* kTextMissingEventLine = "Cyhba";

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

int RepeatsDue(std::chrono::steady_clock::time_point activated, int seconds,
               std::chrono::steady_clock::time_point now) {
    if (seconds <= 0 || now <= activated) return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - activated);
    return static_cast<int>(std::min<long long>(elapsed.count() / seconds, 1 << 30));
}

std::vector<int> DueForRepeat(const std::vector<TMonitorData>& messages,
                              std::chrono::steady_clock::time_point now) {
    std::vector<int> due;
    for (size_t i = 0; i < messages.size(); ++i) {
        const TMonitorData& m = messages[i];
        if (m.IsActive() && RepeatsDue(m.ActivatedTick, m.RepeatTime, now) > m.Repeats)
            due.push_back(static_cast<int>(i));
    }
    return due;
}

TMonitor::TMonitor(const TTextTable& texts, TUserInterface& ui) : texts_(texts), ui_(ui) {}

void TMonitor::Changed() {
    if (host) host->MonitorChanged();
}

void TMonitor::Modified() {
    Saved = false;
    Changed();
}

int TMonitor::NextNumber() const {
    int highest = 0;
    for (const auto& m : Messages) highest = std::max(highest, m.Number);
    return highest + 1;
}

void TMonitor::MakeNumbersUnique() {
    std::set<int> seen;
    std::vector<size_t> lacking;
    for (size_t i = 0; i < Messages.size(); ++i)
        if (Messages[i].Number <= 0 || !seen.insert(Messages[i].Number).second)
            lacking.push_back(i);
    for (size_t i : lacking) Messages[i].Number = NextNumber();
}

int TMonitor::IndexOfNumber(int number) const {
    for (size_t i = 0; i < Messages.size(); ++i)
        if (Messages[i].Number == number) return static_cast<int>(i);
    return -1;
}

// ---- files -------------------------------------------------------------------------------

void TMonitor::Init(const std::string& lastMonitorFile, bool openMonitorFile,
                    const std::string& openMonitorPath) {
    FileName = lastMonitorFile;
    if (FileExists(FileName))
        Load();
    else
        Changed();
    if (openMonitorFile && FileExists(openMonitorPath)) Load(openMonitorPath);
}

bool TMonitor::Load() {
    return Load(FileName);
}

bool TMonitor::Load(const std::string& fileName) {
    std::string content;
    if (const int error = ReadWholeFile(fileName, content, kMonitorFileMaxBytes)) {
        ui_.Error(TMessage::Lang(texts_, Text::CannotOpen,
                                 " - " + fileName + RefusalText(error, kMonitorFileMaxBytes)));
        return false;
    }
    TMonitorFileContent file = ParseMonitorFile(content);
    content = {};
    if (file.status == TMonitorFileStatus::WrongHeader) {
        ui_.Error(TMessage::Lang(texts_, Text::WrongFormat, " - " + fileName));
        return false;
    }
    if (file.status == TMonitorFileStatus::TooManyMessages ||
        file.status == TMonitorFileStatus::TooManyEvents) {
        const bool messages = file.status == TMonitorFileStatus::TooManyMessages;
        ui_.Error(TMessage::Lang(
            texts_, Text::WrongFormat,
            " - " + fileName + ": more than " +
                std::to_string(messages ? kMonitorFileMaxMessages : kMonitorFileMaxEvents) +
                (messages ? " messages" : " events")));
        return false;
    }
    if (file.status == TMonitorFileStatus::MissingEventLine) {
        ui_.Error(TMessage::Fixed(kTextMissingEventLine));
        return false;
    }
    EndAlarms(TAlarmCause::SetUp, TMonitorTime::Now());
    Messages = std::move(file.messages);
    MakeNumbersUnique();
    TargetMessage = 0;
    FileName = fileName;
    Defined = true;
    Saved = true;
    CommentRefresh();
    return true;
}

bool TMonitor::Save() {
    if (int err = WriteFileAtomically(FileName, FormatMonitorFile(Messages)); err != 0) {
        ui_.Error(TMessage::Lang(texts_, Text::CannotOpen, " - " + FileName));
        return false;
    }
    return true;
}

bool TMonitor::SaveAs(TFileChooser& chooser) {
    TFileDialog d;
    d.filter = kMonitorFileFilter;
    d.fileName = FileName;
    d.defaultExtension = kMonitorFileExtension;
    d.confirmOverwrite = true;
    std::optional<std::string> file = chooser.SaveFile(d);
    if (!file) return false;
    const std::string before = FileName;
    FileName = WithDefaultExtension(*file, kMonitorFileExtension);
    if (Save()) return true;
    FileName = before;
    return false;
}

bool TMonitor::SaveAll(TFileChooser& chooser) {
    if (!Defined) return true;
    const bool ok = FileName.empty() ? SaveAs(chooser) : Save();
    Saved = ok;
    Changed();
    return ok;
}

bool TMonitor::CloseQuery(TFileChooser& chooser) {
    if (!Defined || Saved) return true;
    const std::string suffix = " - " + TextAt(texts_, Text::Monitoring);
    switch (ui_.Ask(TMessage::Lang(texts_, Text::SaveChanges, suffix), TButtons::YesNoCancel)) {
        case TAnswer::Cancel:
            return false;
        case TAnswer::No:
            return true;
        case TAnswer::Yes:
            return SaveAll(chooser);
    }
    return false;
}

bool TMonitor::OpenMonitoring(TFileChooser& chooser) {
    if (activeCount_ > 0 &&
        ui_.Ask(TMessage::Fixed(kEndAlarmsQuestion), TButtons::YesNo, TAnswer::No) != TAnswer::Yes)
        return false;
    if (Defined && !Saved) {
        const TAnswer a =
            ui_.Ask(TMessage::Lang(texts_, Text::SaveBeforeOpen), TButtons::YesNoCancel);
        if (a == TAnswer::Cancel) return false;
        // A save that fails or is cancelled stops: going on could drop the changes.
        if (a == TAnswer::Yes && !SaveAll(chooser)) return false;
    }
    TFileDialog d;
    d.filter = kMonitorFileFilter;
    d.fileName = FileName;
    std::optional<std::string> file = chooser.OpenFile(d);
    if (!file) return false;
    return Load(*file);
}

bool TMonitor::SaveMonitoringAs(TFileChooser& chooser) {
    const bool ok = SaveAs(chooser);
    if (ok) Saved = true;
    Changed();
    return ok;
}

// ---- editing -------------------------------------------------------------------------------

bool TMonitor::AddMessage() {
    if (!editors) return false;
    TMonitorData m;  // empty text, colour 0, size 8, no sound, nothing checked
    if (!editors->EditMessage(m)) return false;
    TMonitorData added;
    added.Text = m.Text;
    added.Color = m.Color;
    added.Size = m.Size;
    added.Blink = m.Blink;
    added.Sound = m.Sound;
    added.SoundFile = m.SoundFile;
    added.Picture = m.Picture;
    added.Activate = m.Activate;
    added.ShowWindow = m.ShowWindow;
    added.RepeatTime = m.RepeatTime;
    added.Number = NextNumber();
    Messages.push_back(std::move(added));
    Defined = true;
    Modified();
    return true;
}

void TMonitor::EditMessages(const std::vector<int>& numbers) {
    if (!editors) return;
    for (int number : numbers) {
        const int i = IndexOfNumber(number);
        if (i < 0) continue;
        TMonitorData values = Messages[i];
        if (!editors->EditMessage(values)) return;
        TMonitorData& m = Messages[i];
        m.Text = values.Text;
        m.Color = values.Color;
        m.Size = values.Size;
        m.Blink = values.Blink;
        m.Sound = values.Sound;
        m.SoundFile = values.SoundFile;
        m.Picture = values.Picture;
        m.Activate = values.Activate;
        m.ShowWindow = values.ShowWindow;
        m.RepeatTime = values.RepeatTime;
        Modified();
    }
}

void TMonitor::RemoveMessages(const std::vector<int>& numbers) {
    // The messages the rows show are taken first: removing one moves the rest up.
    std::vector<int> which;
    for (int number : numbers)
        if (const int i = IndexOfNumber(number); i >= 0) which.push_back(i);
    if (which.empty()) return;
    std::sort(which.begin(), which.end(), std::greater<>());
    which.erase(std::unique(which.begin(), which.end()), which.end());
    // An alarm that goes with its message has its end in the log.
    const TMonitorTime now = TMonitorTime::Now();
    for (int i : which) Deactivate(i, TAlarmCause::Removed, now);
    ClearTouched();
    for (int i : which) {
        slots_.MessageRemoved(i);
        Messages.erase(Messages.begin() + i);
    }
    if (TargetMessage >= static_cast<int>(Messages.size())) TargetMessage = 0;
    FlushLog();
    Modified();
}

std::vector<TEvent>* TMonitor::ListOf(int message, bool active) {
    if (message < 0 || message >= static_cast<int>(Messages.size())) return nullptr;
    return active ? &Messages[message].ActiveEvents : &Messages[message].DeactiveEvents;
}

bool TMonitor::AddEvent(const std::string& serial, const std::string& buttons, bool edit) {
    std::vector<TEvent>* list = ListOf(TargetMessage, AddToActive);
    if (!list) return false;
    TEvent e;
    e.Serial = serial;
    // Receptions of input transmitters are compared by their input code text.
    e.Buttons = ReceptionCode(serial, buttons);
    list->push_back(e);
    const int added = static_cast<int>(list->size()) - 1;
    if (edit) EditEventAt(*list, added);
    TEvent& now = (*list)[added];
    now.Buttons = ReceptionCode(now.Serial, now.Buttons);
    if (SerialKey(now.Serial) == "00000") {
        list->erase(list->begin() + added);
        return false;
    }
    for (int i = 0; i < added; ++i) {
        if ((*list)[i].Serial == now.Serial && (*list)[i].Buttons == now.Buttons) {
            ui_.Error(TMessage::Lang(texts_, Text::DuplicateEvent));
            list->erase(list->begin() + added);
            return false;
        }
    }
    Saved = false;
    CommentRefresh();
    return true;
}

void TMonitor::RemoveActive(int message, int event) {
    std::vector<TEvent>* list = ListOf(message, true);
    if (!list || event < 0 || event >= static_cast<int>(list->size())) return;
    list->erase(list->begin() + event);
    Modified();
}

void TMonitor::RemoveDeactive(int message, int event) {
    std::vector<TEvent>* list = ListOf(message, false);
    if (!list || event < 0 || event >= static_cast<int>(list->size())) return;
    list->erase(list->begin() + event);
    Modified();
}

bool TMonitor::EditEventAt(std::vector<TEvent>& list, int event) {
    if (!editors || event < 0 || event >= static_cast<int>(list.size())) return false;
    TEvent e = list[event];
    if (!editors->EditEvent(e)) return false;
    list[event].Serial = e.Serial;
    list[event].Buttons = e.Buttons;
    return true;
}

bool TMonitor::EditEventOf(std::vector<TEvent>* list, int event) {
    if (!list || !EditEventAt(*list, event)) return false;
    Saved = false;
    CommentRefresh();
    return true;
}

bool TMonitor::EditActive(int message, int event) {
    return EditEventOf(ListOf(message, true), event);
}

bool TMonitor::EditDeactive(int message, int event) {
    return EditEventOf(ListOf(message, false), event);
}

void TMonitor::CommentRefresh() {
    const TRecordTable* records = host ? host->DocumentRecords() : nullptr;
    if (records) {
        // Records by serial key, in table order: the first match of each field wins.
        std::map<std::string, std::vector<const TData*>> bySerial;
        for (const TData& r : *records) bySerial[r.Serial].push_back(&r);
        for (auto& m : Messages) {
            for (auto* list : {&m.ActiveEvents, &m.DeactiveEvents}) {
                for (TEvent& e : *list) {
                    e.UserNumber = 0;
                    for (auto& u : e.User) u.clear();
                    auto it = bySerial.find(SerialKey(e.Serial));
                    if (it == bySerial.end()) continue;
                    for (const TData* r : it->second) {
                        if (!ButtonsMatch(e.Buttons, r->Button)) continue;
                        if (e.UserNumber == 0) e.UserNumber = r->UserID;
                        const std::string* texts[4] = {&r->User1, &r->User2, &r->User3, &r->User4};
                        for (int k = 0; k < 4; ++k)
                            if (e.User[k].empty()) e.User[k] = *texts[k];
                    }
                }
            }
        }
    }
    Changed();
}

// ---- monitor mode ----------------------------------------------------------------------------

std::vector<TMonitorChange> TMonitor::OnReception(const std::string& serial,
                                                  const std::string& digit) {
    return OnReception(serial, digit, TMonitorTime::Now());
}

std::vector<TMonitorChange> TMonitor::OnReception(const std::string& serial,
                                                  const std::string& digit,
                                                  const TMonitorTime& now) {
    std::vector<TMonitorChange> changes;
    // "0000000": the receiver reports that nothing was received.
    if (serial == "0000000") return changes;
    const std::string code = ReceptionCode(serial, digit);
    const std::string key = SerialKey(serial);
    const auto matches = [&](const std::vector<TEvent>& events) {
        for (const TEvent& e : events)
            if (e.Serial.size() > 2 && e.Serial.compare(2, 5, key) == 0 &&
                ButtonsMatch(e.Buttons, code))
                return true;
        return false;
    };
    for (size_t i = 0; i < Messages.size(); ++i) {
        const int index = static_cast<int>(i);
        if (!Messages[i].IsActive() && matches(Messages[i].ActiveEvents) &&
            Activate(index, now, serial, code))
            changes.push_back({TAlarmAction::Activate, index, TAlarmCause::Transmitter});
        if (Messages[i].IsActive() && matches(Messages[i].DeactiveEvents) &&
            Deactivate(index, TAlarmCause::Transmitter, now, serial, code))
            changes.push_back({TAlarmAction::Deactivate, index, TAlarmCause::Transmitter});
    }
    ClearTouched();
    FlushLog();
    return changes;
}

bool TMonitor::ActivateMessage(int i, const TMonitorTime& now) {
    const bool done = Activate(i, now, {}, {});
    ClearTouched();
    FlushLog();
    return done;
}

bool TMonitor::DeactivateMessage(int i, TAlarmCause cause, const TMonitorTime& now) {
    const bool done = Deactivate(i, cause, now);
    ClearTouched();
    FlushLog();
    return done;
}

bool TMonitor::Activate(int i, const TMonitorTime& now, const std::string& serial,
                        const std::string& code) {
    if (i < 0 || i >= static_cast<int>(Messages.size())) return false;
    TMonitorData& m = Messages[i];
    if (m.Touched || m.IsActive()) return false;
    m.Row = activeCount_ + 1;
    m.ActivatedAt = now.wall;
    m.ActivatedTick = now.tick;
    m.Repeats = 0;
    m.Touched = true;
    m.Marked = false;
    if (sound) {
        // The repeating sound runs while any active message asks for it; a message without
        // a sound leaves the others' sounds alone.
        if (IsRepeatingSound(m.Sound))
            sound->SetRepeating(true);
        else if (m.Sound > 0 && m.Sound < kSoundChoices)
            sound->PlayOnce(m.Sound, m.SoundFile);
    }
    if (m.ShowWindow) m.Slot = slots_.Take(i, workArea);
    ++activeCount_;
    TAlarmEntry e;
    e.Time = now.wall;
    e.Action = TAlarmAction::Activate;
    e.Cause = TAlarmCause::Transmitter;
    e.Number = m.Number;
    e.Serial = serial;
    e.Buttons = code;
    e.Text = m.Text;
    Record(std::move(e));
    return true;
}

bool TMonitor::Deactivate(int i, TAlarmCause cause, const TMonitorTime& now,
                          const std::string& serial, const std::string& code,
                          const std::string* byOperator) {
    if (i < 0 || i >= static_cast<int>(Messages.size())) return false;
    TMonitorData& m = Messages[i];
    if (m.Touched || !m.IsActive()) return false;
    const int r = m.Row;
    m.Row = 0;
    m.Touched = true;
    m.Marked = false;
    for (auto& o : Messages)
        if (o.Row > r) --o.Row;
    if (m.Slot >= 0) slots_.Free(m.Slot);
    m.Slot = -1;
    --activeCount_;
    UpdateRepeatingSound();
    TAlarmEntry e;
    e.Time = now.wall;
    e.Action = TAlarmAction::Deactivate;
    e.Cause = cause;
    e.Number = m.Number;
    e.Serial = serial;
    e.Buttons = code;
    // Ended by the operator's own action: by hand, Exit, another set-up, a removal.
    if (cause != TAlarmCause::Transmitter && cause != TAlarmCause::End)
        e.Operator = byOperator ? *byOperator : operatorName;
    e.Text = m.Text;
    Record(std::move(e));
    return true;
}

void TMonitor::UpdateRepeatingSound() {
    if (!sound) return;
    bool wanted = trouble_ && IsRepeatingSound(troubleSound);
    for (const auto& m : Messages)
        if (m.IsActive() && IsRepeatingSound(m.Sound)) wanted = true;
    sound->SetRepeating(wanted);
}

void TMonitor::EndAlarms(TAlarmCause cause, const TMonitorTime& now) {
    for (int i : RowOrder())
        if (i >= 0) Deactivate(i, cause, now);
    for (auto& m : Messages) m.Touched = m.Marked = false;
    slots_.FreeAll();
    selectAll_ = false;
    FlushLog();
}

void TMonitor::Record(TAlarmEntry entry) {
    pendingLog_.push_back(std::move(entry));
}

void TMonitor::LinkLost(const TMonitorTime& now) {
    if (trouble_) return;
    trouble_ = true;
    troubleSince_ = now.wall;
    TAlarmEntry e;
    e.Time = now.wall;
    e.Action = TAlarmAction::Trouble;
    e.Cause = TAlarmCause::LinkLost;
    e.Text = kLinkLostText;
    Record(std::move(e));
    if (sound) {
        if (IsRepeatingSound(troubleSound))
            sound->SetRepeating(true);
        else if (troubleSound > 0 && troubleSound < kSoundChoices)
            sound->PlayOnce(troubleSound, troubleSoundFile);
    }
    FlushLog();
}

void TMonitor::LinkRestored(const TMonitorTime& now, double outageSeconds) {
    EndTrouble(TAlarmCause::LinkRestored, now,
               static_cast<int>(std::clamp(outageSeconds, 0.0, 1e9) + 0.5));
}

void TMonitor::EndTrouble(TAlarmCause cause, const TMonitorTime& now, int outageSeconds) {
    if (!trouble_) return;
    trouble_ = false;
    TAlarmEntry e;
    e.Time = now.wall;
    e.Action = TAlarmAction::Trouble;
    e.Cause = cause;
    e.Number = outageSeconds;
    e.Text = cause == TAlarmCause::LinkRestored ? kLinkRestoredText : kLinkLostText;
    Record(std::move(e));
    UpdateRepeatingSound();
    FlushLog();
}

void TMonitor::ClearTouched() {
    for (auto& m : Messages) m.Touched = false;
}

void TMonitor::FlushLog() {
    if (pendingLog_.empty()) return;
    std::vector<TAlarmEntry> entries = std::move(pendingLog_);
    pendingLog_.clear();
    for (TAlarmListener* l : listeners)
        for (const TAlarmEntry& e : entries) l->AlarmChanged(e);
    if (!alarmLog) return;
    if (alarmLog->Record(entries) == 0) {
        logFailed_ = false;
        return;
    }
    // Once per run of failures: a box on every alarm would stand between the operator
    // and the alarms.
    if (!logFailed_) ui_.Error(TMessage::Lang(texts_, Text::CannotOpen, " - " + alarmLog->Path()));
    logFailed_ = true;
}

std::vector<int> TMonitor::RowOrder() const {
    std::vector<int> order(activeCount_, -1);
    for (size_t i = 0; i < Messages.size(); ++i) {
        const int r = Messages[i].Row;
        if (r >= 1 && r <= activeCount_) order[r - 1] = static_cast<int>(i);
    }
    return order;
}

int TMonitor::MessageAtRow(int row) const {
    if (row < 1 || row > activeCount_) return -1;
    for (size_t i = 0; i < Messages.size(); ++i)
        if (Messages[i].Row == row) return static_cast<int>(i);
    return -1;
}

void TMonitor::SetSelectAll(bool on) {
    selectAll_ = on;
    for (auto& m : Messages)
        if (m.IsActive()) m.Marked = on;
}

void TMonitor::ToggleMark(int row) {
    if (selectAll_) SetSelectAll(false);
    const int i = MessageAtRow(row);
    if (i >= 0) Messages[i].Marked = !Messages[i].Marked;
}

std::vector<TMonitorChange> TMonitor::DeactivateMessages(const std::vector<int>& which,
                                                         TAlarmCause cause,
                                                         const TMonitorTime& now) {
    std::vector<TMonitorChange> changes;
    for (int i : which)
        if (Deactivate(i, cause, now)) changes.push_back({TAlarmAction::Deactivate, i, cause});
    ClearTouched();
    selectAll_ = false;
    FlushLog();
    return changes;
}

std::vector<TMonitorChange> TMonitor::DeactivateMarked(const TMonitorTime& now) {
    // Taken in row order before any row moves up.
    std::vector<int> which;
    for (int i : RowOrder())
        if (i >= 0 && Messages[i].Marked) which.push_back(i);
    return DeactivateMessages(which, TAlarmCause::Hand, now);
}

std::vector<TMonitorChange> TMonitor::DeactivateFromNetwork(int number,
                                                            const std::string& byOperator,
                                                            const TMonitorTime& now) {
    std::vector<TMonitorChange> changes;
    const int i = IndexOfNumber(number);
    if (i >= 0 && Deactivate(i, TAlarmCause::Network, now, {}, {}, &byOperator))
        changes.push_back({TAlarmAction::Deactivate, i, TAlarmCause::Network});
    ClearTouched();
    FlushLog();
    return changes;
}

std::vector<TMonitorChange> TMonitor::DeactivateAll(const TMonitorTime& now, TAlarmCause cause) {
    std::vector<int> which;
    for (int i : RowOrder())
        if (i >= 0) which.push_back(i);
    std::vector<TMonitorChange> changes = DeactivateMessages(which, cause, now);
    EndTrouble(cause, now);
    return changes;
}

std::vector<int> TMonitor::Escalate(const TMonitorTime& now) {
    std::vector<int> due = DueForRepeat(Messages, now.tick);
    for (int i : due) {
        TMonitorData& m = Messages[i];
        m.Repeats = RepeatsDue(m.ActivatedTick, m.RepeatTime, now.tick);
        if (!sound) continue;
        if (IsRepeatingSound(m.Sound))
            sound->SetRepeating(true);
        else if (m.Sound > 0 && m.Sound < kSoundChoices)
            sound->PlayOnce(m.Sound, m.SoundFile);
    }
    return due;
}

}  // namespace ravlin
