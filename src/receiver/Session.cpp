#include "receiver/Session.h"

#include "document/DataFile.h"
#include "document/DownloadDocument.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"
#include "records/Codec.h"

namespace ravlin {

// Marks a receiver command as running; refuses a second one.
class TSession::TBusy {
  public:
    explicit TBusy(TSession& s) : s_(s) {
        bool expected = false;
        ok_ = s_.busy_.compare_exchange_strong(expected, true);
    }
    ~TBusy() {
        if (ok_) s_.busy_.store(false);
    }
    bool ok() const { return ok_; }

  private:
    TSession& s_;
    bool ok_ = false;
};

TSession::TSession(const TSessionContext& context, const TSessionTarget& target)
    : ctx_(context),
      target_(target),
      functionTable_(context.folders.dataDir, context.language.Texts(), context.ui) {}

TSession::~TSession() = default;

std::string TSession::StoredPassword(const std::string& typed) {
    const size_t end = typed.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : typed.substr(0, end + 1);
}

std::optional<Text> TSession::CheckLoginPassword(const std::string& typed,
                                                 const std::string& stored) {
    if (typed.size() > 16) return Text::PasswordTooLong;
    if (StoredPassword(typed) != stored) return Text::WrongPassword;
    return std::nullopt;
}

std::optional<Text> TSession::CheckPasswordChange(const TPasswordChange& change,
                                                  const std::string& stored) {
    if (StoredPassword(change.oldPassword) != stored) return Text::WrongPassword;
    if (change.newPassword.size() > 16) return Text::PasswordTooLong;
    if (StoredPassword(change.newPassword) == stored) return Text::None;
    return std::nullopt;
}

void TSession::Cancel() {
    ctx_.transferWorker.Cancel();
}

// ---- the hand-over ---------------------------------------------------------------

TSessionJob TSession::Begin(TSessionCommand command) const {
    TSessionJob job;
    job.command = command;
    job.state = target_.state;
    job.device = target_.device;
    // Only an upload or a comparison reads the records (it packs a copy of them); the
    // other commands make their table afresh.
    if (command == TSessionCommand::Upload || command == TSessionCommand::Compare)
        job.table = target_.table;
    return job;
}

bool TSession::Run(TSessionJob& job) {
    switch (job.command) {
        case TSessionCommand::Login:
            return LoginJob(job);
        case TSessionCommand::LoginToggle:
            return LoginToggleJob(job);
        case TSessionCommand::Logout:
            LogoutJob(job);
            return true;
        case TSessionCommand::Download:
            return DownloadJob(job);
        case TSessionCommand::Upload:
            return UploadJob(job);
        case TSessionCommand::ChangePassword:
            return ChangePasswordJob(job);
        case TSessionCommand::Compare:
            return CompareJob(job);
    }
    return false;
}

void TSession::Commit(TSessionJob& job) {
    TAppState& s = target_.state;
    if (job.documentClosed) {
        s.DocumentOpen = false;
        s.FileName.clear();
    }
    if (job.loggedIn) s.LoggedIn = *job.loggedIn;
    if (job.memoryModified) s.MemoryModified = *job.memoryModified;
    if (job.downloaded) s.Downloaded = *job.downloaded;
    if (job.saved) s.Saved = *job.saved;
    if (job.newDevice) target_.device = job.device;
    if (job.newTable) target_.table = std::move(job.table);
    job.newTable = false;
}

bool TSession::Execute(TSessionCommand command, TSessionJob& job) {
    // Refused without reading the program's state, which the running command will change.
    if (busy_.load()) return false;
    job = Begin(command);
    const bool ok = Run(job);
    Commit(job);
    return ok;
}

bool TSession::Execute(TSessionCommand command) {
    TSessionJob job;
    return Execute(command, job);
}

bool TSession::Login() {
    return Execute(TSessionCommand::Login);
}
bool TSession::LoginToggle() {
    return Execute(TSessionCommand::LoginToggle);
}
void TSession::Logout() {
    Execute(TSessionCommand::Logout);
}
bool TSession::Download() {
    return Execute(TSessionCommand::Download);
}
bool TSession::Upload() {
    return Execute(TSessionCommand::Upload);
}
bool TSession::ChangePassword() {
    return Execute(TSessionCommand::ChangePassword);
}
std::optional<TUploadComparison> TSession::Compare() {
    TSessionJob job;
    if (!Execute(TSessionCommand::Compare, job)) return std::nullopt;
    return job.comparison;
}

// ---- on-line mode ------------------------------------------------------------

void TSession::LeaveOnline(TSessionJob& job, bool& wasOn) {
    wasOn = job.state.OnLine;
    if (wasOn && online) {
        online->LeaveOnline();
        job.state.OnLine = false;
    }
}

void TSession::Restart(TSessionJob& job, bool wasOn) {
    if (wasOn && online) {
        online->RestartOnline();
        job.state.OnLine = true;
    }
}

// ---- login -------------------------------------------------------------------

bool TSession::LoginJob(TSessionJob& job) {
    bool wasOn = false;
    LeaveOnline(job, wasOn);
    if (job.state.LoggedIn) return true;
    TBusy busy(*this);
    if (!busy.ok()) return false;
    return LoginLocked(job);
}

bool TSession::LoginToggleJob(TSessionJob& job) {
    bool wasOn = false;
    LeaveOnline(job, wasOn);
    if (job.state.LoggedIn) {
        LogoutJob(job);
        return false;
    }
    return LoginJob(job);
}

bool TSession::AskLoginPassword() {
    const TDevice& dev = ctx_.rx.Device;
    for (;;) {
        std::optional<std::string> typed;
        if (passwords) typed = passwords->AskPassword(dev);
        if (!typed) return false;
        const std::optional<Text> text = CheckLoginPassword(*typed, dev.Password);
        if (!text) return true;
        ctx_.ui.Error(TMessage::Lang(Texts(), *text));
    }
}

bool TSession::LoginLocked(TSessionJob& job) {
    TRx& rx = ctx_.rx;
    const TDevice previous = rx.Device;
    auto fail = [&] {
        rx.DeInit();
        ctx_.link.Close();
        rx.Device = previous;
        return false;
    };
    if (!rx.Init()) return fail();
    if (job.state.DocumentOpen && job.device.Name != rx.Device.Name) {
        if (ctx_.ui.Ask(TMessage::Lang(Texts(), Text::CloseOtherTypeFile), TButtons::YesNo) !=
            TAnswer::Yes)
            return fail();
        // The document's own Close runs where the document lives; a save there writes it as
        // its own type, which this command has not touched.
        const bool closed = closer ? closer->CloseDocument() : true;
        // Close cancelled: the document stays, so the receiver cannot be logged in beside it.
        if (!closed) return fail();
        job.state.DocumentOpen = false;
        job.state.FileName.clear();
        if (!closer) job.documentClosed = true;
    }
    if (!rx.Device.Password.empty() && !AskLoginPassword()) return fail();
    CompleteLogin(job);
    ctx_.link.Close();
    return true;
}

void TSession::CompleteLogin(TSessionJob& job) {
    const std::string name = ctx_.rx.Device.Name;
    functionTable_.SetFileName(ctx_.language.FunctionTableFile());
    functionTable_.LoadFunctionTable(name);
    job.state.LoggedIn = true;
    job.loggedIn = true;
    job.device = ctx_.rx.Device;
    job.newDevice = true;
    // The views get a table to show before the first download.
    if (!job.state.DocumentOpen && MakeEmptyTable(ctx_.folders.dataDir, name, true, job.device,
                                                  functionTable_, job.table, Texts(), ctx_.ui))
        job.newTable = true;
}

void TSession::LogoutJob(TSessionJob& job) {
    bool wasOn = false;
    LeaveOnline(job, wasOn);
    if (!job.state.LoggedIn) return;
    LogoutLocked(job);
}

void TSession::LogoutLocked(TSessionJob& job) {
    ctx_.transferWorker.StopOnline();
    ctx_.rx.DeInit();
    ctx_.link.Close();
    job.state.LoggedIn = false;
    job.loggedIn = false;
    job.state.MemoryModified = false;
    job.memoryModified = false;
}

// ---- transfers ---------------------------------------------------------------

bool TSession::StartTransfer(TSessionJob& job, std::optional<TBusy>& busy, bool& onlineWasOn) {
    cancelled_.store(false);
    if (!job.state.LoggedIn && !LoginJob(job)) return false;
    if (!job.state.LoggedIn) return false;
    // Refused before on-line mode is touched: the running command owns it.
    if (busy_.load()) return false;
    LeaveOnline(job, onlineWasOn);
    busy.emplace(*this);
    return busy->ok();
}

// ---- download ----------------------------------------------------------------

bool TSession::DownloadJob(TSessionJob& job) {
    std::optional<TBusy> busy;
    bool onlineWasOn = false;
    if (!StartTransfer(job, busy, onlineWasOn)) return false;
    TLink& link = ctx_.link;
    if (!link.IsOpen() && !link.Open()) {
        link.Close();
        return false;
    }
    if (!ctx_.rx.VerifyPassword()) {
        LogoutLocked(job);
        return false;
    }
    TransferOptions();
    const bool ok = ctx_.transferWorker.Run(TTransferWorker::TJob::Download);
    if (!ok) {
        cancelled_.store(ctx_.transferWorker.Cancelled());
        link.Close();
        if (cancelled_.load()) Restart(job, onlineWasOn);
        return false;
    }
    // The new table is made here; a decode that fails leaves the program's table as it was.
    TDevice device = job.device;
    TRecordTable table;
    if (!DecodeImage(ctx_.rx.Image, device, table)) {
        link.Close();
        return false;
    }
    // The backup holds the memory exactly as downloaded, never a repacked table.
    if (ctx_.backup)
        BackupOnDownload(ctx_.folders.BackupDir(), device, table, ctx_.rx.Image, Texts(), ctx_.ui);
    DownloadCompleted(job.state, TDataFileEnv{ctx_.folders.dataDir, Texts(), ctx_.ui}, table);
    job.memoryModified = job.state.MemoryModified;
    job.downloaded = job.state.Downloaded;
    job.saved = job.state.Saved;
    job.device = std::move(device);
    job.newDevice = true;
    job.table = std::move(table);
    job.newTable = true;
    link.Close();
    Restart(job, onlineWasOn);
    return true;
}

// ---- upload ------------------------------------------------------------------

void TSession::TransferOptions() {
    TTransferOptions options;
    options.verifyDownload = ctx_.verifyDownload;
    options.readBack = ctx_.verifyUpload;
    ctx_.transferWorker.SetOptions(options);
}

bool TSession::PrepareUploadImage(TSessionJob& job, TDevice& device, TRecordTable& packed,
                                  bool& encodeFailed) {
    TLink& link = ctx_.link;
    TRx& rx = ctx_.rx;
    encodeFailed = false;
    if (!link.IsOpen() && !link.Open()) {
        link.Close();
        return false;
    }
    device = job.device;
    packed = job.table;
    if (!EncodeImage(device, packed, rx.UploadImage, ctx_.ui)) {
        encodeFailed = true;
        link.Close();
        return false;
    }
    rx.Device.UsedCount = device.UsedCount;
    if (!rx.VerifyPassword()) {
        LogoutLocked(job);
        return false;
    }
    return true;
}

bool TSession::ReadAndCompare(TSessionJob& job, TDevice& device, TRecordTable& packed,
                              TRecordTable& receiver, TRecordTable& upload,
                              TUploadComparison& out) {
    TRx& rx = ctx_.rx;
    TransferOptions();
    if (!ctx_.transferWorker.Run(TTransferWorker::TJob::ReadReceiver)) {
        cancelled_.store(ctx_.transferWorker.Cancelled());
        return false;
    }
    TDevice decoding = device;
    if (!DecodeImage(rx.ReceiverImage, decoding, receiver) ||
        !DecodeImage(rx.UploadImage, decoding, upload)) {
        ctx_.ui.Information(TMessage::Fixed(kDataCodingError));
        return false;
    }
    // The users the document knows: its records, and those its file still holds.
    MergeUserInfo(packed, upload);
    MergeUserInfo(job.table, receiver);
    if (job.state.DocumentOpen && !job.state.FileName.empty()) {
        TSilentUi quiet;
        ImportComments(job.state.FileName, TDataFileEnv{ctx_.folders.dataDir, Texts(), quiet},
                       receiver);
    }
    out = CompareUpload(receiver, upload);
    return true;
}

TUploadChoice TSession::AskUpload(const TUploadComparison& comparison) {
    if (review) return review->AskUpload(comparison);
    std::string lines;
    for (const std::string& line : ComparisonLines(comparison)) lines += "\n" + line;
    return ctx_.ui.Ask(TMessage::Lang(Texts(), Text::OverwriteReceiver, "\n" + lines),
                       TButtons::YesNo) == TAnswer::Yes
               ? TUploadChoice::Upload
               : TUploadChoice::Cancel;
}

bool TSession::UploadJob(TSessionJob& job) {
    merged_.store(false);
    std::optional<TBusy> busy;
    bool onlineWasOn = false;
    if (!StartTransfer(job, busy, onlineWasOn)) return false;
    TLink& link = ctx_.link;
    TRx& rx = ctx_.rx;
    // The encoder packs a copy of the records; the program gets the packed table once the
    // upload goes ahead (or when the encoding stopped half-way, as the data file writer
    // leaves it).
    TDevice device;
    TRecordTable packed;
    auto handOver = [&] {
        job.device = device;
        job.table = packed;
        job.newDevice = true;
        job.newTable = true;
    };
    bool encodeFailed = false;
    if (!PrepareUploadImage(job, device, packed, encodeFailed)) {
        if (encodeFailed) handOver();
        return false;
    }
    auto end = [&](bool ok) {
        link.Close();
        Restart(job, onlineWasOn);
        return ok;
    };
    TRecordTable receiver, upload;
    TUploadComparison comparison;
    if (!ReadAndCompare(job, device, packed, receiver, upload, comparison)) return end(false);
    job.comparison = comparison;
    for (;;) {
        const TUploadChoice choice = AskUpload(comparison);
        if (choice == TUploadChoice::Cancel) return end(false);
        if (choice == TUploadChoice::Upload) break;
        if (!MergeReceiverRecords(comparison, receiver, packed)) {
            ctx_.ui.Error(TMessage::Lang(Texts(), Text::NoFreePosition));
            continue;
        }
        // The merged records are the document's now, and not saved yet.
        if (!EncodeImage(device, packed, rx.UploadImage, ctx_.ui)) {
            handOver();
            return end(false);
        }
        rx.Device.UsedCount = device.UsedCount;
        job.merged = true;
        merged_.store(true);
        job.state.Saved = false;
        job.saved = false;
        job.state.MemoryModified = true;
        job.memoryModified = true;
        TDevice decoding = device;
        upload.clear();
        DecodeImage(rx.UploadImage, decoding, upload);
        MergeUserInfo(packed, upload);
        break;
    }
    handOver();
    const bool ok = ctx_.transferWorker.Run(TTransferWorker::TJob::Upload);
    cancelled_.store(ctx_.transferWorker.Cancelled());
    if (ctx_.transferWorker.ReadBackResult() == TTransferWorker::TReadBack::Differs) {
        job.readBack = CompareReadBack(rx.UploadImage, rx.ReadBack, device, upload);
        if (review) {
            review->ReportReadBack(job.readBack);
        } else {
            std::string text;
            for (const std::string& line : ReadBackLines(job.readBack))
                text += (text.empty() ? "" : "\n") + line;
            ctx_.ui.Error(TMessage::Fixed(text));
        }
    }
    if (ok) {
        job.state.MemoryModified = false;
        job.memoryModified = false;
    }
    return end(ok);
}

bool TSession::CompareJob(TSessionJob& job) {
    std::optional<TBusy> busy;
    bool onlineWasOn = false;
    if (!StartTransfer(job, busy, onlineWasOn)) return false;
    // Nothing of the program changes: the packed copy stays the command's.
    TDevice device;
    TRecordTable packed;
    bool encodeFailed = false;
    if (!PrepareUploadImage(job, device, packed, encodeFailed)) return false;
    TRecordTable receiver, upload;
    TUploadComparison comparison;
    const bool ok = ReadAndCompare(job, device, packed, receiver, upload, comparison);
    if (ok) job.comparison = std::move(comparison);
    ctx_.link.Close();
    Restart(job, onlineWasOn);
    return ok;
}

// ---- password change ---------------------------------------------------------

bool TSession::ChangePasswordJob(TSessionJob& job) {
    bool onlineWasOn = false;
    LeaveOnline(job, onlineWasOn);
    TBusy busy(*this);
    if (!busy.ok()) return false;
    TLink& link = ctx_.link;
    TRx& rx = ctx_.rx;
    const bool loggedIn = job.state.LoggedIn;
    const TDevice previous = rx.Device;
    auto restore = [&] {
        if (!loggedIn) rx.Device = previous;
    };
    if (loggedIn) {
        if ((!link.IsOpen() && !link.Open()) || !rx.VerifyPassword()) {
            link.Close();
            return false;
        }
    } else if (!rx.Init()) {
        link.Close();
        restore();
        return false;
    }
    std::optional<TPasswordChange> change;
    for (;;) {
        change.reset();
        if (passwords) change = passwords->AskPasswordChange(rx.Device);
        if (!change) break;
        const std::optional<Text> text = CheckPasswordChange(*change, rx.Device.Password);
        if (!text) break;
        if (*text != Text::None) ctx_.ui.Error(TMessage::Lang(Texts(), *text));
    }
    if (!change) {
        link.Close();
        restore();
        Restart(job, onlineWasOn);
        return false;
    }
    if (!rx.WritePassword(change->newPassword)) {
        // The receiver is no longer known to be the one logged in.
        if (loggedIn) LogoutLocked(job);
        link.Close();
        restore();
        return false;
    }
    if (loggedIn) {
        // What the receiver gave back after the write (WritePassword re-read it): a typed
        // password with trailing blanks is held without them.
        job.device.Password = rx.Device.Password;
        job.newDevice = true;
    } else if (job.state.DocumentOpen && job.device.Name != rx.Device.Name) {
        // The open document is of another type: logging in beside it would mix the two.
        restore();
    } else {
        CompleteLogin(job);
    }
    link.Close();
    Restart(job, onlineWasOn);
    return true;
}

}  // namespace ravlin
