#include "DemoReceptions.h"

#include <algorithm>

#include "base/Folders.h"
#include "base/Hex.h"
#include "base/UserInterface.h"
#include "catalog/Catalog.h"
#include "document/DataFile.h"
#include "records/Codec.h"

namespace ravlin::sim {

namespace {

constexpr double kUnknownRate = 0.125;     // a transmitter the receiver has not learnt
constexpr double kLowBatteryRate = 0.125;  // a learnt one reporting a low battery
// Learnt transmitters whose type the data file does not name report this prefix.
constexpr uint32_t kNoPrefix = 0x00;

// The catalogue readers report through a user interface; the demo keeps the last word.
struct TCollect : TUserInterface {
    std::string last;
    void Error(const TMessage& m) override { last = m.text; }
    TAnswer Ask(const TMessage&, TButtons) override { return TAnswer::No; }
};

bool ParsePrefix(const std::string& text, uint32_t& prefix) {
    const int value = HexByteAt(text, 0);
    if (text.size() != 2 || value < 0) return false;
    prefix = static_cast<uint32_t>(value);
    return true;
}

uint32_t Code(uint32_t prefix, uint32_t serialKey) {
    return prefix << 20 | (serialKey & 0xFFFFF);
}

}  // namespace

std::unique_ptr<TDemoReceptions> TDemoReceptions::Make(double meanSeconds, uint64_t seed,
                                                       const std::string& dataDir,
                                                       const std::string& typeName,
                                                       const std::string& dataFile,
                                                       std::string& why) {
    std::unique_ptr<TDemoReceptions> demo(new TDemoReceptions(meanSeconds, seed));
    const std::string dir = TFolders::Resolve(dataDir, "/nonexistent").dataDir;
    TTextTable texts(200);
    SetText(texts, Text::CannotOpen, "cannot open");
    SetText(texts, Text::WrongFormat, "wrong format");
    SetText(texts, Text::UnknownType, "unknown receiver type");
    TCollect ui;
    if (!FindReceiverType(dir, typeName, false, demo->device_, texts, ui)) {
        why = "--demo-receptions: type " + typeName + " not in " + dir + "/Rx.def" +
              (ui.last.empty() ? "" : " (" + ui.last + ")");
        return nullptr;
    }
    // Without Tx.def there are no input states and unknown transmitters get no type.
    LoadTransmitterTypes(dir, "Tx.def", demo->types_, texts, ui);
    if (!dataFile.empty()) {
        TDevice device;
        TRecordTable table;
        std::string image;
        if (OpenData(dataFile, TDataFileEnv{dir, texts, ui}, false, device, table, image))
            for (const TData& r : table) {
                uint32_t prefix = 0;
                if (!r.Empty && ParsePrefix(r.CodePrefix, prefix))
                    demo->prefixes_[r.Serial] = prefix;
            }
    }
    demo->pause_ = demo->Pause();
    return demo;
}

TDemoReceptions::Clock::time_point TDemoReceptions::Tick(TSimDevice& device, Clock::time_point now,
                                                         bool connected) {
    if (!connected) {
        // A new connection starts counting with its first frame.
        started_ = false;
        frames_ = device.TotalFrames();
        return Clock::time_point::max();
    }
    if (device.TotalFrames() != frames_) {
        frames_ = device.TotalFrames();
        started_ = true;
        anchor_ = now;
    }
    if (!started_) return Clock::time_point::max();
    if (now >= anchor_ + pause_) {
        const TDemoReception r = Choose(device.RecordArea());
        device.Reception(r.code, r.button, r.battery, r.position);
        anchor_ = now;
        pause_ = Pause();
    }
    return anchor_ + pause_;
}

std::vector<TDemoReceptions::TLearnt> TDemoReceptions::Learnt(
    const std::vector<uint8_t>& recordArea) const {
    std::vector<TLearnt> learnt;
    const size_t recordBytes = static_cast<size_t>(device_.RecordLength() / 2);
    if (recordBytes == 0) return learnt;
    TDevice device = device_;
    device.RecordCount = static_cast<int32_t>(recordArea.size() / recordBytes);
    std::string image;
    for (size_t i = 0; i < static_cast<size_t>(device.RecordCount) * recordBytes; ++i)
        image += HexByte(recordArea[i]);
    TRecordTable table;
    if (!DecodeImage(image, device, table)) return learnt;
    for (const TData& r : table) {
        uint32_t serial = 0;
        if (r.Empty || r.Serial.size() != 5 || r.Button.empty() || !ParseHex(r.Serial, serial) ||
            serial == 0)
            continue;
        const auto prefix = prefixes_.find(r.Serial);
        learnt.push_back({Code(prefix == prefixes_.end() ? kNoPrefix : prefix->second, serial),
                          HexDigitValue(r.Button.back()), r.Position - 1});
    }
    return learnt;
}

TDemoReception TDemoReceptions::Choose(const std::vector<uint8_t>& recordArea) {
    const std::vector<TLearnt> learnt = Learnt(recordArea);
    if (learnt.empty() || Chance(kUnknownRate)) return Unknown(learnt);
    const TLearnt& t = learnt[Pick(learnt.size())];
    TDemoReception r;
    r.code = t.code;
    r.button = t.button;
    r.position = t.position;
    const TTx* type = TypeOf(t.code);
    if (type && !type->Inputs.empty()) {
        // An input transmitter reports the state of its inputs, not a battery.
        r.button = type->Inputs[Pick(type->Inputs.size())].Value & 15;
    } else if (Chance(kLowBatteryRate)) {
        r.battery = 1;
    }
    return r;
}

TDemoReception TDemoReceptions::Unknown(const std::vector<TLearnt>& learnt) {
    std::vector<const TTx*> withButtons;
    for (const TTx& t : types_) {
        uint32_t prefix = 0;
        if (t.HasButtons && ParsePrefix(t.CodePrefix, prefix) &&
            std::any_of(t.Buttons.begin(), t.Buttons.end(),
                        [](const TTxButton& b) { return b.Visible && b.Value > 0; }))
            withButtons.push_back(&t);
    }
    TDemoReception r;
    uint32_t prefix = kNoPrefix;
    r.button = 1 << Pick(4);
    if (!withButtons.empty()) {
        const TTx& t = *withButtons[Pick(withButtons.size())];
        ParsePrefix(t.CodePrefix, prefix);
        std::vector<int> buttons;
        for (const TTxButton& b : t.Buttons)
            if (b.Visible && b.Value > 0) buttons.push_back(b.Value & 15);
        r.button = buttons[Pick(buttons.size())];
    }
    auto known = [&](uint32_t code) {
        return std::any_of(learnt.begin(), learnt.end(), [&](const TLearnt& t) {
            return (t.code & 0xFFFFF) == (code & 0xFFFFF);
        });
    };
    do {
        r.code = Code(prefix, static_cast<uint32_t>(1 + Pick(0xFFFFE)));
    } while (known(r.code));
    return r;
}

const TTx* TDemoReceptions::TypeOf(uint32_t code) const {
    for (const TTx& t : types_) {
        uint32_t prefix = 0;
        if (ParsePrefix(t.CodePrefix, prefix) && prefix == code >> 20) return &t;
    }
    return nullptr;
}

bool TDemoReceptions::Chance(double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p;
}

size_t TDemoReceptions::Pick(size_t count) {
    return std::uniform_int_distribution<size_t>(0, count - 1)(rng_);
}

TDemoReceptions::Clock::duration TDemoReceptions::Pause() {
    const double seconds = std::uniform_real_distribution<double>(0.5, 1.5)(rng_) * mean_;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace ravlin::sim
