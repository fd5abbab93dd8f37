#include "base/ui/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QFuture>
#include <QFutureWatcher>
#include <QMediaDevices>
#include <QPromise>
#include <cstring>
#include <mutex>

#include "base/AtomicFile.h"
#include "base/Wave.h"
#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"

namespace ravlin {

namespace {

// Wave files larger than this are no alarm sounds; they are not played.
constexpr size_t kMaxWaveBytes = 32u << 20;

// Plays its data again and again.
class TLoopDevice : public QIODevice {
  public:
    TLoopDevice(QByteArray data, QObject* parent) : QIODevice(parent), data_(std::move(data)) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return data_.isEmpty() ? 0 : (1 << 20); }

  protected:
    qint64 readData(char* out, qint64 max) override {
        if (data_.isEmpty()) return 0;
        qint64 done = 0;
        while (done < max) {
            const qint64 n = std::min<qint64>(max - done, data_.size() - pos_);
            std::memcpy(out + done, data_.constData() + pos_, static_cast<size_t>(n));
            done += n;
            pos_ = (pos_ + n) % data_.size();
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray data_;
    qint64 pos_ = 0;
};

QAudioFormat::SampleFormat FormatOf(TWave::Sample s) {
    switch (s) {
        case TWave::UInt8:
            return QAudioFormat::UInt8;
        case TWave::Int16:
            return QAudioFormat::Int16;
        case TWave::Int32:
            return QAudioFormat::Int32;
        case TWave::Float32:
            return QAudioFormat::Float;
    }
    return QAudioFormat::Int16;
}

}  // namespace

TQtSoundPlayer::TQtSoundPlayer(std::string dataDir, bool card, bool speaker, QObject* parent)
    : QObject(parent), dataDir_(std::move(dataDir)) {
    SetOutputs(card, speaker);
}

TQtSoundPlayer::~TQtSoundPlayer() {
    StopLoop();
}

void TQtSoundPlayer::SetOutputs(bool card, bool speaker) {
    const bool wasRepeating = repeating_;
    if (wasRepeating) SetRepeating(false);
    card_ = card;
    if (speaker && !speaker_)
        speaker_ = std::make_unique<TSpeaker>(OpenPcSpeaker());
    else if (!speaker)
        speaker_.reset();
    if (card_) {
        // Read the delivered sounds before the first alarm needs them.
        for (int c = kSoundShortBeep; c <= kSoundPermanent; ++c)
            WithSound(SoundFilePath(dataDir_, c, {}), [](const TSoundPtr&) {});
    }
    if (wasRepeating) SetRepeating(true);
}

int TQtSoundPlayer::LoadedCount() const {
    return static_cast<int>(sounds_.size());
}

void TQtSoundPlayer::WithSound(const std::string& path,
                               std::function<void(const TSoundPtr&)> then) {
    if (path.empty()) return;
    const QString key = QPath(path);
    if (auto it = sounds_.find(key); it != sounds_.end()) {
        then(it->second);
        return;
    }
    auto& waiting = waiting_[key];
    waiting.push_back(std::move(then));
    if (waiting.size() > 1) return;  // already loading

    // The sound goes over under a std::mutex (seen by ThreadSanitizer); the promise only
    // says that it is there.
    struct TLoad {
        std::mutex mutex;
        TSoundPtr sound;
    };
    auto load = std::make_shared<TLoad>();
    auto promise = std::make_shared<QPromise<void>>();
    // The watcher is a child of the player, so a load that ends after the player is
    // gone calls nothing.
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, key, load] {
        watcher->deleteLater();
        TSoundPtr sound;
        {
            const std::lock_guard<std::mutex> lock(load->mutex);
            sound = load->sound;
        }
        // A file that cannot be read now is tried again next time.
        if (sound) sounds_[key] = sound;
        auto callbacks = std::move(waiting_[key]);
        waiting_.erase(key);
        if (sound)
            for (auto& f : callbacks) f(sound);
        emit waveLoaded(key);
    });
    watcher->setFuture(promise->future());
    StartInPool([promise, path, load] {
        promise->start();
        TSoundPtr result;
        std::string bytes;
        // The size is checked before a byte is read.
        if (ReadWholeFile(path, bytes, kMaxWaveBytes) == 0) {
            if (auto wave = ParseWave(bytes)) {
                auto sound = std::make_shared<TSound>();
                sound->format.setSampleRate(wave->sampleRate);
                sound->format.setChannelCount(wave->channels);
                sound->format.setSampleFormat(FormatOf(wave->sample));
                sound->data =
                    QByteArray(wave->data.data(), static_cast<qsizetype>(wave->data.size()));
                result = std::move(sound);
            }
        }
        {
            const std::lock_guard<std::mutex> lock(load->mutex);
            load->sound = std::move(result);
        }
        promise->finish();
    });
}

void TQtSoundPlayer::StartOnce(const TSoundPtr& sound) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || sound->data.isEmpty()) return;
    auto* sink = new QAudioSink(device, sound->format, this);
    auto* buffer = new QBuffer(sink);
    buffer->setData(sound->data);
    buffer->open(QIODevice::ReadOnly);
    connect(sink, &QAudioSink::stateChanged, sink, [sink](QAudio::State s) {
        // Played to its end, or the output failed: the sink goes.
        if (s == QAudio::IdleState ||
            (s == QAudio::StoppedState && sink->error() != QAudio::NoError)) {
            sink->stop();
            sink->deleteLater();
        }
    });
    sink->start(buffer);
}

void TQtSoundPlayer::StartLoop(const TSoundPtr& sound) {
    StopLoop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || sound->data.isEmpty()) return;
    loop_ = new QAudioSink(device, sound->format, this);
    loop_->start(new TLoopDevice(sound->data, loop_));
}

void TQtSoundPlayer::StopLoop() {
    if (!loop_) return;
    loop_->stop();
    loop_->deleteLater();
    loop_ = nullptr;
}

void TQtSoundPlayer::PlayOnce(int choice, const std::string& soundFile) {
    if (IsRepeatingSound(choice)) {
        SetRepeating(true);
        return;
    }
    if (card_)
        WithSound(SoundFilePath(dataDir_, choice, soundFile),
                  [this](const TSoundPtr& s) { StartOnce(s); });
    if (speaker_) speaker_->PlayOnce(choice);
}

void TQtSoundPlayer::SetRepeating(bool on) {
    if (on == repeating_) return;
    repeating_ = on;
    if (on && card_) {
        WithSound(SoundFilePath(dataDir_, kSoundPermanent, {}), [this](const TSoundPtr& s) {
            // Still wanted once the file is there?
            if (repeating_ && !loop_) StartLoop(s);
        });
    } else {
        StopLoop();
    }
    if (speaker_) speaker_->SetRepeating(on);
}

void TQtSoundPlayer::PlayFile(const std::string& path) {
    WithSound(path, [this](const TSoundPtr& s) { StartOnce(s); });
}

}  // namespace ravlin
