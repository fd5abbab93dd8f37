#pragma once
// The message editor: text, colour, font size, blinking, sound (with its own file and a
// Play button), application activation, pop-up window with a picture, and the repeat
// time of an alarm not yet cleared.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "base/Sounds.h"
#include "base/UserInterface.h"
#include "document/Document.h"
#include "monitoring/MonitorData.h"

namespace ravlin {

class TMonitorEditForm : public QDialog {
    Q_OBJECT
  public:
    TMonitorEditForm(const TTextTable& texts, TUserInterface& ui, TSoundPlayer& sound,
                     TFileChooser& files, QWidget* parent = nullptr);

    // Fills the controls from a message, applies the sound and window rules, focuses the text.
    void Prepare(const TMonitorData& m);
    // The values of an accepted editor: text, colour, size, blink, sound, sound file,
    // picture, activation, window and repeat time; other fields are left alone.
    void Store(TMonitorData& m) const;
    void accept() override;

    // The picture preview holds a picture.
    bool HasPreview() const;

    QLineEdit* textEdit() const { return text_; }
    QComboBox* colorCombo() const { return color_; }
    QComboBox* sizeCombo() const { return size_; }
    QCheckBox* blinkCheck() const { return blink_; }
    QComboBox* soundCombo() const { return sound_; }
    QLineEdit* soundFileEdit() const { return soundFile_; }
    QPushButton* openSoundButton() const { return openSound_; }
    QPushButton* playButton() const { return play_; }
    QCheckBox* activeCheck() const { return active_; }
    QCheckBox* windowCheck() const { return window_; }
    QLineEdit* pictureEdit() const { return picture_; }
    QPushButton* openPictureButton() const { return openPicture_; }
    QSpinBox* repeatSpin() const { return repeat_; }
    QLabel* previewLabel() const { return preview_; }

  signals:
    // The preview finished loading (with or without a picture).
    void previewLoaded();

  private:
    void SoundRule();
    void WindowRule();
    void OpenSound();
    void Play();
    void OpenPicture();
    void LoadPreview();
    // A field's text as code page bytes that a monitor file can hold, or nullopt after a
    // message.
    std::optional<std::string> Field(QLineEdit* edit, const QString& what, bool path);

    const TTextTable& texts_;
    TUserInterface& ui_;
    TSoundPlayer& player_;
    TFileChooser& files_;
    bool storedActivate_ = false;
    int previewRequest_ = 0;
    // Accepted values.
    std::string text_bytes_, soundFile_bytes_, picture_bytes_;

    QLineEdit* text_;
    QComboBox* color_;
    QComboBox* size_;
    QCheckBox* blink_;
    QComboBox* sound_;
    QLabel* soundFileLabel_;
    QLineEdit* soundFile_;
    QPushButton* openSound_;
    QPushButton* play_;
    QCheckBox* active_;
    QCheckBox* window_;
    QLabel* pictureLabel_;
    QLineEdit* picture_;
    QPushButton* openPicture_;
    QLabel* pictureSize_;
    QLabel* preview_;
    QSpinBox* repeat_;
    QLabel* labels_[5];  // text, colour, size, sound, repeat
};

}  // namespace ravlin
