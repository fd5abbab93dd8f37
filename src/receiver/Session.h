#pragma once
// The receiver commands of the main window without their windows: Login, Logout,
// Download, Upload and Password change.
//
// Every command is a blocking call that may run on any one thread (the desktop program
// runs it on a worker thread while its window thread shows the "Working ..." or progress
// window). All user interaction goes through TCore::ui (messages, questions, progress,
// cancel request) and TPasswordSource (the login and password windows). While a command
// runs, the record table, the document state and TRx belong to it: the caller must not
// read or change them until the call returns. No second command starts while one runs
// (TAppState::Busy); a refused command returns false without touching anything.

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "catalog/Device.h"

namespace ravlin {

struct TCore;

struct TPasswordChange {
    std::string oldPassword;  // empty when the receiver has none (the field is hidden)
    std::string newPassword;  // empty removes the password
};

// The login window and the password change window; implemented by the desktop program
// with its windows and by the command-line tool with its options.
class TPasswordSource {
  public:
    virtual ~TPasswordSource() = default;
    // The password typed for `device` (its Description is the receiver type shown), or
    // nullopt when cancelled. Asked again after a wrong or too long password.
    virtual std::optional<std::string> AskPassword(const TDevice& device) = 0;
    // The old and the new password, or nullopt when cancelled. Asked again after a wrong
    // old password, a too long new one, or a new one equal to the current.
    virtual std::optional<TPasswordChange> AskPasswordChange(const TDevice& device) = 0;
};

class TSession {
  public:
    explicit TSession(TCore& core);
    ~TSession();

    TPasswordSource* passwords = nullptr;  // nullptr: every password window is cancelled

    // On-line mode (stopped at the start of a command and restarted at its end) and the
    // document's Close command (the answer "Yes" to a receiver type that differs from the
    // open document's). Unset: on-line mode is left alone; Close only closes the document.
    std::function<void()> leaveOnline;
    std::function<void()> restartOnline;
    std::function<void()> closeDocument;

    // Logs in; true when logged in afterwards (also when already logged in).
    bool Login();
    // Login while logged out, Logout while logged in (the menu command).
    bool LoginToggle();
    void Logout();
    // Logs in when needed, downloads, decodes, writes the backup (setting Backup) and
    // merges the document's user information. A failed or cancelled download leaves the
    // record table and the document unchanged.
    bool Download();
    // Logs in when needed, asks, encodes and uploads. True when the receiver was written.
    bool Upload();
    // Password change; logs in when not logged in. True when the password was written.
    bool ChangePassword();

    // The cancel request of the progress window; from any thread.
    void Cancel();
    // True when the last download or upload ended because of a cancel request.
    bool Cancelled() const { return cancelled_.load(); }
    bool Busy() const { return busy_.load(); }

    // 0 when `typed` is acceptable for a receiver whose password is `stored`; otherwise
    // the language text to show (133 too long, 134 wrong).
    static int CheckLoginPassword(const std::string& typed, const std::string& stored);
    // 0 when the change may go on; 134 wrong old password, 133 new one too long, -1 the new
    // password equals the current one (nothing happens).
    static int CheckPasswordChange(const TPasswordChange& change, const std::string& stored);

  private:
    class TBusy;
    bool LoginLocked();
    void LogoutLocked();
    void CompleteLogin();
    bool AskLoginPassword();
    void LeaveOnline(bool& wasOn);
    void Restart(bool wasOn);

    TCore& core_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> cancelled_{false};
};

}  // namespace ravlin
