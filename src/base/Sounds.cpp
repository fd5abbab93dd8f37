#include "base/Sounds.h"

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

#include <cstring>

namespace ravlin {

namespace {

// The three rising tones of the alarm patterns.
const std::vector<TTone> kSiren = {{500, 60}, {600, 60}, {700, 60}};

std::vector<TTone> Times(const std::vector<TTone>& tones, int n) {
    std::vector<TTone> out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), tones.begin(), tones.end());
    return out;
}

const TSoundChoice kChoices[kSoundChoices] = {
    {Text::None, nullptr, {}},
    {Text::ShortBeep, "SBeep.wav", {{1000, 100}}},
    {Text::LongBeep, "LBeep.wav", {{1000, 600}}},
    {Text::TripleBeep, "TriBeep.wav", Times({{1000, 300}, {25000, 300}}, 3)},
    {Text::AlarmSound, "Alarm.wav", Times(kSiren, 6)},
    {Text::PermanentAlarm, "Permanent.wav", kSiren},
    {Text::SoundFileChoice, nullptr, {}},
};

class TPcSpeaker : public TToneDevice {
  public:
    explicit TPcSpeaker(int fd) : fd_(fd) {}
    ~TPcSpeaker() override {
        Tone(0);
        ::close(fd_);
    }
    void Tone(int hz) override {
        input_event ev{};
        ev.type = EV_SND;
        ev.code = SND_TONE;
        ev.value = hz;
        // A lost tone is no reason to stop the alarm; the next round tries again.
        [[maybe_unused]] ssize_t n = ::write(fd_, &ev, sizeof ev);
    }

  private:
    int fd_;
};

}  // namespace

const TSoundChoice* SoundChoiceOf(int choice) {
    return choice >= 0 && choice < kSoundChoices ? &kChoices[choice] : nullptr;
}

std::string SoundFilePath(const std::string& dataDir, int choice, const std::string& soundFile) {
    if (choice == kSoundFile) return soundFile;
    const TSoundChoice* c = SoundChoiceOf(choice);
    if (!c || !c->fileName) return {};
    return dataDir + "/Sounds/" + c->fileName;
}

std::unique_ptr<TToneDevice> OpenPcSpeaker() {
    const int fd = ::open("/dev/input/by-path/platform-pcspkr-event-spkr", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<TPcSpeaker>(fd);
}

TSpeaker::TSpeaker(std::unique_ptr<TToneDevice> device, double timeScale)
    : device_(std::move(device)), timeScale_(timeScale) {
    if (device_) thread_ = std::thread([this] { Run(); });
}

TSpeaker::~TSpeaker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TSpeaker::PlayOnce(int choice) {
    const TSoundChoice* c = SoundChoiceOf(choice);
    if (!device_ || !c || c->speaker.empty()) return;
    {
        std::lock_guard lock(mutex_);
        pending_ = choice;
    }
    wake_.notify_all();
}

void TSpeaker::SetRepeating(bool on) {
    if (!device_) return;
    {
        std::lock_guard lock(mutex_);
        repeating_ = on;
    }
    wake_.notify_all();
}

bool TSpeaker::Idle() const {
    std::lock_guard lock(mutex_);
    return !playing_ && !pending_ && !repeating_;
}

void TSpeaker::PlayRound(const std::vector<TTone>& tones) {
    for (const TTone& t : tones) {
        {
            std::unique_lock lock(mutex_);
            if (stop_) break;
        }
        device_->Tone(t.hz);
        const auto d = std::chrono::duration<double, std::milli>(t.ms * timeScale_);
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, d, [this] { return stop_; });
    }
    device_->Tone(0);
}

void TSpeaker::Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait(lock, [this] { return stop_ || pending_ || repeating_; });
        if (stop_) break;
        int choice = kSoundPermanent;
        if (pending_) {
            choice = *pending_;
            pending_.reset();
        }
        playing_ = true;
        lock.unlock();
        PlayRound(SoundChoiceOf(choice)->speaker);
        lock.lock();
        playing_ = false;
    }
}

}  // namespace ravlin
