#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "../records/RecordTestUtil.h"
#include "monitoring/Sounds.h"

namespace ravlin {
namespace {

using namespace std::chrono_literals;

int PatternMs(int choice) {
    int ms = 0;
    for (const TTone& t : SoundChoiceOf(choice)->speaker) ms += t.ms;
    return ms;
}

TEST(Sounds, ChoicesFilesAndPatterns) {
    EXPECT_EQ(SoundFilePath("/d", 1, "x"), "/d/Sounds/SBeep.wav");
    EXPECT_EQ(SoundFilePath("/d", 5, ""), "/d/Sounds/Permanent.wav");
    EXPECT_EQ(SoundFilePath("/d", 6, "/own.wav"), "/own.wav");
    EXPECT_EQ(SoundFilePath("/d", 0, "/own.wav"), "");
    EXPECT_EQ(SoundFilePath("/d", 9, "/own.wav"), "");
    EXPECT_EQ(SoundChoiceOf(7), nullptr);
    EXPECT_EQ(SoundChoiceOf(3)->textId, 262);
    EXPECT_EQ(SoundChoiceOf(5)->textId, 265);
    EXPECT_EQ(SoundChoiceOf(6)->textId, 264);
    EXPECT_EQ(SoundChoiceOf(3)->speaker.size(), 6u);
    EXPECT_EQ(SoundChoiceOf(3)->speaker[1], (TTone{25000, 300}));
    EXPECT_EQ(SoundChoiceOf(4)->speaker.size(), 18u);
    EXPECT_TRUE(SoundChoiceOf(6)->speaker.empty());
    EXPECT_TRUE(IsRepeatingSound(5));
    EXPECT_FALSE(IsRepeatingSound(4));
}

// The delivered wave files: 16 kHz mono 16-bit PCM, as long as the speaker pattern (the
// repeating one a whole number of rounds).
TEST(Sounds, DeliveredWaveFilesFollowThePatterns) {
    for (int choice = 1; choice <= 5; ++choice) {
        const std::string path = SoundFilePath(test::DeliveredDataDir(), choice, "");
        const std::string w = test::ReadText(path);
        ASSERT_GT(w.size(), 44u) << path;
        auto u16 = [&](size_t at) {
            return unsigned(uint8_t(w[at])) | unsigned(uint8_t(w[at + 1])) << 8;
        };
        auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
        EXPECT_EQ(w.substr(0, 4), "RIFF");
        EXPECT_EQ(u32(4), w.size() - 8);
        EXPECT_EQ(w.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(u16(20), 1u);  // PCM
        EXPECT_EQ(u16(22), 1u);  // mono
        EXPECT_EQ(u32(24), 16000u);
        EXPECT_EQ(u16(34), 16u);
        EXPECT_EQ(w.substr(36, 4), "data");
        const unsigned ms = u32(40) / 32;
        if (choice == 5) {
            EXPECT_EQ(ms % PatternMs(5), 0u) << path;
            EXPECT_GE(ms, unsigned(PatternMs(5)));
        } else {
            EXPECT_EQ(ms, unsigned(PatternMs(choice))) << path;
        }
    }
}

class TRecordingTones : public TToneDevice {
  public:
    void Tone(int hz) override {
        std::lock_guard lock(mutex);
        tones.push_back(hz);
    }
    std::vector<int> Tones() {
        std::lock_guard lock(mutex);
        return tones;
    }
    std::mutex mutex;
    std::vector<int> tones;
};

bool WaitUntil(const std::function<bool()>& f) {
    for (int i = 0; i < 2000 && !f(); ++i) std::this_thread::sleep_for(1ms);
    return f();
}

TEST(Speaker, PlaysPatternsOnItsOwnThread) {
    auto device = std::make_unique<TRecordingTones>();
    TRecordingTones* tones = device.get();
    {
        TSpeaker speaker(std::move(device), 0.01);
        EXPECT_TRUE(speaker.Idle());
        speaker.PlayOnce(kSoundShortBeep);
        ASSERT_TRUE(WaitUntil([&] { return speaker.Idle(); }));
        EXPECT_EQ(tones->Tones(), (std::vector<int>{1000, 0}));

        speaker.PlayOnce(kSoundFile);  // no pattern: nothing
        speaker.PlayOnce(kSoundNone);
        EXPECT_TRUE(speaker.Idle());

        speaker.SetRepeating(true);
        ASSERT_TRUE(WaitUntil([&] { return tones->Tones().size() >= 2 + 3 * 4; }));
        EXPECT_FALSE(speaker.Idle());
        speaker.SetRepeating(false);
        ASSERT_TRUE(WaitUntil([&] { return speaker.Idle(); }));
        const auto t = tones->Tones();
        EXPECT_EQ(std::vector<int>(t.begin() + 2, t.begin() + 6),
                  (std::vector<int>{500, 600, 700, 0}));
        EXPECT_EQ(t.back(), 0);  // ends silent
    }
    // Without a speaker nothing waits and nothing plays.
    TSpeaker none(nullptr);
    none.SetRepeating(true);
    none.PlayOnce(kSoundAlarm);
    EXPECT_TRUE(none.Idle());
}

}  // namespace
}  // namespace ravlin
