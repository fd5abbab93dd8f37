#include "base/ProcessSoundPlayer.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "base/AtomicFile.h"

extern char** environ;

namespace ravlin {

namespace {

using namespace std::chrono_literals;

// How often the player's thread looks whether its process ended.
constexpr auto kReapInterval = 10ms;
// A process asked to end gets this long before it is killed.
constexpr auto kTermGrace = 1s;
// A repeating round that fails or ends this fast is not started again before the pause
// (a player that cannot play must not be started hundreds of times a second).
constexpr auto kShortestRound = 50ms;
constexpr auto kRetryPause = 1s;

bool IsExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

// The program as posix_spawnp finds it: a name with a slash as it is, else along PATH.
bool ProgramFound(const std::string& program) {
    if (program.find('/') != std::string::npos) return IsExecutable(program);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
        if (dir.empty()) dir = ".";
        if (IsExecutable(dir + "/" + program)) return true;
        if (colon == std::string::npos) return false;
        start = colon + 1;
    }
}

// An ALSA playback device (pcmC<card>D<device>p).
bool HaveSoundCard() {
    DIR* dir = ::opendir("/dev/snd");
    if (!dir) return false;
    bool found = false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.rfind("pcmC", 0) == 0 && name.back() == 'p') {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += separator;
        out += p;
    }
    return out;
}

}  // namespace

std::vector<std::string> PlayCommandWords(const char* text) {
    std::vector<std::string> words;
    std::string word;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == ' ' || *p == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    if (words.empty()) words = {"aplay", "-q"};
    return words;
}

TProcessSoundPlayer::TProcessSoundPlayer(std::string dataDir, std::vector<std::string> command,
                                         std::unique_ptr<TSpeaker> speaker)
    : dataDir_(std::move(dataDir)), command_(std::move(command)), speaker_(std::move(speaker)) {
    if (!command_.empty()) thread_ = std::thread([this] { Run(); });
}

TProcessSoundPlayer::~TProcessSoundPlayer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TProcessSoundPlayer::PlayOnce(int choice, const std::string& soundFile) {
    if (IsRepeatingSound(choice)) {
        SetRepeating(true);
        return;
    }
    if (speaker_) speaker_->PlayOnce(choice);
    PlayFile(SoundFilePath(dataDir_, choice, soundFile));
}

void TProcessSoundPlayer::PlayFile(const std::string& path) {
    if (command_.empty() || path.empty()) return;
    {
        std::lock_guard lock(mutex_);
        pending_ = path;
    }
    wake_.notify_all();
}

void TProcessSoundPlayer::SetRepeating(bool on) {
    if (speaker_) speaker_->SetRepeating(on);
    if (command_.empty()) return;
    {
        std::lock_guard lock(mutex_);
        repeating_ = on;
    }
    wake_.notify_all();
}

void TProcessSoundPlayer::Drain() {
    if (speaker_) speaker_->SetRepeating(false);
    {
        std::lock_guard lock(mutex_);
        pending_.reset();
        repeating_ = false;
    }
    wake_.notify_all();
}

bool TProcessSoundPlayer::Idle() const {
    if (speaker_ && !speaker_->Idle()) return false;
    std::lock_guard lock(mutex_);
    return !busy_ && !pending_ && !repeating_;
}

int TProcessSoundPlayer::Started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

void TProcessSoundPlayer::Problem(const std::string& key, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!reported_.insert(key).second) return;
    }
    if (onProblem) onProblem(text);
}

pid_t TProcessSoundPlayer::Spawn(const std::string& file) {
    if (::access(file.c_str(), R_OK) != 0) {
        Problem("missing " + file, "cannot read " + file + ": " + std::strerror(errno));
        return -1;
    }
    // A FIFO or a device would hold the player (and the alarms after it) for ever.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        Problem("missing " + file, "cannot read " + file + RefusalText(EISDIR, 0));
        return -1;
    }
    std::vector<std::string> words = command_;
    // A file name that begins with "-" is a name, not an option of the player.
    words.push_back("--");
    words.push_back(file);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // The player reads nothing and writes its messages to our stderr only; it runs in a
    // process group of its own, so that ending it ends whatever it started, and with the
    // signals as a freshly started program has them.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGQUIT, SIGPIPE, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr, &defaults);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        Problem("spawn", "cannot run " + command_[0] + ": " + std::strerror(rc));
        return -1;
    }
    return pid;
}

void TProcessSoundPlayer::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_ || repeating_; });
        if (stop_) return;
        std::string file;
        bool repeats = false;
        if (pending_) {
            file = std::move(*pending_);
            pending_.reset();
        } else {
            file = SoundFilePath(dataDir_, kSoundPermanent, {});
            repeats = true;
        }
        busy_ = true;
        lock.unlock();
        const auto begun = std::chrono::steady_clock::now();
        const pid_t pid = Spawn(file);
        lock.lock();
        bool failed = pid <= 0;
        if (!failed) {
            childRepeats_ = repeats;
            ++started_;
            // Only this thread reaps the process, so its id stays its own until then.
            bool asked = false;
            std::chrono::steady_clock::time_point askedAt;
            int status = 0;
            for (;;) {
                const pid_t done = ::waitpid(pid, &status, WNOHANG);
                if (done == pid || (done < 0 && errno != EINTR)) break;
                const bool unwanted = stop_ || (childRepeats_ && !repeating_);
                if (unwanted && !asked) {
                    ::kill(-pid, SIGTERM);
                    asked = true;
                    askedAt = std::chrono::steady_clock::now();
                } else if (asked && std::chrono::steady_clock::now() - askedAt > kTermGrace) {
                    ::kill(-pid, SIGKILL);
                }
                wake_.wait_for(lock, kReapInterval);
            }
            // What it started in its group ends with it.
            if (asked) ::kill(-pid, SIGKILL);
            childRepeats_ = false;
            if (!asked && WIFEXITED(status) && WEXITSTATUS(status) != 0) {
                failed = true;
                lock.unlock();
                Problem("status", command_[0] + " ended with status " +
                                      std::to_string(WEXITSTATUS(status)) + " playing " + file);
                lock.lock();
            }
        }
        busy_ = false;
        if (repeats && !stop_ &&
            (failed || std::chrono::steady_clock::now() - begun < kShortestRound)) {
            wake_.wait_for(lock, kRetryPause, [this] { return stop_ || pending_ || !repeating_; });
        }
    }
}

std::unique_ptr<TProcessSoundPlayer> MakeProcessSoundPlayer(const std::string& dataDir, bool card,
                                                            bool speaker, const char* commandText,
                                                            std::string& why) {
    why.clear();
    std::vector<std::string> reasons;
    std::vector<std::string> command;
    if (!card) {
        reasons.push_back("the sound card is off in the settings");
    } else {
        command = PlayCommandWords(commandText);
        const bool ownCommand = PlayCommandWords(commandText) != PlayCommandWords(nullptr);
        if (!ProgramFound(command[0])) {
            reasons.push_back(command[0] + " not found");
            command.clear();
        } else if (!ownCommand && !HaveSoundCard()) {
            reasons.push_back("no sound card");
            command.clear();
        }
    }
    std::unique_ptr<TSpeaker> tones;
    if (!speaker) {
        reasons.push_back("the PC speaker is off in the settings");
    } else if (auto device = OpenPcSpeaker()) {
        tones = std::make_unique<TSpeaker>(std::move(device));
    } else {
        reasons.push_back("no PC speaker");
    }
    if (command.empty() && !tones) {
        why = Join(reasons, ", ");
        return nullptr;
    }
    return std::make_unique<TProcessSoundPlayer>(dataDir, std::move(command), std::move(tones));
}

}  // namespace ravlin
