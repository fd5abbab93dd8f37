#pragma once
// Sounds without a window system (ravlin-cli monitor --sound): wave files through an
// external player program (aplay by default), the tone patterns through the PC speaker.
// The calls return at once; a thread of the player starts the player processes one at a
// time and reaps them, so the caller's loop never waits on a sound.

#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Sounds.h"

namespace ravlin {

// The environment variable that replaces the player command ("aplay -q"): its words, then
// "--" and the wave file's path as the last arguments.
inline constexpr const char* kPlayCommandVariable = "RAVLIN_PLAY_COMMAND";

// The words of a player command: `text` split at spaces and tabs; the default command for
// nullptr or a text without words.
std::vector<std::string> PlayCommandWords(const char* text);

class TProcessSoundPlayer : public TSoundPlayer {
  public:
    // `command`: the player command's words (empty: no sound card output); `speaker`:
    // the speaker thread (nullptr: no speaker output). `dataDir` holds Sounds/.
    TProcessSoundPlayer(std::string dataDir, std::vector<std::string> command,
                        std::unique_ptr<TSpeaker> speaker);
    // Ends a player process still running (and whatever it started) at once.
    ~TProcessSoundPlayer() override;
    TProcessSoundPlayer(const TProcessSoundPlayer&) = delete;
    TProcessSoundPlayer& operator=(const TProcessSoundPlayer&) = delete;

    // A one-shot sound waits for the sound playing to end; a newer one replaces one still
    // waiting. The repeating sound plays round after round while on and nothing waits;
    // switching it off ends its round at once.
    void PlayOnce(int choice, const std::string& soundFile) override;
    void SetRepeating(bool on) override;
    void PlayFile(const std::string& path) override;

    // No more sounds start: the waiting one is dropped, the repeating one ends; a one-shot
    // already playing plays to its end.
    void Drain();
    // True while no player process runs, nothing waits and nothing repeats (the speaker's
    // patterns included).
    bool Idle() const;
    // Player processes started so far.
    int Started() const;

    // Problems of the sound card output (a player that cannot be started or fails, a
    // missing wave file), each kind once. Called on the player's thread; set before the
    // first sound.
    std::function<void(const std::string&)> onProblem;

  private:
    void Run();
    pid_t Spawn(const std::string& file);
    void Problem(const std::string& key, const std::string& text);

    std::string dataDir_;
    std::vector<std::string> command_;
    std::unique_ptr<TSpeaker> speaker_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::string> pending_;  // the file of the waiting one-shot
    bool repeating_ = false;
    bool stop_ = false;
    bool busy_ = false;          // a sound is being started or plays
    bool childRepeats_ = false;  // the player process plays a round of the repeating sound
    int started_ = 0;
    std::set<std::string> reported_;
    std::thread thread_;
};

// The sound outputs of the command-line tool from the settings: the player command
// (`commandText`: RAVLIN_PLAY_COMMAND's value or nullptr) when `card` is on and its
// program is found (for the default command, also a sound card), the PC speaker when
// `speaker` is on and one is there. nullptr when neither is; `why` then says why.
std::unique_ptr<TProcessSoundPlayer> MakeProcessSoundPlayer(const std::string& dataDir, bool card,
                                                            bool speaker, const char* commandText,
                                                            std::string& why);

}  // namespace ravlin
