#pragma once
// The receiver commands of the main window without their windows: Login, Logout,
// Download, Upload and Password change.
//
// Threads. A command is a blocking call that may run on any one thread; the desktop
// program runs it on a worker while its window thread keeps painting. A command never
// touches what the window thread reads (the record table, the current receiver type, the
// state): Begin() copies what the command needs into a TSessionJob (window thread), Run()
// works on the job, the link and TRx only (worker), Commit() hands the job's result over
// (window thread again). Login(), Download() ... do the three steps in the calling thread
// (the command-line tool, the tests).
//
// Every user interaction goes through the context's user interface (messages, questions,
// progress, cancel request), TPasswordSource (the login and password windows),
// TOnlineSwitch and TDocumentCloser, each called on the thread that runs the command. No second
// command starts while one runs: a refused command returns false without touching anything.

#include <atomic>
#include <optional>
#include <string>

#include "base/Folders.h"
#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "receiver/UploadCheck.h"
#include "records/Data.h"

namespace ravlin {

class TTransferWorker;
class TLink;
class TRx;

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

// On-line mode: stopped at the start of a command that needs the link and restarted at
// its end. Called on the thread that runs the command.
class TOnlineSwitch {
  public:
    virtual ~TOnlineSwitch() = default;
    virtual void LeaveOnline() = 0;
    virtual void RestartOnline() = 0;
};

// The document's Close command, run because the user answered Yes to closing a document
// of another receiver type. Called on the thread that runs the command.
class TDocumentCloser {
  public:
    virtual ~TDocumentCloser() = default;
    // True when the document was closed, false when the user kept it (its "save first?"
    // question was cancelled).
    virtual bool CloseDocument() = 0;
};

// The session's part of the program, given by the composition root.
struct TSessionContext {
    TLink& link;
    TRx& rx;
    TTransferWorker& transferWorker;
    const TLanguage& language;  // the texts and the function table file
    const TFolders& folders;    // Rx.def and the function tables; Backup/
    TUserInterface& ui;
    const bool& backup;          // the Backup setting: a backup file on every download
    const bool& verifyDownload;  // VerifyDownload: a block download is read twice
    const bool& verifyUpload;    // VerifyUpload: an upload is read back
};

// The program's state that the commands read and change: owned by the window thread.
struct TSessionTarget {
    TDevice& device;      // the current receiver type: the logged-in receiver's or the document's
    TRecordTable& table;  // the record table
    TAppState& state;
};

// Compare: what an upload of the records would change in the receiver, without writing.
enum class TSessionCommand {
    Login,
    LoginToggle,
    Logout,
    Download,
    Upload,
    ChangePassword,
    Compare
};

// One command's private data. Begin fills the first part from the program's state; the
// command keeps it up to date; Commit applies what the command changed and nothing else
// (the window thread may have changed the rest meanwhile: on-line mode, the document's
// Close).
struct TSessionJob {
    TSessionCommand command = TSessionCommand::Login;
    TAppState state;
    TDevice device;      // the current receiver type
    TRecordTable table;  // Upload: the records to encode; a new table when `newTable`

    std::optional<bool> loggedIn, memoryModified, downloaded, saved;
    bool documentClosed = false;  // closed without a closer: the document state goes
    bool newDevice = false;       // `device` becomes the current receiver type
    bool newTable = false;        // `table` becomes the record table

    // Upload and Compare: what the upload would change (set once the receiver was read).
    std::optional<TUploadComparison> comparison;
    // Upload: the receiver's records were merged into the table (it is not saved now).
    bool merged = false;
    // Upload: the records the receiver does not hold as written (read-back).
    std::vector<TReadBackDifference> readBack;
};

class TSession {
  public:
    TSession(const TSessionContext& context, const TSessionTarget& target);
    ~TSession();

    TPasswordSource* passwords = nullptr;  // nullptr: every password window is cancelled
    TOnlineSwitch* online = nullptr;       // nullptr: on-line mode is left alone
    TDocumentCloser* closer = nullptr;     // nullptr: the document is closed without questions
    // The upload question with the comparison, and the read-back report. nullptr: the
    // question is Text::OverwriteReceiver followed by the comparison's lines (TUserInterface::Ask,
    // Yes uploads), the read-back differences an error message.
    TTransferReview* review = nullptr;

    // The commands in the calling thread (Begin, Run, Commit).
    // Logs in; true when logged in afterwards (also when already logged in).
    bool Login();
    // Login while logged out, Logout while logged in (the menu command).
    bool LoginToggle();
    void Logout();
    // Logs in when needed, downloads, decodes, writes the backup (setting Backup) and
    // merges the document's user information. A failed or cancelled download leaves the
    // record table and the document unchanged.
    bool Download();
    // Logs in when needed, encodes a packed copy of the records, reads the receiver and
    // compares (the upload question shows what would change; Merge takes the receiver's
    // extra records into empty positions first), uploads and reads the written range back
    // (VerifyUpload). True when the receiver holds what was written.
    bool Upload();
    // Logs in when needed and compares the receiver with what an upload of the records
    // would write; nothing is written. nullopt after a reported failure.
    std::optional<TUploadComparison> Compare();
    // Password change; logs in when not logged in. True when the password was written.
    bool ChangePassword();

    // The same in three steps, for a caller that runs the command on a worker.
    TSessionJob Begin(TSessionCommand command) const;  // window thread
    bool Run(TSessionJob& job);                        // any one thread
    void Commit(TSessionJob& job);                     // window thread

    // The cancel request of the progress window; from any thread.
    void Cancel();
    // True when the last download or upload ended because of a cancel request.
    bool Cancelled() const { return cancelled_.load(); }
    // True when the last upload merged the receiver's records into the table.
    bool Merged() const { return merged_.load(); }
    bool Busy() const { return busy_.load(); }

    // A typed password as the program reads it back once the receiver stored it: trailing
    // blanks are dropped on reading (00 fill bytes read as blanks too).
    static std::string StoredPassword(const std::string& typed);
    // Nothing when `typed` is acceptable for a receiver whose password is `stored` (compared
    // in its stored form); otherwise the language text to show (PasswordTooLong,
    // WrongPassword).
    static std::optional<Text> CheckLoginPassword(const std::string& typed,
                                                  const std::string& stored);
    // Nothing when the change may go on; WrongPassword (the old one), PasswordTooLong (the
    // new one), or Text::None when the new password equals the current one (nothing happens).
    static std::optional<Text> CheckPasswordChange(const TPasswordChange& change,
                                                   const std::string& stored);

  private:
    class TBusy;
    // Begin, Run and Commit in the calling thread; `job` keeps what the command did.
    bool Execute(TSessionCommand command, TSessionJob& job);
    bool Execute(TSessionCommand command);
    // The start of a download, upload or comparison: logged in (a login first when needed),
    // no other command running, on-line mode left (`onlineWasOn` says whether it ran),
    // `busy` marking this command. False when the command cannot go on.
    bool StartTransfer(TSessionJob& job, std::optional<TBusy>& busy, bool& onlineWasOn);
    bool LoginJob(TSessionJob& job);
    bool LoginToggleJob(TSessionJob& job);
    void LogoutJob(TSessionJob& job);
    bool DownloadJob(TSessionJob& job);
    bool UploadJob(TSessionJob& job);
    bool ChangePasswordJob(TSessionJob& job);
    bool CompareJob(TSessionJob& job);
    // Reads the receiver and compares it with TRx::UploadImage, the encoding of `packed`
    // (a packed copy of job.table) for `device`; `receiver` and `upload` get the decoded
    // sides with the user information the document knows. False after a reported failure
    // or a cancel; the link stays open.
    // The link opened, a packed copy of the job's table (`device`, `packed`) encoded into
    // the upload image, and the password checked again. False on a failure;
    // `encodeFailed` says that the encoding was what failed (the copy then holds what the
    // encoder left).
    bool PrepareUploadImage(TSessionJob& job, TDevice& device, TRecordTable& packed,
                            bool& encodeFailed);
    bool ReadAndCompare(TSessionJob& job, TDevice& device, TRecordTable& packed,
                        TRecordTable& receiver, TRecordTable& upload, TUploadComparison& out);
    TUploadChoice AskUpload(const TUploadComparison& comparison);
    void TransferOptions();
    bool LoginLocked(TSessionJob& job);
    void LogoutLocked(TSessionJob& job);
    void CompleteLogin(TSessionJob& job);
    bool AskLoginPassword();
    void LeaveOnline(TSessionJob& job, bool& wasOn);
    void Restart(TSessionJob& job, bool wasOn);
    const TTextTable& Texts() const { return ctx_.language.Texts(); }

    TSessionContext ctx_;
    TSessionTarget target_;
    // The commands' own function table: the views keep theirs on the window thread.
    TFunctionTable functionTable_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> merged_{false};
};

}  // namespace ravlin
