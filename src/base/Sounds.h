#pragma once
// Sounds: the six sound choices of a monitor message (the short beep is also on-line
// mode's reception beep), their wave files in the data folder's Sounds/ and their
// PC-speaker tone patterns, the player interface, and the speaker thread that plays the
// tone patterns. Below every subsystem, so that on-line mode and monitoring share them.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Texts.h"

namespace ravlin {

// Sound choices (the item index of the message editor's sound list).
enum TSoundChoiceId {
    kSoundNone = 0,
    kSoundShortBeep = 1,
    kSoundLongBeep = 2,
    kSoundTripleBeep = 3,
    kSoundAlarm = 4,
    kSoundPermanent = 5,  // repeats until no active message asks for it
    kSoundFile = 6,       // the message's own wave file
};
inline constexpr int kSoundChoices = 7;

struct TTone {
    int hz;  // above the audible range: a pause of the same length
    int ms;
    bool operator==(const TTone&) const = default;
};

struct TSoundChoice {
    Text textId;                 // language text of the editor's list item (None: "-")
    const char* fileName;        // below the data folder's Sounds/; nullptr: none or the own file
    std::vector<TTone> speaker;  // one round of the PC-speaker pattern
};

// Choice 0..6; nullptr outside that range.
const TSoundChoice* SoundChoiceOf(int choice);
// The wave file a choice plays: dataDir/Sounds/<file> for 1..5, `soundFile` for 6, empty
// for anything else.
std::string SoundFilePath(const std::string& dataDir, int choice, const std::string& soundFile);
inline bool IsRepeatingSound(int choice) {
    return choice == kSoundPermanent;
}

// What the monitor asks of the sound output. Calls come from the window thread and must
// return at once; playing happens elsewhere.
class TSoundPlayer {
  public:
    virtual ~TSoundPlayer() = default;
    // Plays choice 1..4 or 6 once; a sound still playing is not cut off.
    virtual void PlayOnce(int choice, const std::string& soundFile) = 0;
    // Starts or ends the repeating sound (choice 5); calling it again changes nothing.
    virtual void SetRepeating(bool on) = 0;
    // A wave file once (the message editor's Play button); a missing file plays nothing.
    virtual void PlayFile(const std::string& path) = 0;
};

// A tone generator: Tone(hz) starts a tone, Tone(0) ends it.
class TToneDevice {
  public:
    virtual ~TToneDevice() = default;
    virtual void Tone(int hz) = 0;
};

// The PC speaker of this machine (the kernel's pcspkr input device), or nullptr when there
// is none the user may write to.
std::unique_ptr<TToneDevice> OpenPcSpeaker();

// Plays the speaker patterns on its own thread. A one-shot request waits for the running
// round to end (a newer one replaces one still waiting); the repeating pattern plays
// round after round while on and no one-shot waits.
class TSpeaker {
  public:
    // `timeScale` shortens every tone (tests).
    explicit TSpeaker(std::unique_ptr<TToneDevice> device, double timeScale = 1.0);
    ~TSpeaker();
    TSpeaker(const TSpeaker&) = delete;
    TSpeaker& operator=(const TSpeaker&) = delete;

    void PlayOnce(int choice);
    void SetRepeating(bool on);
    // True while nothing plays and nothing waits.
    bool Idle() const;

  private:
    void Run();
    void PlayRound(const std::vector<TTone>& tones);

    std::unique_ptr<TToneDevice> device_;
    double timeScale_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<int> pending_;
    bool repeating_ = false;
    bool playing_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace ravlin
