#include "link/Link.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "link/Serial.h"
#include "link/TcpClient.h"

namespace ravlin {

namespace {

constexpr int kSettleMs = 1000;
constexpr int kDtrMs = 10;
constexpr int kRetryPauseMs = 200;
constexpr int kClosePauseMs = 100;
constexpr int kHandshakeAttempts = 3;
constexpr int kOtherAttempts = 8;
constexpr int kHandshakeTries = 8;
// A device that keeps sending bytes other than the awaited one would restart the byte
// time-out for ever; a wait for the handshake 'U' or the answer's ':' therefore also ends
// after this many byte time-outs in total.
constexpr int kStartWaitLimit = 4;
// Likewise the collection of an answer ends, at the latest, after kStartWaitLimit byte
// time-outs plus this much per expected character (a slow 2400 bit/s line needs ~4 ms).
constexpr int kPerCharMs = 20;

const std::string kWake3 = "\x55\x55\x55";
const std::string kAA3 = "\xAA\xAA\xAA";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;  // ':' and everything else, lower-case letters too
}

}  // namespace

// ---- TReceiveQueue -------------------------------------------------------------------------

void TReceiveQueue::Clear() {
    std::fill(std::begin(data_), std::end(data_), 0);
    head_ = 0;
    count_ = 0;
}

uint8_t TReceiveQueue::Take() {
    uint8_t b = data_[head_];
    head_ = (head_ + 1) % Size;
    --count_;
    return b;
}

int TReceiveQueue::Fill(const char* data, int n) {
    int taken = std::min(n, Room());
    for (int i = 0; i < taken; ++i)
        data_[(head_ + count_ + i) % Size] = static_cast<uint8_t>(data[i]);
    count_ += taken;
    return taken;
}

// ---- frames ------------------------------------------------------------------------

std::string TLink::Checksum(const std::string& frame) {
    unsigned sum = 0;
    for (size_t i = 0; i < frame.size(); ++i) {
        unsigned v = static_cast<unsigned>(HexValue(frame[i]));
        if ((i + 1) % 2 == 0) v *= 16;  // positions counted from 1, the ':' being 1
        sum = (sum + v) % 256;
    }
    char out[3];
    std::snprintf(out, sizeof out, "%02X", (256 - sum) % 256);
    return out;
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
    serial_.reset();
    if (tcp_) tcp_->Close();
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

int TLink::ByteTimeout() const {
    if (testByteTimeoutMs_ > 0) return testByteTimeoutMs_;
    return tcp_ ? TcpByteTimeoutMs : ComByteTimeoutMs;
}

int TLink::Scaled(int ms) const {
    return std::max(0, ms * pauseScalePercent_ / 100);
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

bool TLink::Open() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (open_) return false;
    closedInOrder_.store(false);
    lost_.store(false);
    const bool ok = Settings.ConnectionType == TConnectionSettings::Tcp ? OpenTcp() : OpenCom();
    if (ok && tcp_) StartKeepAliveThread();
    return ok;
}

bool TLink::OpenCom() {
    try {
        if (Settings.Device.empty())
            serial_ = std::make_unique<TSerial>(Settings.ComNumber, Settings.ComSpeed);
        else
            serial_ = std::make_unique<TSerial>(Settings.Device, Settings.ComSpeed);
    } catch (const TSerialException&) {
        ui_.Error(TMessage::Lang(texts_, Text::CannotOpenPort));
        return false;
    }
    serial_->SetDtr(false);
    Pause(kDtrMs);
    serial_->SetRts(true);
    Pause(kSettleMs);  // the receiver wakes up on RTS
    UpdateConnectionText();
    open_ = true;
    return true;
}

bool TLink::OpenTcp() {
    queue_ = std::make_unique<TReceiveQueue>();
    tcp_ = std::make_unique<TTcpClient>();
    int error = 0;
    if (!tcp_->StartConnect(Settings.IPAddress, Settings.IPPort, error)) {
        ui_.Error(TMessage::Fixed("Can't connect"));
        tcp_.reset();
        queue_.reset();
        return false;
    }
    if (!tcp_->WaitConnected(Scaled(ConnectTimeoutMs), error)) {
        // A connect that failed outright ends the wait at once instead of idling out the
        // ten seconds.
        if (error != 0)
            ui_.Error(TMessage::Fixed("Can't connect, error #" + std::to_string(error & 0xFFFF)));
        ui_.Error(TMessage::Fixed("Can't connect"));
        Close();
        return false;
    }
    UpdateConnectionText();
    open_ = true;
    RestartKeepAlive();
    return true;
}

void TLink::Close() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    CloseLocked();
}

void TLink::CloseLocked() {
    // The keep-alive thread never waits for the lock, so it can be joined while held.
    StopKeepAliveThread();
    if (serial_) {
        serial_.reset();
        open_ = false;
    }
    if (tcp_) {
        tcp_->Close();
        tcp_.reset();
        queue_.reset();
        keepAliveRunning_ = false;
        open_ = false;
        Pause(kClosePauseMs);
    }
}

// ---- byte level --------------------------------------------------------------------

void TLink::RestartKeepAlive() {
    if (!tcp_) return;
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
            if (io.owns_lock() && tcp_ && queue_ && open_ && !lost_) {
                if (keepAliveRunning_ && Clock::now() >= keepAliveDue_) {
                    keepAliveDue_ = Clock::now() + std::chrono::milliseconds(Scaled(KeepAliveMs));
                    if (tcp_->Send("S"))
                        keepAlivesSent_.fetch_add(1);
                    else
                        lost_.store(true);
                }
                // What arrives meanwhile waits in the queue; a closed connection is
                // reported by the next operation, on the thread that owns the link.
                if (!lost_ && queue_->Room() > 0) {
                    char buf[TReceiveQueue::Size];
                    const int n = tcp_->Receive(buf, queue_->Room(), 0);
                    if (n < 0)
                        lost_.store(true);
                    else
                        queue_->Fill(buf, n);
                }
            }
        }
        wake.lock();
    }
}

void TLink::KeepAlive() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (lost_.exchange(false)) {
        ConnectionLost();
        return;
    }
    KeepAliveLocked();
}

void TLink::KeepAliveLocked() {
    if (!tcp_ || !keepAliveRunning_) return;
    if (Clock::now() >= keepAliveDue_) {
        keepAliveDue_ = Clock::now() + std::chrono::milliseconds(Scaled(KeepAliveMs));
        if (!tcp_->Send("S")) {
            ConnectionLost();
            return;
        }
        keepAlivesSent_.fetch_add(1);
    }
    // Notice a connection the peer has closed meanwhile.
    if (!FillQueue(0)) return;
    if (open_ && !tcp_->Connected()) ConnectionLost();
}

void TLink::ConnectionLost() {
    if (tcp_) {
        int code = tcp_->ClosedError();
        if (code != 0)
            ui_.Error(TMessage::Fixed("Disconnected, error #" + std::to_string(code & 0xFFFF)));
        closedInOrder_.store(code == 0);
    }
    // Serial: the device went away (unplugged adapter, closed pseudo-terminal). There is
    // nothing to wait for any more; the caller reports the failed operation.
    Close();
}

bool TLink::FillQueue(int timeoutMs) {
    if (!tcp_ || !queue_) return false;
    if (queue_->Room() == 0) return true;  // the rest stays in the client for now
    char buf[TReceiveQueue::Size];
    int n = tcp_->Receive(buf, queue_->Room(), timeoutMs);
    if (n < 0) {
        ConnectionLost();
        return false;
    }
    queue_->Fill(buf, n);
    return true;
}

bool TLink::TcpSend(const std::string& bytes) {
    if (!tcp_) return false;
    if (tcp_->Send(bytes)) return true;
    ConnectionLost();
    return false;
}

bool TLink::ReadByteUntil(uint8_t& b, Clock::time_point deadline) {
    // Waits in slices of at most kSliceMs, so that a cancel request is seen in time.
    constexpr long long kSliceMs = 100;
    auto left = [&] {
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(ms, 0, kSliceMs));
    };
    auto over = [&] { return Clock::now() >= deadline || Cancelled(); };
    if (serial_) {
        for (;;) {
            if (serial_->WaitReadable(left())) {
                if (serial_->ReadByte(b)) return true;
            }
            if (serial_->Broken()) {
                ConnectionLost();
                return false;
            }
            if (over()) return false;
        }
    }
    while (tcp_ && queue_) {
        if (queue_->Count() > 0) {
            b = queue_->Take();
            return true;
        }
        int ms = left();
        if (!FillQueue(ms)) return false;
        if (queue_->Count() == 0 && (ms == 0 || over())) return false;
    }
    return false;
}

bool TLink::ReadByteWithin(uint8_t& b, int timeoutMs) {
    return ReadByteUntil(b, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

void TLink::PurgeAll() {
    if (serial_) {
        serial_->PurgeInput();
        serial_->PurgeOutput();
    }
}

bool TLink::ReceiveData(int count, std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    text.clear();
    if (lost_.exchange(false)) {
        ConnectionLost();
        return false;
    }
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
    if (lost_.exchange(false)) {
        ConnectionLost();
        return false;
    }
    if (serial_) {
        if (serial_->WaitReadable(0)) return serial_->ReadByte(b);
        if (serial_->Broken()) ConnectionLost();
        return false;
    }
    if (!tcp_ || !queue_) return false;
    if (queue_->Count() == 0 && !FillQueue(0)) return false;
    if (queue_->Count() == 0) return false;
    b = queue_->Take();
    return true;
}

bool TLink::WaitByte(uint8_t& b, int timeoutMs) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        KeepAlive();
        if (!open_) return false;
        auto until = deadline;
        if (tcp_ && keepAliveRunning_) until = std::min(until, keepAliveDue_);
        if (ReadByteUntil(b, until)) return true;
        if (!open_) return false;
        if (Clock::now() >= deadline || Cancelled()) return false;
    }
}

void TLink::Jam() {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (serial_) {
        serial_->PurgeOutput();
        serial_->WriteBytes(kWake3 + "00000000");
    } else if (tcp_) {
        TcpSend("UUU00000000");
    }
}

// ---- exchanges ---------------------------------------------------------------------

bool TLink::SendCommand(const std::string& frame) {
    std::lock_guard<std::recursive_mutex> lock(io_);
    if (lost_.exchange(false)) ConnectionLost();
    bool connected = serial_ ? true : (tcp_ && tcp_->Connected());
    if (!connected) {
        ui_.Error(TMessage::Lang(texts_, Text::NoConnection));
        return false;
    }
    const std::string completed = CompleteFrame(frame);
    const std::string withChecksum = frame + Checksum(frame);

    if (tcp_) {
        for (int attempt = 1; attempt <= kOtherAttempts; ++attempt) {
            if (Cancelled() || !open_) return false;
            if (AttemptTcp(completed, attempt)) return true;
        }
        return false;
    }
    if (!Settings.DumpRead) {
        for (int attempt = 1; attempt <= kHandshakeAttempts; ++attempt) {
            if (Cancelled() || !open_) return false;
            if (AttemptHandshake(completed, withChecksum)) return true;
            if (attempt < kHandshakeAttempts && open_) {
                Pause(kRetryPauseMs);
                PurgeAll();
            }
        }
        return false;
    }
    for (int attempt = 1; attempt <= kOtherAttempts; ++attempt) {
        if (Cancelled() || !open_) return false;
        if (AttemptNoHandshake(completed, attempt)) return true;
    }
    return false;
}

bool TLink::Handshake() {
    const int timeout = ByteTimeout();
    for (int attempt = 1; attempt <= kHandshakeTries; ++attempt) {
        if (Cancelled() || !serial_) return false;
        if (attempt == 5) serial_->WriteBytes(kAA3);
        serial_->WriteBytes(attempt <= 2 ? std::string("\x55") : kWake3);
        const auto limit = Clock::now() + std::chrono::milliseconds(timeout * kStartWaitLimit);
        uint8_t b = 0;
        while (
            ReadByteUntil(b, std::min(limit, Clock::now() + std::chrono::milliseconds(timeout)))) {
            if (b == 'U') return true;
        }
        if (!serial_ || Cancelled()) return false;
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

bool TLink::AttemptHandshake(const std::string& completed,
                                   const std::string& withoutLineEnd) {
    lastError_ = ErrNone;
    serial_->PurgeInput();
    bool awake = Handshake();
    if (!serial_) {  // device gone
        lastError_ = ErrNoAnswer;
        return false;
    }
    serial_->PurgeInput();
    if (!awake) {
        lastError_ = ErrNoAnswer;
        return false;
    }
    serial_->WriteBytes(completed);
    // Reads expect the echo with its line end; writes the echo plus three characters.
    size_t expected =
        completed.size() > withoutLineEnd.size() ? completed.size() : withoutLineEnd.size() + 3;
    CollectAndCheck(withoutLineEnd, expected, false);
    return lastError_ == ErrNone;
}

bool TLink::AttemptNoHandshake(const std::string& completed, int attempt) {
    lastError_ = ErrNone;
    serial_->PurgeOutput();
    // The 0xAA bytes that follow the third failure go out after this purge, so that it
    // cannot discard them before they have left.
    if (attempt == 4) serial_->WriteBytes(kAA3);
    serial_->WriteBytes(kWake3);
    serial_->PurgeInput();
    serial_->WriteBytes(completed);
    bool read = completed.size() >= 2 && completed.back() == '\n';
    CollectAndCheck(completed, read ? completed.size() : completed.size() + 3, true);
    if (lastError_ == ErrNone) return true;
    if (!serial_) return false;
    if (attempt < kOtherAttempts) {
        Pause(kRetryPauseMs);
        PurgeAll();
    }
    return false;
}

bool TLink::AttemptTcp(const std::string& completed, int attempt) {
    keepAliveRunning_ = false;
    lastError_ = ErrNone;
    // Clear the queue and whatever stale bytes the client still holds.
    queue_->Clear();
    for (int i = 0; i < 16 && tcp_ && queue_ && FillQueue(0) && queue_->Count() > 0; ++i)
        queue_->Clear();
    if (!tcp_ || !TcpSend(kWake3 + completed)) {
        lastError_ = ErrNoAnswer;
        return false;
    }
    bool read = completed.size() >= 2 && completed.back() == '\n';
    CollectAndCheck(completed, read ? completed.size() : completed.size() + 3, true);
    RestartKeepAlive();
    if (lastError_ == ErrNone) return true;
    if (!tcp_) return false;  // connection lost
    if (attempt < kOtherAttempts) {
        queue_->Clear();
        Pause(kRetryPauseMs);
        if (attempt == 3 && !TcpSend(kAA3)) return false;
    }
    return false;
}

}  // namespace ravlin
