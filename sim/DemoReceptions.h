#pragma once
// Receptions the simulated receiver reports by itself (--demo-receptions SECONDS), so that
// on-line and monitor mode have something to show without a hand on the control lines.
// Every few seconds one of the transmitters learnt in the memory sends one of its buttons
// (an input transmitter one of the input states of its type), now and then with a low
// battery; now and then a transmitter the receiver does not know is heard. The choice and
// the pauses follow --seed, so a run repeats exactly.
//
// Receptions come only while a peer is connected, and a pause is counted from the later of
// the last report and the peer's last frame: a download or an on-line read is never
// crossed, and every reception is read before the next one (as long as the peer reads
// within the shortest pause, half the mean).

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Device.h"
#include "catalog/Device.h"

namespace ravlin::sim {

// One reception as the last-reception block holds it.
struct TDemoReception {
    uint32_t code = 0;      // transmitter code, 7 hex digits: type prefix and serial key
    int button = 0;         // button digit (an input transmitter: its input code)
    int battery = 0;        // 1: low
    int position = 0xFFFF;  // 0-based memory position; FFFF: not in the memory
};

class TDemoReceptions {
  public:
    using Clock = std::chrono::steady_clock;

    // `meanSeconds` > 0. The records are decoded with the catalogue entry of `typeName` in
    // dataDir/Rx.def; the transmitter types (Tx.def) give input states and unknown
    // transmitters; `dataFile` (*.rvl, may be empty) the type prefixes of the learnt
    // transmitters, which the memory does not hold. Null with `why` set when the type is
    // not in the catalogue.
    static std::unique_ptr<TDemoReceptions> Make(double meanSeconds, uint64_t seed,
                                                 const std::string& dataDir,
                                                 const std::string& typeName,
                                                 const std::string& dataFile, std::string& why);

    // One round of the simulator's loop: reports a reception to `device` when one is due.
    // Returns when the loop must come back (Clock::time_point::max(): only on news).
    Clock::time_point Tick(TSimDevice& device, Clock::time_point now, bool connected);

    // The next reception, chosen from the record area as it is now.
    TDemoReception Choose(const std::vector<uint8_t>& recordArea);

  private:
    struct TLearnt {
        uint32_t code;
        int button;
        int position;
    };

    TDemoReceptions(double meanSeconds, uint64_t seed) : mean_(meanSeconds), rng_(seed) {}
    std::vector<TLearnt> Learnt(const std::vector<uint8_t>& recordArea) const;
    TDemoReception Unknown(const std::vector<TLearnt>& learnt);
    // The Tx.def type whose prefix is the code's first two digits; null when none.
    const TTx* TypeOf(uint32_t code) const;
    bool Chance(double p);
    size_t Pick(size_t count);
    Clock::duration Pause();

    double mean_;
    std::mt19937_64 rng_;
    TDevice device_;                            // the receiver type's record layout
    std::vector<TTx> types_;                    // Tx.def
    std::map<std::string, uint32_t> prefixes_;  // serial key -> type prefix (data file)
    // The pause runs from `anchor_`: the later of the last report and the peer's last
    // frame; unset (`started_` false) until the connection's first frame.
    bool started_ = false;
    long frames_ = 0;  // the device's frame count when last looked at
    Clock::time_point anchor_{};
    Clock::duration pause_{};
};

}  // namespace ravlin::sim
