#pragma once
// Sounds through the sound card and the PC speaker (alarms, the on-line beep). Wave files are read
// and decoded on a pool thread and kept; playing goes to Qt Multimedia's audio output in pull mode,
// and the speaker patterns to the speaker thread. Nothing here waits on the window thread.

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/Sounds.h"

class QAudioSink;

namespace ravlin {

class TQtSoundPlayer : public QObject, public TSoundPlayer {
    Q_OBJECT
  public:
    // `dataDir` holds Sounds/; `card` and `speaker` are the settings SoundCard and
    // SoundSpeaker.
    TQtSoundPlayer(std::string dataDir, bool card, bool speaker, QObject* parent = nullptr);
    ~TQtSoundPlayer() override;

    // After the settings changed.
    void SetOutputs(bool card, bool speaker);

    void PlayOnce(int choice, const std::string& soundFile) override;
    void SetRepeating(bool on) override;
    void PlayFile(const std::string& path) override;

    bool Repeating() const { return repeating_; }
    // Wave files read and decoded so far (unreadable ones are not counted).
    int LoadedCount() const;

  signals:
    void waveLoaded(const QString& path);

  private:
    struct TSound {
        QAudioFormat format;
        QByteArray data;
    };
    using TSoundPtr = std::shared_ptr<const TSound>;

    // The decoded file, or nullptr while it loads (then `then` runs once it is there).
    void WithSound(const std::string& path, std::function<void(const TSoundPtr&)> then);
    void StartOnce(const TSoundPtr& sound);
    void StartLoop(const TSoundPtr& sound);
    void StopLoop();

    std::string dataDir_;
    bool card_ = false;
    std::unique_ptr<TSpeaker> speaker_;
    std::map<QString, TSoundPtr> sounds_;
    std::map<QString, std::vector<std::function<void(const TSoundPtr&)>>> waiting_;
    QAudioSink* loop_ = nullptr;
    bool repeating_ = false;
};

}  // namespace ravlin
