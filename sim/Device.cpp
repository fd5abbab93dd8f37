#include "Device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/Hex.h"

namespace ravlin::sim {

namespace {

bool IsReadTypeDigit(char c) {
    return c == '1' || c == '7' || c == '9';
}

// Room for a whole stream answer over the largest record area (4096 lines of 39 bytes).
constexpr size_t kMaxOutput = 262144;

}  // namespace

bool ParseHex(const std::string& text, uint32_t& value) {
    return !text.empty() && ravlin::ParseHex(text, value);
}

TSimDevice::TSimDevice(const TSimConfig& config)
    : cfg_(config), mem_(0x10000, 0xFF), rng_(config.seed) {}

void TSimDevice::SetWord(int a, int v) {
    mem_[a & 0xFFFF] = static_cast<uint8_t>(v >> 8);
    mem_[(a + 1) & 0xFFFF] = static_cast<uint8_t>(v);
}

std::string TSimDevice::Layout() {
    const TSimConfig& c = cfg_;
    for (int a : {c.start, c.end, c.online, c.nameAddr, c.passwordAddress})
        if (a < 0 || a > 0xFFFF) return "addresses must lie between 0000 and FFFF";
    if (c.end < c.start) return "the end address lies below the start address";
    if (c.type.empty() || c.type.size() > 8) return "the type name must have 1 to 8 characters";
    if (c.password.size() > 16) return "the password must have at most 16 characters";
    if (c.blockSize < 1) return "the block size must be positive";
    struct Area {
        const char* name;
        int first, last;
    };
    const Area areas[] = {{"descriptor", DescriptorAddress, DescriptorAddress + 15},
                          {"name area", c.nameAddr, c.nameAddr + 15},
                          {"password area", c.passwordAddress, c.passwordAddress + 15},
                          {"last-reception block", c.online, c.online + 15},
                          {"record area", c.start, c.end}};
    for (const Area& a : areas)
        if (a.last > 0xFFFF) return std::string("the ") + a.name + " runs past FFFF";
    for (size_t i = 0; i < std::size(areas); ++i)
        for (size_t j = i + 1; j < std::size(areas); ++j)
            if (areas[i].first <= areas[j].last && areas[j].first <= areas[i].last)
                return std::string("the ") + areas[i].name + " overlaps the " + areas[j].name;

    std::fill(mem_.begin(), mem_.end(), 0xFF);
    std::fill_n(mem_.begin() + DescriptorAddress, 16, 0);
    SetWord(DescriptorAddress, c.start);
    SetWord(DescriptorAddress + 2, c.end);
    SetWord(DescriptorAddress + 4, c.online);
    SetWord(DescriptorAddress + 6, c.nameAddr);
    SetWord(DescriptorAddress + 8, c.passwordAddress);
    std::fill_n(mem_.begin() + c.nameAddr, 16, 0);
    std::copy(c.type.begin(), c.type.end(), mem_.begin() + c.nameAddr);
    std::fill_n(mem_.begin() + c.passwordAddress, 16, 0);
    std::copy(c.password.begin(), c.password.end(), mem_.begin() + c.passwordAddress);
    // Nothing received yet: serial 0000000, position FFFF.
    std::fill_n(mem_.begin() + c.online, 16, 0);
    SetWord(c.online + 9, 0xFFFF);
    return {};
}

std::vector<uint8_t> TSimDevice::RecordArea() const {
    return {mem_.begin() + Start(), mem_.begin() + End() + 1};
}

bool TSimDevice::LoadRecordArea(const std::vector<uint8_t>& data) {
    if (Start() > End() || data.size() > static_cast<size_t>(End() - Start() + 1)) return false;
    std::copy(data.begin(), data.end(), mem_.begin() + Start());
    return true;
}

bool TSimDevice::Chance(double p) {
    if (p <= 0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p;
}

void TSimDevice::Emit(uint8_t b, bool abortable) {
    const int delayMs = answerDelay_;
    if (Chance(cfg_.drop)) {
        answerDelay_ = delayMs;  // the pause stays on the line even when the byte is lost
        return;
    }
    answerDelay_ = 0;
    if (Chance(cfg_.corrupt)) b ^= 0x01;
    // A peer that sends without ever reading overruns the device's output buffer.
    if (out_.size() >= kMaxOutput) return;
    out_.push_back({b, delayMs, abortable});
}

void TSimDevice::Emit(const std::string& s) {
    for (char c : s) Emit(static_cast<uint8_t>(c));
}

void TSimDevice::Status(char c) {
    if (c == 'X') ++rejected_;
    Emit(std::string{c, '\r', '\n'});
}

void TSimDevice::Reset() {
    frame_.clear();
    frameLength_ = 0;
    answerDelay_ = 0;
    frames_ = 0;
    out_.clear();
    ++aborts_;
}

void TSimDevice::Idle() {
    if (!frame_.empty() || !out_.empty() || Muted()) return;
    while (pendingReports_ > 0) {
        --pendingReports_;
        if (Chance(cfg_.drop)) continue;
        out_.push_back({'R', 0, false});
    }
}

void TSimDevice::Receive(uint8_t b) {
    if (Chance(cfg_.drop)) return;
    if (Chance(cfg_.corrupt)) b ^= 0x01;
    if (Muted()) return;
    ReceiveClean(b);
}

void TSimDevice::ReceiveClean(uint8_t b) {
    // A wake-up byte or the start of a new frame ends whatever answer is still waiting to
    // be sent: the peer has given up on it (a stream line it found bad, for example).
    auto abortAnswer = [this] {
        // Every byte that may not be dropped is queued right after an abort, so the bytes
        // that may be dropped always form the tail of the queue.
        bool dropped = false;
        while (!out_.empty() && out_.back().abortable) {
            out_.pop_back();
            dropped = true;
        }
        if (dropped) ++aborts_;
        answerDelay_ = 0;
        frame_.clear();
        frameLength_ = 0;
    };
    if (b == 0x55) {
        abortAnswer();
        Emit('U', false);
        return;
    }
    if (b == ':') {
        abortAnswer();
        frame_ = ":";
        Emit(':');
        return;
    }
    if (frame_.empty()) return;  // idle: "S", 0xAA, line ends and noise are ignored
    if (b == 0xAA) {
        frame_.clear();
        frameLength_ = 0;
        return;
    }

    const size_t pos = frame_.size();
    bool ok;
    if (frameLength_ && IsReadTypeDigit(frame_[8]) && pos >= frameLength_ - 2)
        ok = b == (pos == frameLength_ - 2 ? '\r' : '\n');
    else
        ok = UpperHexDigitValue(static_cast<char>(b)) >= 0;
    frame_.push_back(static_cast<char>(b));
    Emit(b);
    if (!ok) {
        ++frames_;
        ++totalFrames_;
        frame_.clear();
        frameLength_ = 0;
        Status('X');
        return;
    }
    if (frame_.size() == 3) {
        const int count = UpperHexDigitValue(frame_[1]) << 4 | UpperHexDigitValue(frame_[2]);
        frameLength_ = 1 + 2 + 4 + 2 + 2 * count + 2;
    } else if (frame_.size() == 9 && IsReadTypeDigit(frame_[8])) {
        frameLength_ += 2;
    }
    if (frameLength_ && frame_.size() == frameLength_) Process();
}

void TSimDevice::Process() {
    std::string frame;
    frame.swap(frame_);
    frameLength_ = 0;
    ++frames_;
    ++totalFrames_;
    if (Chance(cfg_.delayP)) answerDelay_ = cfg_.delayMs;

    std::vector<int> bytes;
    int sum = 0;
    for (size_t i = 1; i + 1 < frame.size() && UpperHexDigitValue(frame[i]) >= 0; i += 2) {
        bytes.push_back(UpperHexDigitValue(frame[i]) << 4 | UpperHexDigitValue(frame[i + 1]));
        sum += bytes.back();
    }
    if (sum % 256 != 0 || bytes.size() < 5) return Status('X');
    const int count = bytes[0];
    const int address = bytes[1] << 8 | bytes[2];
    const int type = bytes[3];
    const int* data = bytes.data() + 4;

    auto writeRefused = [this] {
        if (Chance(cfg_.answerX)) {
            Status('X');
            return true;
        }
        if (Chance(cfg_.answerR)) {
            Status('R');
            return true;
        }
        return false;
    };

    switch (type) {
        case 0x01:
        case 0x07:
        case 0x09: {
            if (count != 5) return Status('X');
            const int first = data[0] << 8 | data[1];
            const int last = data[2] << 8 | data[3];
            if (last < first) return Status('X');
            return ReadReply(type, first, last);
        }
        case 0x04: {  // block preparation: erase one block of the record area
            if (count != 3) return Status('X');
            const int block = data[1] << 8 | data[2];
            if (block < Start() || block > End()) return Status('X');
            if (writeRefused()) return;
            const int last = std::min(block + cfg_.blockSize - 1, End());
            for (int a = block; a <= last; ++a) Store(a, 0xFF);
            return Status('.');
        }
        case 0x00: {  // data line into the record area
            if (count > 0 && (address < Start() || address + count - 1 > End())) return Status('X');
            if (writeRefused()) return;
            for (int i = 0; i < count; ++i) Store(address + i, static_cast<uint8_t>(data[i]));
            return Status('.');
        }
        case 0x0A: {  // password area, always whole
            if (count != 16 || address != PasswordAddress()) return Status('X');
            if (writeRefused()) return;
            for (int i = 0; i < 16; ++i) mem_[address + i] = static_cast<uint8_t>(data[i]);
            return Status('.');
        }
        default:
            return Status('X');
    }
}

void TSimDevice::ReadReply(int type, int first, int last) {
    auto digits = [this](int a, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += HexByte(mem_[(a + i) & 0xFFFF]);
        return s;
    };
    const int count = last - first + 1;
    if (type == 0x09 && count > 16) {
        // Stream: one 39-character line per 16 bytes; a short tail still gets 16 bytes.
        for (int a = first; a <= last; a += 16)
            Emit(Garble(a, HexWord(a) + " " + digits(a, 16)) + "\r\n");
        return;
    }
    // One line of 2 * count + 8 characters; the last one, after CR LF, is a prompt.
    Emit(Garble(first, HexWord(first) + " " + digits(first, count)) + "\r\n.");
}

std::string TSimDevice::Garble(int address, std::string line) {
    // Only the record area: a login that misreads the descriptor tests nothing here.
    if (address < Start() || address > End()) return line;
    if (line.size() <= 5 || !Chance(cfg_.replyDigit)) return line;
    const size_t at = 5 + static_cast<size_t>(rng_() % (line.size() - 5));
    const int now = UpperHexDigitValue(line[at]);
    line[at] = HexDigitChar(static_cast<unsigned>(now + 1 + static_cast<int>(rng_() % 15)));
    return line;
}

void TSimDevice::Store(int address, uint8_t value) {
    if (address == cfg_.stuck) return;
    mem_[address & 0xFFFF] = value;
}

void TSimDevice::Reception(uint32_t serial, int button, int battery, int position) {
    uint8_t* b = mem_.data() + Online();
    std::fill_n(b, 16, 0);
    b[0] = static_cast<uint8_t>((button & 15) << 4 | (serial >> 24 & 15));
    b[1] = static_cast<uint8_t>(serial >> 16);
    b[2] = static_cast<uint8_t>(serial >> 8);
    b[3] = static_cast<uint8_t>(serial);
    b[8] = static_cast<uint8_t>(battery);
    b[9] = static_cast<uint8_t>(position >> 8);
    b[10] = static_cast<uint8_t>(position);
    ++pendingReports_;
    Idle();
}

namespace {

bool ParseRate(const std::string& text, double& p) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || v < 0 || v > 1) return false;
    p = v;
    return true;
}

bool ParseCount(const std::string& text, long& n) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < -1) return false;
    n = v;
    return true;
}

}  // namespace

bool SetFault(TSimConfig& c, const std::string& name, const std::string& value) {
    if (name == "drop") return ParseRate(value, c.drop);
    if (name == "corrupt") return ParseRate(value, c.corrupt);
    if (name == "answer-x") return ParseRate(value, c.answerX);
    if (name == "answer-r") return ParseRate(value, c.answerR);
    if (name == "mute-after") return ParseCount(value, c.muteAfter);
    if (name == "disconnect-after") return ParseCount(value, c.disconnectAfter);
    if (name == "reply-digit") return ParseRate(value, c.replyDigit);
    if (name == "stuck") {
        uint32_t a = 0;
        if (value == "-1") {
            c.stuck = -1;
            return true;
        }
        if (!ParseHex(value, a) || a > 0xFFFF) return false;
        c.stuck = static_cast<long>(a);
        return true;
    }
    if (name == "delay") {
        auto colon = value.find(':');
        long ms = 0;
        double p = 0;
        if (colon == std::string::npos || !ParseRate(value.substr(0, colon), p) ||
            !ParseCount(value.substr(colon + 1), ms) || ms < 0 || ms > 600000)
            return false;
        c.delayP = p;
        c.delayMs = static_cast<int>(ms);
        return true;
    }
    return false;
}

std::string TSimDevice::Control(const std::string& line, bool& quit) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    std::vector<std::string> args;
    for (std::string a; in >> a;) args.push_back(a);
    uint32_t v[4] = {0, 0, 0, 0xFFFF};

    if (cmd == "quit") {
        quit = true;
        return "ok";
    }
    if (cmd == "reception") {
        // reception SERIAL BUTTON [BATTERY [POSITION]], all hexadecimal
        if (args.size() < 2 || args.size() > 4)
            return "error: reception SERIAL BUTTON [BATT [POS]]";
        for (size_t i = 0; i < args.size(); ++i)
            if (!ParseHex(args[i], v[i])) return "error: not hexadecimal: " + args[i];
        if (v[0] > 0xFFFFFFF || v[1] > 15 || v[2] > 0xFF || v[3] > 0xFFFF)
            return "error: value out of range";
        Reception(v[0], static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3]));
        return "ok";
    }
    if (cmd == "memory") {
        // memory ADDR HEXBYTES
        if (args.size() != 2 || !ParseHex(args[0], v[0]) || v[0] > 0xFFFF ||
            args[1].size() % 2 != 0)
            return "error: memory ADDR HEXBYTES";
        for (size_t i = 0; i < args[1].size(); i += 2) {
            uint32_t b;
            if (!ParseHex(args[1].substr(i, 2), b)) return "error: not hexadecimal: " + args[1];
            mem_[(v[0] + i / 2) & 0xFFFF] = static_cast<uint8_t>(b);
        }
        return "ok";
    }
    if (cmd == "peek") {
        // peek ADDR COUNT (count hexadecimal, at most 1000)
        if (args.size() != 2 || !ParseHex(args[0], v[0]) || !ParseHex(args[1], v[1]) ||
            v[0] > 0xFFFF || v[1] > 0x1000)
            return "error: peek ADDR COUNT";
        std::string s;
        for (uint32_t i = 0; i < v[1]; ++i) s += HexByte(mem_[(v[0] + i) & 0xFFFF]);
        return s;
    }
    if (cmd == "password") {
        // password [TEXT]: the rest of the line, as it stands
        std::string text;
        auto p = line.find("password");
        if (p + 8 < line.size()) text = line.substr(p + 9);
        if (text.size() > 16) return "error: at most 16 characters";
        std::fill_n(mem_.begin() + PasswordAddress(), 16, 0);
        std::copy(text.begin(), text.end(), mem_.begin() + PasswordAddress());
        return "ok";
    }
    if (cmd == "set") {
        if (args.size() != 2 || !SetFault(cfg_, args[0], args[1]))
            return "error: set drop|corrupt|answer-x|answer-r P, set delay P:MS, "
                   "set mute-after|disconnect-after N, set reply-digit P, set stuck ADDR|-1";
        return "ok";
    }
    if (cmd == "stats") {
        return "frames " + std::to_string(totalFrames_) + " rejected " + std::to_string(rejected_);
    }
    return "error: unknown command " + cmd;
}

}  // namespace ravlin::sim
