#pragma once
// The simulated receiver without any I/O: its 64 KiB memory, the frame parser, the
// replies, line noise and other injected faults. The I/O loop (SimMain.cpp) feeds it the
// bytes it reads and sends what it queues in Output().

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace ravlin::sim {

// Memory layout and behaviour chosen on the command line.
struct TSimConfig {
    std::string type = "KV8M";  // model code stored in the name area
    std::string password;       // initial password (at most 16 characters)
    int start = 0x1000, end = 0x17FF, online = 0x0F30, nameAddr = 0x0F10, passwordAddress = 0x0F20;
    int blockSize = 64;  // bytes erased by one block preparation

    // Faults. Line noise (drop, corrupt) hits every byte in both directions; the other
    // rates are drawn once per answer.
    uint64_t seed = 1;
    double drop = 0, corrupt = 0;
    double delayP = 0;
    int delayMs = 0;                  // pause between the echo and the rest of an answer
    double answerX = 0, answerR = 0;  // write frames answered 'X' or 'R' (not carried out)
    long muteAfter = -1;              // frames per connection after which nothing is sent
    long disconnectAfter = -1;        // bytes per connection after which it is closed
    // A reply line of a read has one data digit changed into another hexadecimal digit
    // (the line stays well-formed: only a second read can tell).
    double replyDigit = 0;
    long stuck = -1;  // address of a memory cell that ignores writes and erases (-1: none)
};

// One byte waiting to be sent. `delayMs` holds the line before this byte. Bytes of an
// answer to a frame are `abortable`: a new frame or wake-up drops what is still waiting;
// the 'U' replies and the reception byte 'R' always leave.
struct TOutByte {
    uint8_t byte;
    int delayMs = 0;
    bool abortable = true;
};

class TSimDevice {
  public:
    static constexpr int DescriptorAddress = 0x0F00;

    explicit TSimDevice(const TSimConfig& config);

    // Writes the descriptor, name, password and last-reception block; erases the record
    // area. Empty string when the layout is sound, else what is wrong with it.
    std::string Layout();

    // One byte from the line.
    void Receive(uint8_t b);
    // A new connection: parser, pending output and per-connection counters start afresh.
    void Reset();
    // Bytes waiting to be sent, in order.
    std::deque<TOutByte>& Output() { return out_; }
    // Queues the pending reception byte 'R' once no frame or answer is in progress.
    void Idle();

    // Reception: fills the last-reception block and announces it with 'R'.
    void Reception(uint32_t serial, int button, int battery, int position);
    // A control line ("reception ...", "memory ...", "peek ...", "set ...", ...). Returns
    // the one-line reply; `quit` is set by "quit".
    std::string Control(const std::string& line, bool& quit);

    // Memory access for the loop and the control channel.
    uint8_t* Memory() { return mem_.data(); }
    int Start() const { return Word(DescriptorAddress); }
    int End() const { return Word(DescriptorAddress + 2); }
    int Online() const { return Word(DescriptorAddress + 4); }
    int NameAddress() const { return Word(DescriptorAddress + 6); }
    int PasswordAddress() const { return Word(DescriptorAddress + 8); }
    // The record area as raw bytes.
    std::vector<uint8_t> RecordArea() const;
    // Replaces the start of the record area; false when data is longer than the area.
    bool LoadRecordArea(const std::vector<uint8_t>& data);

    TSimConfig& Config() { return cfg_; }
    // Grows whenever waiting output was dropped; the loop then reschedules its head.
    unsigned long Aborts() const { return aborts_; }
    long Frames() const { return frames_; }
    long TotalFrames() const { return totalFrames_; }
    long Rejected() const { return rejected_; }
    bool Muted() const { return cfg_.muteAfter >= 0 && frames_ >= cfg_.muteAfter; }

  private:
    int Word(int a) const { return mem_[a & 0xFFFF] << 8 | mem_[(a + 1) & 0xFFFF]; }
    void SetWord(int a, int v);
    bool Chance(double p);
    // Queues one byte through the line noise.
    void Emit(uint8_t b, bool abortable = true);
    void Emit(const std::string& s);
    void Status(char c);
    void Process();
    void ReadReply(int type, int first, int last);
    // Changes one data digit of a reply line (after its address and space) at the rate set,
    // for lines that start in the record area.
    std::string Garble(int address, std::string line);
    // Writes one byte of the record area, except into the stuck cell.
    void Store(int address, uint8_t value);
    void ReceiveClean(uint8_t b);

    TSimConfig cfg_;
    std::vector<uint8_t> mem_;
    std::mt19937_64 rng_;
    std::string frame_;       // frame being received, from its ':'; empty when idle
    size_t frameLength_ = 0;  // expected length once the count is known (0: not yet)
    int pendingReports_ = 0;
    int answerDelay_ = 0;  // pause to put before the next byte after the echo
    long frames_ = 0, totalFrames_ = 0, rejected_ = 0;
    unsigned long aborts_ = 0;
    std::deque<TOutByte> out_;
};

// Changes one fault setting by its option name ("drop", "delay", "mute-after", ...).
bool SetFault(TSimConfig& config, const std::string& name, const std::string& value);

// Parses up to 8 hex digits (either case); false for anything else or an empty text.
bool ParseHex(const std::string& text, uint32_t& value);

}  // namespace ravlin::sim
