#pragma once
// TKom: the transfer worker. One thread that moves whole memory images between the
// program and the logged-in receiver ("Download", "Upload") and listens for the
// receiver's reception byte ("Online").
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

#include "base/UserInterface.h"

namespace ravlin {

class TKomunikace;
class TRx;

class TKom {
  public:
    enum class TJob { None, Download, Upload, Online };

    TKom(TRx& rx, TKomunikace& link, TUserInterface& ui, const PopisType& texts);
    ~TKom();
    TKom(const TKom&) = delete;
    TKom& operator=(const TKom&) = delete;

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

    // The cancel request of the progress window; may be called from any thread.
    void Cancel() { cancel_.store(true); }
    // True when the last job ended because of a cancel request.
    bool Cancelled() const { return cancelled_.load(); }
    bool Idle() const { return idle_.load(); }
    bool Result() const { return result_.load(); }
    int Progress() const { return progress_.load(); }
    // Receptions reported while listening (count of 'R' bytes taken).
    int Receptions() const { return receptions_.load(); }

    // Called on the worker thread after an 'R' ended the "Online" job and the worker went
    // idle (a new job may be started from it).
    std::function<void()> onReception;

    // Rounds num/den to the nearest integer, a half to the even neighbour.
    static int Nearest(long long num, long long den);

  private:
    void Execute();
    bool Download();
    bool DownloadBlocks();
    bool DownloadStream();
    bool StreamPass(int pass, std::string& image);
    bool Upload();
    void Listen();

    bool CancelPending();
    // Cancel check of an upload: the question "cancel?"; true when the upload must end.
    bool UploadCancelled();
    // One upload exchange; false (message shown) when it failed or the user cancelled.
    bool UploadExchange(const std::string& frame);
    void SetProgress(int value);
    void ReportError(int secondText);

    TRx& rx_;
    TKomunikace& link_;
    TUserInterface& ui_;
    const PopisType& texts_;

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
    // Interrupts the link's waits when listening stops or the worker ends.
    std::atomic<bool> abort_{false};
    bool uiCancelSeen_ = false;  // worker only
    int shownProgress_ = -1;     // worker only
    std::thread thread_;
};

}  // namespace ravlin
