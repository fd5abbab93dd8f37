#include "receiver/TransferWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "link/Link.h"
#include "receiver/Rx.h"

namespace ravlin {

namespace {

std::string Hex(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(value) & 0xFFFFu);
    return std::string(buf).substr(0, static_cast<size_t>(digits));
}

}  // namespace

int TTransferWorker::Nearest(long long num, long long den) {
    if (den <= 0) return 100;
    if (num < 0) return -Nearest(-num, den);
    long long q = num / den;
    long long r2 = 2 * (num % den);
    if (r2 > den || (r2 == den && (q & 1))) ++q;
    return static_cast<int>(q);
}

TTransferWorker::TTransferWorker(TRx& rx, TLink& link, TUserInterface& ui, const TTextTable& texts)
    : rx_(rx), link_(link), ui_(ui), texts_(texts) {
    thread_ = std::thread([this] { Execute(); });
}

TTransferWorker::~TTransferWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        terminate_.store(true);
        abort_.store(true);
        cancel_.store(true);
        job_.store(TJob::None);
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool TTransferWorker::Start(TJob job) {
    if (job == TJob::None) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.load() || terminate_.load()) return false;
        idle_.store(false);
        cancel_.store(false);
        cancelled_.store(false);
        abort_.store(false);
        job_.store(job);
    }
    wake_.notify_all();
    return true;
}

bool TTransferWorker::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return idle_.load(); });
    return result_.load();
}

bool TTransferWorker::WaitIdleFor(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return idle_.load(); });
}

bool TTransferWorker::Run(TJob job) {
    if (!Start(job)) return false;
    return Wait();
}

void TTransferWorker::StopOnline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job_.load() == TJob::Online) {
            job_.store(TJob::None);
            abort_.store(true);
        }
    }
    Wait();
}

void TTransferWorker::Execute() {
    for (;;) {
        TJob job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return terminate_.load() || !idle_.load(); });
            if (terminate_.load()) return;
            job = job_.load();
        }
        switch (job) {
            case TJob::Download:
                link_.SetCancelFlag(&cancel_);
                result_.store(Download());
                break;
            case TJob::Upload:
                link_.SetCancelFlag(&cancel_);
                result_.store(Upload());
                break;
            case TJob::ReadReceiver:
                link_.SetCancelFlag(&cancel_);
                result_.store(ReadReceiver());
                break;
            case TJob::Online:
                link_.SetCancelFlag(&abort_);
                Listen();
                break;
            case TJob::None:
                break;
        }
        link_.SetCancelFlag(nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_.store(TJob::None);
            idle_.store(true);
        }
        done_.notify_all();
    }
}

bool TTransferWorker::CancelPending() {
    // The user interface may carry its own latched request besides the worker's flag (the
    // progress window's Cancel sets both, the command line's Ctrl+C only the former). One
    // request counts once, however it arrived, so an upload answered "No" goes on.
    const bool ui = ui_.CancelRequested();
    if (ui && !uiCancelSeen_) {
        uiCancelSeen_ = true;
        cancel_.store(true);
    }
    if (!ui) uiCancelSeen_ = false;
    return cancel_.load();
}

void TTransferWorker::SetProgress(int value) {
    if (value > 100) value = 100;
    if (value < 0) value = 0;
    progress_.store(value);
    if (value == shownProgress_) return;
    shownProgress_ = value;
    ui_.Progress(value, 100);
}

void TTransferWorker::Phase(const TMessage& text) {
    ui_.ProgressPhase(text);
    shownProgress_ = -1;
    SetProgress(0);
}

void TTransferWorker::ReportError(Text secondText, const std::string& detail) {
    const std::string& second = TextAt(texts_, secondText);
    ui_.Error(TMessage::Lang(texts_, Text::CommunicationError, " " + second + detail));
}

std::string TTransferWorker::AddressList(const std::vector<int>& addresses) {
    constexpr size_t kShown = 8;
    std::string out;
    for (size_t i = 0; i < addresses.size() && i < kShown; ++i)
        out += (i ? ", " : "") + Hex(addresses[i], 4);
    if (addresses.size() > kShown) out += ", ...";
    return out;
}

// ---- confirmed reads ---------------------------------------------------------

int TTransferWorker::Confirm(int address, int count, std::vector<std::string> reads,
                             std::string& agreed) {
    for (int extra = 0;; ++extra) {
        for (size_t i = 0; i < reads.size(); ++i)
            for (size_t j = i + 1; j < reads.size(); ++j)
                if (reads[i] == reads[j]) {
                    agreed = reads[i];
                    return 1;
                }
        if (extra == kExtraReads) return 0;
        if (CancelPending()) return -1;
        std::string data;
        if (!rx_.ReadBlock('9', address, count, data)) return -1;
        reads.push_back(std::move(data));
    }
}

int TTransferWorker::ReadExpected(int address, int count, const std::string& expected,
                                  std::string& data) {
    if (!rx_.ReadBlock('9', address, count, data)) return -1;
    // A changed digit cannot turn what the receiver holds into exactly what was expected;
    // any other answer must be seen twice.
    if (data == expected) return 1;
    return Confirm(address, count, {data}, data);
}

bool TTransferWorker::ReadConfirmed(int address, int count, const std::string* expected,
                                    std::string& data) {
    int r = -1;
    if (expected) {
        r = ReadExpected(address, count, *expected, data);
    } else {
        std::string one, two;
        if (rx_.ReadBlock('9', address, count, one) && rx_.ReadBlock('9', address, count, two))
            r = Confirm(address, count, {one, two}, data);
    }
    if (r > 0) return true;
    if (r == 0)
        ReportError(Text::ReadingMemory, " - no two reads agree at " + AddressList({address}));
    else if (!CancelPending())
        ReportError(Text::ReadingMemory);
    return false;
}

// ---- download ----------------------------------------------------------------

bool TTransferWorker::Download() {
    uiCancelSeen_ = false;  // a request made before the job (Ctrl+C) counts too
    Phase(TMessage::Lang(texts_, Text::Downloading));
    rx_.Image.clear();
    bool ok = link_.Settings.DumpRead ? DownloadStream() : DownloadBlocks();
    if (!ok && cancel_.load()) cancelled_.store(true);
    return ok;
}

bool TTransferWorker::ReadArea(const TBlockRead& read, std::string& image, int& readEnd,
                               bool progress) {
    const TDevice& dev = rx_.Device;
    const int start = dev.StartAddress;
    const int end = dev.EndAddress;
    const int recordBytes = dev.RecordLength() / 2;
    const long long span = end - start;
    image.clear();
    readEnd = start;
    int examined = 0;  // records examined so far, from StartAddress on
    int a = start;
    while (a <= end) {
        if (CancelPending()) return false;
        // Never read past the record area: a memory whose size is not a multiple of 16
        // ends with a shorter block.
        const int count = end - a + 1 < 16 ? end - a + 1 : 16;
        const bool last = a + count - 1 >= end;
        std::string data;
        if (!read(a, count, data)) return false;
        image += data;
        readEnd = a + count;
        if (recordBytes > 0) {
            const int limit = last ? end : a;
            for (;;) {
                const int recStart = start + examined * recordBytes;
                const int recLast = recStart + recordBytes - 1;
                if (recLast >= limit) break;
                const size_t digit = static_cast<size_t>(recStart - start) * 2;
                const size_t half = static_cast<size_t>(recordBytes);
                bool empty = image.size() >= digit + half;
                for (size_t i = 0; empty && i < half; ++i) empty = image[digit + i] == 'F';
                if (empty) {
                    image.resize(digit);
                    for (int p = recStart; p <= end; ++p) {
                        image += "FF";
                        if (progress) SetProgress(Nearest((p - start) * 100LL, span));
                    }
                    return true;
                }
                ++examined;
            }
        }
        a += 16;
        if (progress) SetProgress(Nearest((a - start) * 100LL, span));
    }
    return true;
}

bool TTransferWorker::DownloadBlocks() {
    std::string image;
    int readEnd = 0;
    const auto once = [this](int a, int count, std::string& data) {
        if (rx_.ReadBlock('9', a, count, data)) return true;
        if (!CancelPending()) ReportError(Text::ReadingMemory);
        return false;
    };
    if (!ReadArea(once, image, readEnd, true)) return false;
    if (options_.verifyDownload && !VerifyBlocks(image, readEnd)) return false;
    rx_.Image = std::move(image);
    return true;
}

bool TTransferWorker::VerifyBlocks(std::string& image, int readEnd) {
    Phase(TMessage::Fixed("Verifying the download ..."));
    const int start = rx_.Device.StartAddress;
    const long long span = std::max(1, readEnd - start);
    std::string agreed;  // the confirmed digits of the range the download read
    std::vector<int> unsure;
    for (int a = start; a < readEnd; a += 16) {
        if (CancelPending()) return false;
        const int count = std::min(16, readEnd - a);
        const std::string first = image.substr(static_cast<size_t>(a - start) * 2, 2 * count);
        std::string second;
        if (!rx_.ReadBlock('9', a, count, second)) {
            if (!CancelPending()) ReportError(Text::ReadingMemory);
            return false;
        }
        std::string block = first;
        if (second != first) {
            const int r = Confirm(a, count, {first, second}, block);
            if (r < 0) {
                if (!CancelPending()) ReportError(Text::ReadingMemory);
                return false;
            }
            if (r == 0) unsure.push_back(a);
        }
        agreed += block;
        SetProgress(Nearest((a + count - start) * 100LL, span));
    }
    if (!unsure.empty()) {
        ReportError(Text::ReadingMemory, " - no two reads agree at " + AddressList(unsure));
        return false;
    }
    if (image.compare(0, agreed.size(), agreed) == 0) return true;
    // The first pass misread a block. Where the download stops depends on what was read,
    // so the area is taken again from the confirmed blocks; a record the first pass took
    // for empty continues it with blocks read until two reads agree.
    unsure.clear();
    const auto confirmed = [&](int a, int count, std::string& data) {
        const size_t at = static_cast<size_t>(a - start) * 2;
        if (a + count <= readEnd) {
            data = agreed.substr(at, 2 * static_cast<size_t>(count));
            return true;
        }
        return ReadConfirmed(a, count, nullptr, data);
    };
    int end = 0;
    std::string again;
    if (!ReadArea(confirmed, again, end, false)) return false;
    image = std::move(again);
    SetProgress(100);
    return true;
}

bool TTransferWorker::ReadReceiver() {
    uiCancelSeen_ = false;
    Phase(TMessage::Fixed("Reading the receiver memory to compare ..."));
    const int start = rx_.Device.StartAddress;
    const std::string& upload = rx_.UploadImage;
    const auto read = [&](int a, int count, std::string& data) {
        const size_t at = static_cast<size_t>(a - start) * 2;
        const std::string expected =
            at < upload.size() ? upload.substr(at, 2 * static_cast<size_t>(count)) : std::string();
        return ReadConfirmed(a, count, &expected, data);
    };
    std::string image;
    int readEnd = 0;
    rx_.ReceiverImage.clear();
    if (!ReadArea(read, image, readEnd, true)) {
        if (cancel_.load()) cancelled_.store(true);
        return false;
    }
    rx_.ReceiverImage = std::move(image);
    return true;
}

bool TTransferWorker::StreamPass(int pass, std::string& image) {
    const TDevice& dev = rx_.Device;
    const int start = dev.StartAddress;
    const int end = dev.EndAddress;
    const long long span = end - start;
    image.clear();
    int a = start;
    for (int frames = 1;; ++frames) {
        if (CancelPending()) return false;
        const bool sent = link_.SendCommand(":05000009" + Hex(a, 4) + Hex(end, 4) + "00");
        bool good = sent;
        while (good && a <= end) {
            if (CancelPending()) return false;
            std::string line, data;
            // Data that is not hexadecimal is a garbled line: the pass starts again there.
            good = link_.ReceiveData(39, line) && ParseStreamLine(line, a, data);
            if (good) {
                image += data;
                a += 16;
            }
            SetProgress(Nearest((a - start) * 50LL, span) + (pass == 2 ? 50 : 0));
        }
        if (good) break;
        if (CancelPending()) return false;
        // A lost connection is not mended by sending the frame again.
        if (frames >= 5 || !link_.IsOpen()) return false;
    }
    const size_t digits = static_cast<size_t>(end - start + 1) * 2;
    if (image.size() > digits) image.resize(digits);
    return true;
}

bool TTransferWorker::DownloadStream() {
    std::string first;
    if (!StreamPass(1, first)) {
        if (!cancel_.load()) ReportError(Text::ReadingMemory);
        return false;
    }
    std::string& second = rx_.Image;
    if (!StreamPass(2, second)) {
        if (!cancel_.load()) ReportError(Text::ReadingMemory);
        return false;
    }
    if (first != second) {
        ReportError(Text::ReadingMemory);
        return false;
    }
    return true;
}

// ---- upload ------------------------------------------------------------------

bool TTransferWorker::UploadCancelled() {
    if (!CancelPending()) return false;
    if (ui_.Ask(TMessage::Lang(texts_, Text::CancelUpload), TButtons::YesNo) == TAnswer::Yes) {
        cancelled_.store(true);
        return true;
    }
    cancel_.store(false);
    return false;
}

bool TTransferWorker::UploadExchange(const std::string& frame) {
    for (;;) {
        if (UploadCancelled()) return false;
        if (link_.SendCommand(frame)) return true;
        // A cancel request interrupts the link's waits: ask, and on "No" repeat the
        // interrupted exchange instead of reporting a failure.
        if (CancelPending()) continue;
        ReportError(Text::WritingMemory);
        return false;
    }
}

bool TTransferWorker::Upload() {
    uiCancelSeen_ = false;  // a request made before the job (Ctrl+C) counts too
    readBack_.store(TReadBack::NotRun);
    rx_.ReadBack.clear();
    Phase(TMessage::Lang(texts_, Text::Uploading));
    return UploadLines();
}

bool TTransferWorker::UploadLines() {
    const TDevice& dev = rx_.Device;
    const std::string& image = rx_.UploadImage;
    const long long d = static_cast<long long>(image.size());
    if (dev.BlockSize <= 0) {
        ReportError(Text::WritingMemory);
        return false;
    }

    // Phase 1: prepare every block of the memory.
    int a = dev.StartAddress;
    long long prepared = 0;
    do {
        if (!UploadExchange(":0300000401" + Hex(a, 4))) return false;
        a += dev.BlockSize;
        prepared += 2LL * dev.BlockSize;
        SetProgress(Nearest(10 * prepared, d));
    } while (prepared < d);

    // Phase 2: 32-byte data lines, only as far as the used records (plus two) reach.
    a = dev.StartAddress;
    long long sent = 0;
    const long long limit = static_cast<long long>(dev.RecordLength()) * (dev.UsedCount + 2);
    while (d >= sent + 64) {
        const std::string frame =
            ":20" + Hex(a, 4) + "00" + image.substr(static_cast<size_t>(sent), 64);
        if (!UploadExchange(frame)) return false;
        SetProgress(Nearest(sent * 90, d) + 10);
        a += 32;
        sent += 64;
        if (sent > limit) {
            for (long long k = sent; k <= d; ++k) SetProgress(Nearest(k * 90, d) + 10);
            return ReadBackUpload(sent);
        }
    }
    const long long rest = d - sent;
    if (rest > 0) {
        const std::string frame = ":" + Hex(static_cast<int>(rest / 2), 2) + Hex(a, 4) + "00" +
                                  image.substr(static_cast<size_t>(sent));
        if (!UploadExchange(frame)) return false;
        sent = d;
    }
    SetProgress(100);
    return ReadBackUpload(sent);
}

bool TTransferWorker::ReadBackUpload(long long sentDigits) {
    if (!options_.readBack) return true;
    Phase(TMessage::Fixed("Reading back what was written ..."));
    const int start = rx_.Device.StartAddress;
    const std::string& image = rx_.UploadImage;
    const int writtenEnd = start + static_cast<int>(sentDigits / 2);
    const long long span = std::max(1, writtenEnd - start);
    std::string held;
    bool same = true;
    for (int a = start; a < writtenEnd; a += 16) {
        // The receiver was written completely; a cancel now only ends the check.
        if (CancelPending()) {
            cancelled_.store(true);
            return false;
        }
        const int count = std::min(16, writtenEnd - a);
        const std::string expected =
            image.substr(static_cast<size_t>(a - start) * 2, 2 * static_cast<size_t>(count));
        std::string data;
        const int r = ReadExpected(a, count, expected, data);
        if (r <= 0) {
            if (r < 0 && CancelPending()) {
                cancelled_.store(true);
                return false;
            }
            ReportError(Text::ReadingMemory,
                        r == 0 ? " - no two reads agree at " + AddressList({a}) : std::string());
            readBack_.store(TReadBack::Failed);
            return false;
        }
        if (data != expected) same = false;
        held += data;
        SetProgress(Nearest((a + count - start) * 100LL, span));
    }
    rx_.ReadBack = std::move(held);
    readBack_.store(same ? TReadBack::Same : TReadBack::Differs);
    return same;
}

// ---- on-line listening -------------------------------------------------------

void TTransferWorker::Listen() {
    using Clock = std::chrono::steady_clock;
    const THeldLinkMessages held(link_);
    Clock::time_point heard = Clock::now();  // the last byte from the receiver
    bool asking = false;                     // a probe waits for its answer
    Clock::time_point asked{};               // since
    const auto end = [this](TListenEnd why) { listenEnd_.store(why); };
    while (job_.load() == TJob::Online && !terminate_.load()) {
        link_.KeepAlive();
        uint8_t b = 0;
        if (link_.WaitByte(b, 200)) {
            heard = Clock::now();
            asking = false;
            if (b != 'R') continue;  // the probe's answer, or noise
            std::lock_guard<std::mutex> lock(mutex_);
            if (job_.load() == TJob::Online) {
                receptions_.fetch_add(1);
                job_.store(TJob::None);
                end(TListenEnd::Reception);
            } else {
                end(TListenEnd::Stopped);
            }
            return;
        }
        if (!link_.IsOpen()) return end(TListenEnd::LinkLost);
        if (job_.load() != TJob::Online) break;  // stopped: the probe is no news now
        const auto now = Clock::now();
        if (asking && now - asked >= std::chrono::milliseconds(kProbeReplyMs)) {
            link_.Close();
            return end(TListenEnd::SilentPeer);
        }
        if (!asking && now - heard >= std::chrono::milliseconds(kProbeIdleMs)) {
            if (!link_.SendProbe()) return end(TListenEnd::LinkLost);
            asking = true;
            asked = now;
        }
    }
    end(TListenEnd::Stopped);
}

}  // namespace ravlin
