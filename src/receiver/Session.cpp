#include "receiver/Session.h"

#include "app/Core.h"
#include "document/DownloadDocument.h"
#include "records/Codec.h"

namespace ravlin {

// Marks a receiver command as running; refuses a second one.
class TSession::TBusy {
  public:
    explicit TBusy(TSession& s) : s_(s) {
        bool expected = false;
        ok_ = s_.busy_.compare_exchange_strong(expected, true);
        if (ok_) s_.core_.state.Busy = true;
    }
    ~TBusy() {
        if (!ok_) return;
        s_.core_.state.Busy = false;
        s_.busy_.store(false);
    }
    bool ok() const { return ok_; }

  private:
    TSession& s_;
    bool ok_ = false;
};

TSession::TSession(TCore& core) : core_(core) {}
TSession::~TSession() = default;

int TSession::CheckLoginPassword(const std::string& typed, const std::string& stored) {
    if (typed.size() > 16) return 133;
    if (typed != stored) return 134;
    return 0;
}

int TSession::CheckPasswordChange(const TPasswordChange& change, const std::string& stored) {
    if (change.oldPassword != stored) return 134;
    if (change.newPassword.size() > 16) return 133;
    if (change.newPassword == stored) return -1;
    return 0;
}

void TSession::Cancel() {
    core_.kom.Cancel();
}

void TSession::LeaveOnline(bool& wasOn) {
    wasOn = core_.state.OnLine;
    if (wasOn && leaveOnline) leaveOnline();
}

void TSession::Restart(bool wasOn) {
    if (wasOn && restartOnline) restartOnline();
}

// ---- login -------------------------------------------------------------------

bool TSession::Login() {
    if (core_.state.OnLine && leaveOnline) leaveOnline();
    if (core_.state.LoggedIn) return true;
    TBusy busy(*this);
    if (!busy.ok()) return false;
    return LoginLocked();
}

bool TSession::LoginToggle() {
    if (core_.state.OnLine && leaveOnline) leaveOnline();
    if (core_.state.LoggedIn) {
        Logout();
        return false;
    }
    return Login();
}

bool TSession::AskLoginPassword() {
    const TDevice& dev = core_.rx.Device;
    for (;;) {
        std::optional<std::string> typed;
        if (passwords) typed = passwords->AskPassword(dev);
        if (!typed) return false;
        const int text = CheckLoginPassword(*typed, dev.Password);
        if (text == 0) return true;
        core_.ui.Error(TMessage::Lang(core_.texts(), text));
    }
}

bool TSession::LoginLocked() {
    TRx& rx = core_.rx;
    // The document's receiver type must survive a login that does not complete.
    const TDevice previous = rx.Device;
    const bool documentOpen = core_.state.DocumentOpen;
    const std::string documentType = previous.Name;
    auto fail = [&] {
        rx.DeInit();
        core_.link.Zavri();
        rx.Device = previous;
        return false;
    };
    if (!rx.Init()) return fail();
    if (documentOpen && documentType != rx.Device.Name) {
        if (core_.ui.Ask(TMessage::Lang(core_.texts(), 77), TButtons::YesNo) != TAnswer::Yes)
            return fail();
        if (closeDocument) {
            // Closing may save the document first: it must be written as its own type,
            // not as the receiver's just read.
            const TDevice connected = rx.Device;
            rx.Device = previous;
            closeDocument();
            rx.Device = connected;
        } else {
            core_.state.DocumentOpen = false;
            core_.state.FileName.clear();
        }
        // Close cancelled: the document stays, so the receiver cannot be logged in beside it.
        if (core_.state.DocumentOpen) return fail();
    }
    if (!rx.Device.Password.empty() && !AskLoginPassword()) return fail();
    CompleteLogin();
    core_.link.Zavri();
    return true;
}

void TSession::CompleteLogin() {
    const std::string name = core_.rx.Device.Name;
    LoadFunctionTable(core_, name);
    core_.state.LoggedIn = true;
    if (!core_.state.DocumentOpen) MakeEmptyTableFor(core_, name);
}

void TSession::Logout() {
    if (core_.state.OnLine && leaveOnline) leaveOnline();
    if (!core_.state.LoggedIn) return;
    LogoutLocked();
}

void TSession::LogoutLocked() {
    core_.kom.StopOnline();
    core_.rx.DeInit();
    core_.link.Zavri();
    core_.state.LoggedIn = false;
    core_.state.MemoryModified = false;
}

// ---- download ----------------------------------------------------------------

bool TSession::Download() {
    cancelled_.store(false);
    if (!core_.state.LoggedIn && !Login()) return false;
    if (!core_.state.LoggedIn) return false;
    bool onlineWasOn = false;
    LeaveOnline(onlineWasOn);
    TBusy busy(*this);
    if (!busy.ok()) return false;
    TKomunikace& link = core_.link;
    if (!link.IsOpen() && !link.Otevri()) {
        link.Zavri();
        return false;
    }
    if (!core_.rx.OverHeslo()) {
        LogoutLocked();
        return false;
    }
    const bool ok = core_.kom.Run(TKom::TJob::Download);
    if (!ok) {
        cancelled_.store(core_.kom.Cancelled());
        link.Zavri();
        if (cancelled_.load()) Restart(onlineWasOn);
        return false;
    }
    // A decode that fails half-way must not leave a half-replaced table behind.
    TRecordTable previousTable = core_.table;
    const TDevice previousDevice = core_.rx.Device;
    if (!DecodeDownloadedImage(core_)) {
        core_.table = std::move(previousTable);
        core_.rx.Device = previousDevice;
        link.Zavri();
        return false;
    }
    if (core_.settings.Backup) BackupOnDownload(core_);
    DownloadCompleted(core_);
    link.Zavri();
    Restart(onlineWasOn);
    return true;
}

// ---- upload ------------------------------------------------------------------

bool TSession::Upload() {
    cancelled_.store(false);
    if (!core_.state.LoggedIn && !Login()) return false;
    if (!core_.state.LoggedIn) return false;
    if (busy_.load()) return false;
    if (core_.ui.Ask(TMessage::Lang(core_.texts(), 95), TButtons::YesNo) != TAnswer::Yes)
        return false;
    bool onlineWasOn = false;
    LeaveOnline(onlineWasOn);
    TBusy busy(*this);
    if (!busy.ok()) return false;
    TKomunikace& link = core_.link;
    if (!link.IsOpen() && !link.Otevri()) {
        link.Zavri();
        return false;
    }
    if (!EncodeUploadImage(core_)) {
        link.Zavri();
        return false;
    }
    if (!core_.rx.OverHeslo()) {
        LogoutLocked();
        return false;
    }
    const bool ok = core_.kom.Run(TKom::TJob::Upload);
    cancelled_.store(core_.kom.Cancelled());
    if (ok) core_.state.MemoryModified = false;
    link.Zavri();
    Restart(onlineWasOn);
    return ok;
}

// ---- password change ---------------------------------------------------------

bool TSession::ChangePassword() {
    bool onlineWasOn = false;
    LeaveOnline(onlineWasOn);
    TBusy busy(*this);
    if (!busy.ok()) return false;
    TKomunikace& link = core_.link;
    TRx& rx = core_.rx;
    const bool loggedIn = core_.state.LoggedIn;
    const TDevice previous = rx.Device;
    auto restore = [&] {
        if (!loggedIn) rx.Device = previous;
    };
    if (loggedIn) {
        if ((!link.IsOpen() && !link.Otevri()) || !rx.OverHeslo()) {
            link.Zavri();
            return false;
        }
    } else if (!rx.Init()) {
        link.Zavri();
        restore();
        return false;
    }
    std::optional<TPasswordChange> change;
    for (;;) {
        change.reset();
        if (passwords) change = passwords->AskPasswordChange(rx.Device);
        if (!change) break;
        const int text = CheckPasswordChange(*change, rx.Device.Password);
        if (text == 0) break;
        if (text > 0) core_.ui.Error(TMessage::Lang(core_.texts(), text));
    }
    if (!change) {
        link.Zavri();
        restore();
        Restart(onlineWasOn);
        return false;
    }
    if (!rx.PisPass(change->newPassword)) {
        // The receiver is no longer known to be the one logged in.
        if (loggedIn) LogoutLocked();
        link.Zavri();
        restore();
        return false;
    }
    if (loggedIn) {
        rx.Device.Password = change->newPassword;
    } else if (core_.state.DocumentOpen && previous.Name != rx.Device.Name) {
        // The open document is of another type: logging in beside it would mix the two.
        restore();
    } else {
        CompleteLogin();
    }
    link.Zavri();
    Restart(onlineWasOn);
    return true;
}

}  // namespace ravlin
