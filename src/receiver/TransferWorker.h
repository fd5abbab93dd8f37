#pragma once
// TTransferWorker: the transfer worker. One thread that moves whole memory images between the
// program and the logged-in receiver ("Download", "Upload"), reads the receiver's memory
// before an upload ("ReadReceiver") and listens for the receiver's reception byte
// ("Online").
//
// A block reply carries no checksum, so a changed digit on a noisy line would pass. Reads
// are therefore confirmed (TTransferOptions): a block download reads the area a second
// time and reads differing blocks again until two reads agree; the reads around an upload
// accept a block that equals what the upload image holds there and confirm any other by
// two equal reads. Each phase is announced with TUserInterface::ProgressPhase and runs its
// own progress from 0 to 100.
//
// Threads: Start() hands a job to the worker; Wait() blocks until it is done. While a
// job runs the caller must not touch the link or the images of TRx. Every message,
// question and progress value goes through TUserInterface from the worker thread; the
// desktop program marshals those calls to its window thread.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin {

class TLink;
class TRx;

// What the transfers check; set while the worker is idle.
struct TTransferOptions {
    bool verifyDownload = false;  // block download: read a second time and compare
    bool readBack = false;        // upload: read the written range back and compare
};

class TTransferWorker {  // original name: TKom
  public:
    enum class TJob { None, Download, Upload, Online, ReadReceiver };
    // How the last listening ended.
    enum class TListenEnd {
        None,        // no listening has ended yet
        Reception,   // the receiver reported a reception
        Stopped,     // StopOnline
        LinkLost,    // the connection was closed or broke (the link is closed)
        SilentPeer,  // the receiver did not answer the probe in time (the link is closed)
    };
    // Listening asks a line quiet for kProbeIdleMs whether the receiver is still there
    // (TLink::SendProbe); without any byte back within kProbeReplyMs the receiver counts as
    // gone: a silent peer is noticed within kProbeIdleMs + kProbeReplyMs.
    static constexpr int kProbeIdleMs = 3000;
    static constexpr int kProbeReplyMs = 3000;
    // Outcome of the read-back of the last upload.
    enum class TReadBack { NotRun, Same, Differs, Failed };
    // Extra reads of a block whose reads disagree, before the read is given up.
    static constexpr int kExtraReads = 3;

    TTransferWorker(TRx& rx, TLink& link, TUserInterface& ui, const TTextTable& texts);
    ~TTransferWorker();
    TTransferWorker(const TTransferWorker&) = delete;
    TTransferWorker& operator=(const TTransferWorker&) = delete;

    // Hands a job to the worker. Refused (false) while another job runs.
    bool Start(TJob job);
    // Blocks until the worker is idle; returns the result of the last download or upload.
    bool Wait();
    // Waits at most `timeoutMs` for the worker to become idle; true when it is.
    bool WaitIdleFor(int timeoutMs);
    // Start + Wait.
    bool Run(TJob job);

    // Ends the "Online" job and waits until the worker is idle (the link is then free).
    void StopOnline();

    void SetOptions(const TTransferOptions& options) { options_ = options; }
    const TTransferOptions& Options() const { return options_; }
    // After an upload with read-back: Same, Differs (TRx::ReadBack holds what the
    // receiver returned for the written range) or Failed (reported as a communication
    // error). NotRun without read-back or when the upload itself failed.
    TReadBack ReadBackResult() const { return readBack_.load(); }

    // The cancel request of the progress window; may be called from any thread.
    void Cancel() { cancel_.store(true); }
    // True when the last job ended because of a cancel request.
    bool Cancelled() const { return cancelled_.load(); }
    bool Idle() const { return idle_.load(); }
    bool Result() const { return result_.load(); }
    int Progress() const { return progress_.load(); }
    // Receptions reported while listening (count of 'R' bytes taken). An 'R' ends the
    // "Online" job: whoever listens watches this count and Idle() (from any thread).
    int Receptions() const { return receptions_.load(); }
    // How the last listening ended (from any thread; meaningful once the worker is idle).
    // While it listens, the link holds its messages back (TLink::HoldMessages): a lost
    // connection is reported by whoever watches the listening, not by a message box.
    TListenEnd ListenEnd() const { return listenEnd_.load(); }

    // Rounds num/den to the nearest integer, a half to the even neighbour.
    static int Nearest(long long num, long long den);

  private:
    void Execute();
    // Reads one block: 1 read, 0 the read failed or was cancelled.
    using TBlockRead = std::function<bool(int address, int count, std::string& data)>;
    bool Download();
    bool DownloadBlocks();
    // The block method over the record area: block by block from StartAddress up to and
    // including the block after the first empty record; the rest of the image reads FF.
    // `readEnd` receives the address after the last byte read. `progress` false: no
    // progress of its own.
    bool ReadArea(const TBlockRead& read, std::string& image, int& readEnd, bool progress);
    bool VerifyBlocks(std::string& image, int readEnd);
    // Reads the block at `address` again until two of `reads` agree (at most kExtraReads
    // more): 1 agreed (`agreed` set), 0 no two reads agree, -1 a read failed or cancelled.
    int Confirm(int address, int count, std::vector<std::string> reads, std::string& agreed);
    // A block confirmed by equality with `expected` (the upload image there) or by two
    // equal reads. Same results as Confirm.
    int ReadExpected(int address, int count, const std::string& expected, std::string& data);
    // The block at `address` read until it is sure: with `expected`, as ReadExpected; without,
    // by two equal reads (Confirm). False after a reported failure, or unreported on a cancel.
    bool ReadConfirmed(int address, int count, const std::string* expected, std::string& data);
    bool ReadReceiver();
    bool ReadBackUpload(long long sentDigits);
    bool DownloadStream();
    bool StreamPass(int pass, std::string& image);
    bool Upload();
    bool UploadLines();
    void Listen();
    void Phase(const TMessage& text);
    // "1040, 10A0, ..." for a failure message.
    static std::string AddressList(const std::vector<int>& addresses);

    bool CancelPending();
    // Cancel check of an upload: the question "cancel?"; true when the upload must end.
    bool UploadCancelled();
    // One upload exchange; false (message shown) when it failed or the user cancelled.
    bool UploadExchange(const std::string& frame);
    void SetProgress(int value);
    void ReportError(Text secondText, const std::string& detail = {});

    TRx& rx_;
    TLink& link_;
    TUserInterface& ui_;
    const TTextTable& texts_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::atomic<TJob> job_{TJob::None};
    std::atomic<bool> idle_{true};
    std::atomic<bool> terminate_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> result_{false};
    std::atomic<int> progress_{0};
    std::atomic<int> receptions_{0};
    std::atomic<TListenEnd> listenEnd_{TListenEnd::None};
    std::atomic<TReadBack> readBack_{TReadBack::NotRun};
    TTransferOptions options_;  // read by the worker during a job, set while idle
    // Interrupts the link's waits when listening stops or the worker ends.
    std::atomic<bool> abort_{false};
    bool uiCancelSeen_ = false;  // worker only
    int shownProgress_ = -1;     // worker only
    std::thread thread_;
};

}  // namespace ravlin
