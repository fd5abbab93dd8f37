#include "link/Link.h"

#include <algorithm>
#include <thread>

#include "base/Hex.h"
#include "link/SerialChannel.h"
#include "link/TcpChannel.h"

namespace ravlin {

namespace {

constexpr int kRetryPauseMs = 200;
constexpr int kHandshakeTries = 8;
// A device that keeps sending bytes other than the awaited one would restart the byte
// time-out for ever; a wait for the handshake 'U' or the answer's ':' therefore also ends
// after this many byte time-outs in total.
constexpr int kStartWaitLimit = 4;
// Likewise the collection of an answer ends, at the latest, after kStartWaitLimit byte
// time-outs plus this much per expected character (a slow 2400 bit/s line needs ~4 ms).
constexpr int kPerCharMs = 20;
// Every wait for a byte looks at the cancel request at least this often.
constexpr int kSliceMs = 100;

const std::string kWake3 = "\x55\x55\x55";
const std::string kAA3 = "\xAA\xAA\xAA";
const std::string kKeepAlive = "S";
// The wake-up byte, which the receiver answers with the same byte whatever it does.
const std::string kProbe = "\x55";

}  // namespace

static_assert(TLink::ComByteTimeoutMs == TSerialChannel::ByteTimeoutMs);
static_assert(TLink::TcpByteTimeoutMs == TTcpChannel::ByteTimeoutMs);
static_assert(TLink::ConnectTimeoutMs == TTcpChannel::ConnectTimeoutMs);

// ---- frames ------------------------------------------------------------------------

std::string TLink::Checksum(const std::string& frame) {
    unsigned sum = 0;
    for (size_t i = 0; i < frame.size(); ++i) {
        // ':' and everything else, lower-case letters too, count 0.
        unsigned v = static_cast<unsigned>(std::max(UpperHexDigitValue(frame[i]), 0));
        if ((i + 1) % 2 == 0) v *= 16;  // positions counted from 1, the ':' being 1
        sum = (sum + v) % 256;
    }
    return HexByte((256 - sum) % 256);
}

bool TLink::IsReadFrame(const std::string& frame) {
    return frame.size() >= 9 && (frame[8] == '1' || frame[8] == '7' || frame[8] == '9');
}

std::string TLink::CompleteFrame(const std::string& frame) {
    std::string out = frame + Checksum(frame);
    if (IsReadFrame(frame)) out += "\r\n";
    return out;
}

// ---- life cycle --------------------------------------------------------------------

TLink::TLink(const TTextTable& texts, TUserInterface& ui) : texts_(texts), ui_(ui) {
    UpdateConnectionText();
}

TLink::~TLink() {
    StopKeepAliveThread();
    if (open_ && channel_) channel_->Close();
}

bool TLink::Cancelled() const {
    const std::atomic<bool>* cancel = cancel_.load();
    const std::atomic<bool>* interrupt = interrupt_.load();
    return (cancel && cancel->load()) || (interrupt && interrupt->load());
}

void TLink::UpdateConnectionText() {
    if (Settings.ConnectionType != TConnectionSettings::Tcp && !Settings.Device.empty())
        connectionText_ = Settings.Device + ":" + std::to_string(Settings.ComSpeed);
    else
        connectionText_ = Settings.ConnectionText();
}

void TLink::SetTimingForTests(int byteTimeoutMs, int pauseScalePercent) {
    testByteTimeoutMs_ = byteTimeoutMs;
    pauseScalePercent_ = pauseScalePercent;
}

bool TLink::UseChannel(std::unique_ptr<TByteChannel> channel) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (open_) return false;
    channelGiven_ = channel != nullptr;
    channel_ = std::move(channel);
    return true;
}

int TLink::ByteTimeout() const {
    if (testByteTimeoutMs_ > 0) return testByteTimeoutMs_;
    return channel_ ? channel_->Policy().byteTimeoutMs : ComByteTimeoutMs;
}

int TLink::Scaled(int ms) const {
    return ScaledMs(ms, pauseScalePercent_);
}

void TLink::Pause(int ms) {
    // In slices, so that a cancel request ends a long pause (the settle after opening).
    const auto end = Clock::now() + std::chrono::milliseconds(Scaled(ms));
    while (!Cancelled()) {
        const auto left = end - Clock::now();
        if (left <= Clock::duration::zero()) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(50)));
    }
}

std::unique_ptr<TByteChannel> TLink::ChannelFromSettings() const {
    if (Settings.ConnectionType == TConnectionSettings::Tcp)
        return std::make_unique<TTcpChannel>(Settings.IPAddress, Settings.IPPort);
    return std::make_unique<TSerialChannel>(Settings.ComNumber, Settings.Device, Settings.ComSpeed);
}

bool TLink::Open() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (open_) return false;
    closedInOrder_.store(false);
    if (!channelGiven_) channel_ = ChannelFromSettings();
    const TOpenResult result = channel_->Open(pauseScalePercent_);
    if (!result.Ok()) {
        channel_->Close();
        if (!channelGiven_) channel_.reset();
        ReportOpenFailure(result);
        return false;
    }
    Pause(channel_->Policy().pauseAfterOpenMs);
    UpdateConnectionText();
    open_ = true;
    RestartKeepAlive();
    if (channel_->Policy().keepAlive) StartKeepAliveThread();
    return true;
}

void TLink::ReportOpenFailure(const TOpenResult& result) {
    if (result.outcome == TOpenResult::DeviceUnavailable) {
        Report(TMessage::Lang(texts_, Text::CannotOpenPort));
        return;
    }
    if (result.error != 0)
        Report(TMessage::Fixed("Can't connect, error #" + std::to_string(result.error & 0xFFFF)));
    Report(TMessage::Fixed("Can't connect"));
}

void TLink::Close() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    CloseLocked();
}

void TLink::CloseLocked() {
    // The keep-alive thread never waits for the lock, so it can be joined while held.
    StopKeepAliveThread();
    if (!open_) return;
    channel_->Close();
    const int pause = channel_->Policy().pauseAfterCloseMs;
    if (!channelGiven_) channel_.reset();
    keepAliveRunning_ = false;
    open_ = false;
    Pause(pause);
}

void TLink::Report(const TMessage& message) {
    if (holds_.load() <= 0) {
        ui_.Error(message);
        return;
    }
    std::lock_guard<std::mutex> lock(heldMutex_);
    held_ = message;
}

void TLink::HoldMessages(bool hold) {
    holds_.fetch_add(hold ? 1 : -1);
}

std::optional<TMessage> TLink::TakeHeldMessage() {
    std::lock_guard<std::mutex> lock(heldMutex_);
    std::optional<TMessage> m = std::move(held_);
    held_.reset();
    return m;
}

// ---- keep-alive --------------------------------------------------------------------

void TLink::RestartKeepAlive() {
    if (!open_ || !channel_->Policy().keepAlive) return;
    keepAliveRunning_ = true;
    keepAliveDue_ = Clock::now() + std::chrono::milliseconds(Scaled(KeepAliveMs));
}

void TLink::StartKeepAliveThread() {
    StopKeepAliveThread();
    {
        std::lock_guard<std::mutex> lock(keepAliveMutex_);
        keepAliveStop_ = false;
    }
    keepAliveThread_ = std::thread([this] { KeepAliveLoop(); });
}

void TLink::StopKeepAliveThread() {
    if (!keepAliveThread_.joinable()) return;
    if (keepAliveThread_.get_id() == std::this_thread::get_id()) return;
    {
        std::lock_guard<std::mutex> lock(keepAliveMutex_);
        keepAliveStop_ = true;
    }
    keepAliveWake_.notify_all();
    keepAliveThread_.join();
}

void TLink::KeepAliveLoop() {
    std::unique_lock<std::mutex> wake(keepAliveMutex_);
    while (!keepAliveStop_) {
        keepAliveWake_.wait_for(wake, std::chrono::milliseconds(50));
        if (keepAliveStop_) break;
        wake.unlock();
        {
            // A running operation serves the link itself (and restarts the keep-alive).
            std::unique_lock<std::recursive_mutex> io(io_, std::try_to_lock);
            if (io.owns_lock() && open_ && !channel_->Broken()) {
                if (keepAliveRunning_ && Clock::now() >= keepAliveDue_) {
                    keepAliveDue_ = Clock::now() + std::chrono::milliseconds(Scaled(KeepAliveMs));
                    if (channel_->Write(kKeepAlive)) keepAlivesSent_.fetch_add(1);
                }
                // What arrives meanwhile waits in the channel; a break is reported by the
                // next operation, on the thread that owns the link.
                if (!channel_->Broken()) channel_->Fetch();
            }
        }
        wake.lock();
    }
}

void TLink::KeepAlive() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (NoticeBreak()) return;
    KeepAliveLocked();
}

void TLink::KeepAliveLocked() {
    if (!open_ || !keepAliveRunning_) return;
    if (Clock::now() >= keepAliveDue_) {
        keepAliveDue_ = Clock::now() + std::chrono::milliseconds(Scaled(KeepAliveMs));
        if (!Write(kKeepAlive)) return;
        keepAlivesSent_.fetch_add(1);
    }
    // Notice a connection the peer has closed meanwhile.
    if (open_ && !channel_->Fetch()) ConnectionLost();
}

// ---- byte level --------------------------------------------------------------------

bool TLink::NoticeBreak() {
    if (!open_ || !channel_->Broken()) return false;
    ConnectionLost();
    return true;
}

void TLink::ConnectionLost() {
    if (open_) {
        const TChannelBreak why = channel_->Break();
        if (why.cause == TChannelBreak::ConnectionError)
            Report(TMessage::Fixed("Disconnected, error #" + std::to_string(why.error & 0xFFFF)));
        // A device that went away leaves nothing to wait for; the caller reports the
        // failed operation.
        closedInOrder_.store(why.cause == TChannelBreak::ClosedInOrder);
    }
    Close();
}

bool TLink::Write(const std::string& bytes) {
    if (!open_) return false;
    if (channel_->Write(bytes)) return true;
    NoticeBreak();
    return false;
}

void TLink::PurgeInput() {
    if (!open_) return;
    channel_->PurgeInput();
    NoticeBreak();
}

void TLink::PurgeOutput() {
    if (open_) channel_->PurgeOutput();
}

void TLink::PurgeAll() {
    PurgeInput();
    PurgeOutput();
}

bool TLink::ReadByteUntil(uint8_t& b, Clock::time_point deadline) {
    for (;;) {
        if (!open_) return false;
        // In slices, so that a cancel request is seen in time.
        switch (channel_->ReadByte(b, deadline, kSliceMs)) {
            case TByteChannel::TRead::Byte:
                return true;
            case TByteChannel::TRead::Broken:
                ConnectionLost();
                return false;
            case TByteChannel::TRead::TimedOut:
                break;
        }
        if (Clock::now() >= deadline || Cancelled()) return false;
    }
}

bool TLink::ReadByteWithin(uint8_t& b, int timeoutMs) {
    return ReadByteUntil(b, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

bool TLink::ReceiveData(int count, std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    text.clear();
    if (NoticeBreak()) return false;
    keepAliveRunning_ = false;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        uint8_t b = 0;
        if (Cancelled() || !ReadByteWithin(b, ByteTimeout())) {
            text.clear();
            ok = false;
            break;
        }
        text += static_cast<char>(b);
    }
    RestartKeepAlive();
    return ok;
}

bool TLink::TakeEcho(uint8_t& b) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (NoticeBreak() || !open_) return false;
    switch (channel_->ReadByte(b, Clock::time_point{}, 0)) {  // a deadline long past
        case TByteChannel::TRead::Byte:
            return true;
        case TByteChannel::TRead::Broken:
            ConnectionLost();
            return false;
        case TByteChannel::TRead::TimedOut:
            break;
    }
    return false;
}

bool TLink::WaitByte(uint8_t& b, int timeoutMs) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        KeepAlive();
        if (!open_) return false;
        auto until = deadline;
        if (keepAliveRunning_) until = std::min(until, keepAliveDue_);
        if (ReadByteUntil(b, until)) return true;
        if (!open_) return false;
        if (Clock::now() >= deadline || Cancelled()) return false;
    }
}

bool TLink::SendProbe() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (NoticeBreak() || !open_) return false;
    return Write(kProbe);
}

bool TLink::Probe(int replyMs) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (NoticeBreak() || !open_) return false;
    PurgeInput();
    if (!Write(kProbe)) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, replyMs));
    uint8_t b = 0;
    while (ReadByteUntil(b, deadline))
        if (b == kProbe[0]) return true;
    return false;
}

void TLink::Jam() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (!open_) return;
    PurgeOutput();
    Write(channel_->Policy().jam);
}

// ---- exchanges ---------------------------------------------------------------------

bool TLink::SendCommand(const std::string& frame) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    NoticeBreak();
    if (!open_) {
        Report(TMessage::Lang(texts_, Text::NoConnection));
        return false;
    }
    const std::string completed = CompleteFrame(frame);
    const std::string withChecksum = frame + Checksum(frame);
    // Read once: a channel that breaks during the exchange goes with the link's close.
    const TChannelPolicy& policy = channel_->Policy();
    const bool handshake = policy.handshake && !Settings.DumpRead;
    const int attempts = handshake ? policy.handshakeAttempts : policy.attempts;

    keepAliveRunning_ = false;
    bool done = false;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (Cancelled() || !open_) break;
        done = handshake ? AttemptHandshake(completed, withChecksum)
                         : AttemptWithoutHandshake(completed, attempt);
        if (done) break;
        if (attempt < attempts && open_) {
            Pause(kRetryPauseMs);
            PurgeAll();
        }
    }
    RestartKeepAlive();
    return done;
}

bool TLink::Handshake() {
    const int timeout = ByteTimeout();
    for (int attempt = 1; attempt <= kHandshakeTries; ++attempt) {
        if (Cancelled() || !open_) return false;
        if (attempt == 5) Write(kAA3);
        Write(attempt <= 2 ? std::string("\x55") : kWake3);
        const auto limit = Clock::now() + std::chrono::milliseconds(timeout * kStartWaitLimit);
        uint8_t b = 0;
        while (
            ReadByteUntil(b, std::min(limit, Clock::now() + std::chrono::milliseconds(timeout)))) {
            if (b == 'U') return true;
        }
        if (!open_ || Cancelled()) return false;
    }
    return false;
}

void TLink::CollectAndCheck(const std::string& echo, size_t expectedLength, bool dropUR) {
    const int timeout = ByteTimeout();
    const auto limit =
        Clock::now() + std::chrono::milliseconds(timeout * kStartWaitLimit +
                                                 kPerCharMs * static_cast<int>(expectedLength));
    auto next = [&] { return std::min(limit, Clock::now() + std::chrono::milliseconds(timeout)); };
    uint8_t b = 0;
    // A: everything before the ':' is dropped.
    for (;;) {
        if (!ReadByteUntil(b, next())) {
            lastError_ = ErrNoAnswer;
            return;
        }
        if (b == ':') break;
    }
    // B-D
    std::string answer(1, ':');
    while (answer.size() < expectedLength) {
        if (!ReadByteUntil(b, next())) {
            lastError_ = ErrIncomplete;
            return;
        }
        if (dropUR && (b == 'U' || b == 'R')) continue;  // wake-up replies, reception reports
        answer += static_cast<char>(b);
    }
    // E
    if (answer.compare(0, echo.size(), echo) != 0) {
        lastError_ = ErrEcho;
        return;
    }
    if (answer.size() > echo.size()) {
        char status = answer[echo.size()];
        if (status == 'X') lastError_ = ErrRejected;
        if (status == 'R') lastError_ = ErrReception;
    }
}

bool TLink::AttemptHandshake(const std::string& completed, const std::string& withoutLineEnd) {
    lastError_ = ErrNone;
    PurgeInput();
    const bool awake = Handshake();
    if (!open_) {  // the channel broke
        lastError_ = ErrNoAnswer;
        return false;
    }
    PurgeInput();
    if (!awake) {
        lastError_ = ErrNoAnswer;
        return false;
    }
    Write(completed);
    // Reads expect the echo with its line end; writes the echo plus three characters.
    size_t expected =
        completed.size() > withoutLineEnd.size() ? completed.size() : withoutLineEnd.size() + 3;
    CollectAndCheck(withoutLineEnd, expected, false);
    return lastError_ == ErrNone;
}

bool TLink::AttemptWithoutHandshake(const std::string& completed, int attempt) {
    lastError_ = ErrNone;
    PurgeOutput();
    // The 0xAA bytes that follow the third failure go out after this purge, so that it
    // cannot discard them before they have left.
    if (attempt == 4) Write(kAA3);
    PurgeInput();
    Write(kWake3 + completed);
    if (!open_) {  // the channel broke
        lastError_ = ErrNoAnswer;
        return false;
    }
    const bool read = completed.size() >= 2 && completed.back() == '\n';
    CollectAndCheck(completed, read ? completed.size() : completed.size() + 3, true);
    return lastError_ == ErrNone;
}

}  // namespace ravlin
