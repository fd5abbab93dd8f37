#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "../records/RecordTestUtil.h"
#include "base/Sounds.h"
#include "base/Wave.h"

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
    EXPECT_EQ(SoundChoiceOf(3)->textId, Text::TripleBeep);
    EXPECT_EQ(SoundChoiceOf(5)->textId, Text::PermanentAlarm);
    EXPECT_EQ(SoundChoiceOf(6)->textId, Text::SoundFileChoice);
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
        const auto w = ParseWave(test::ReadText(path));
        ASSERT_TRUE(w) << path;
        EXPECT_EQ(w->sampleRate, 16000);
        EXPECT_EQ(w->channels, 1);
        EXPECT_EQ(w->sample, TWave::Int16);
        if (choice == 5) {
            EXPECT_EQ(w->Milliseconds() % PatternMs(5), 0) << path;
            EXPECT_GE(w->Milliseconds(), PatternMs(5));
        } else {
            EXPECT_EQ(w->Milliseconds(), PatternMs(choice)) << path;
        }
    }
}

// A RIFF WAVE file of the given format chunk fields, with `extra` chunks before the data.
std::string Wave(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                 const std::string& data, const std::string& extra = {}) {
    auto u16 = [](unsigned v) { return std::string{char(v & 0xFF), char(v >> 8 & 0xFF)}; };
    auto u32 = [&](unsigned v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    const unsigned block = channels * bits / 8;
    std::string fmt =
        u16(tag) + u16(channels) + u32(rate) + u32(rate * block) + u16(block) + u16(bits);
    std::string body = "WAVEfmt " + u32(unsigned(fmt.size())) + fmt + extra + "data" +
                       u32(unsigned(data.size())) + data;
    return "RIFF" + u32(unsigned(body.size())) + body;
}

TEST(Wave, ReadsTheUncompressedFormats) {
    auto w = ParseWave(Wave(1, 2, 8000, 8, std::string(16, '\x80')));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->sample, TWave::UInt8);
    EXPECT_EQ(w->BytesPerFrame(), 2);
    EXPECT_EQ(w->Milliseconds(), 1);
    w = ParseWave(Wave(3, 1, 44100, 32, std::string(8, '\0')));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->sample, TWave::Float32);
    // Other chunks are skipped, odd ones with their pad byte.
    w = ParseWave(Wave(1, 1, 16000, 16, "abcd", std::string("LIST\x03\0\0\0xyz\0", 12)));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->data, "abcd");
    // A data chunk longer than the file keeps the whole frames that are there.
    std::string cut = Wave(1, 1, 16000, 16, "abcdef");
    cut.resize(cut.size() - 1);
    w = ParseWave(cut);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->data, "abcd");
}

TEST(Wave, RefusesWhatItCannotPlay) {
    EXPECT_FALSE(ParseWave(""));
    EXPECT_FALSE(ParseWave(std::string("RIFF\4\0\0\0WAVX", 12)));
    EXPECT_FALSE(ParseWave(Wave(2, 1, 16000, 4, "ab")));   // ADPCM
    EXPECT_FALSE(ParseWave(Wave(1, 1, 16000, 12, "ab")));  // 12-bit
    EXPECT_FALSE(ParseWave(Wave(1, 0, 16000, 16, "ab")));  // no channel
    EXPECT_FALSE(ParseWave(Wave(1, 1, 10, 16, "ab")));     // no sample rate
    std::string noData = Wave(1, 1, 16000, 16, "");
    noData.resize(noData.size() - 8);  // no data chunk
    EXPECT_FALSE(ParseWave(noData));
    const std::string dataFirst("RIFF\x10\0\0\0WAVEdata\x02\0\0\0ab", 22);
    EXPECT_FALSE(ParseWave(dataFirst));
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
