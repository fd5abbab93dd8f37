#include "monitoring/ui/MonitorEditForm.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "base/ui/Text.h"
#include "monitoring/MonitorEdit.h"
#include "monitoring/ui/Picture.h"

namespace ravlin {

namespace {

// Sound choices 1..6.
constexpr Text kSoundItems[] = {Text::ShortBeep,  Text::LongBeep,       Text::TripleBeep,
                                Text::AlarmSound, Text::PermanentAlarm, Text::SoundFileChoice};
const QSize kPreviewSize(180, 100);

QIcon Swatch(int color) {
    QPixmap pm(48, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const TRgb c = SwatchColor(color);
    p.setPen(Qt::black);
    p.setBrush(QColor(c.r, c.g, c.b));
    p.drawRect(1, 1, pm.width() - 3, pm.height() - 3);
    return QIcon(pm);
}

}  // namespace

TMonitorEditForm::TMonitorEditForm(const TTextTable& texts, TUserInterface& ui, TSoundPlayer& sound,
                                   TFileChooser& files, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui), player_(sound), files_(files) {
    setObjectName("MonitorEditForm");
    for (auto*& l : labels_) l = new QLabel(this);

    text_ = new QLineEdit(this);
    text_->setObjectName("TextEdit");
    color_ = new QComboBox(this);
    color_->setObjectName("ColorCombo");
    color_->setIconSize(QSize(48, 14));
    for (int c = 0; c < kMonitorColors; ++c) color_->addItem(Swatch(c), QString());
    size_ = new QComboBox(this);
    size_->setObjectName("SizeCombo");
    size_->setEditable(true);
    for (int s : kMessageSizes) size_->addItem(QString::number(s));
    blink_ = new QCheckBox(this);
    blink_->setObjectName("BlinkCheck");
    sound_ = new QComboBox(this);
    sound_->setObjectName("SoundCombo");
    soundFileLabel_ = new QLabel(this);
    soundFile_ = new QLineEdit(this);
    soundFile_->setObjectName("SoundFileEdit");
    openSound_ = new QPushButton(this);
    openSound_->setObjectName("OpenSoundButton");
    play_ = new QPushButton(this);
    play_->setObjectName("PlayButton");
    active_ = new QCheckBox(this);
    active_->setObjectName("ActiveCheck");
    window_ = new QCheckBox(this);
    window_->setObjectName("WindowCheck");
    pictureLabel_ = new QLabel(this);
    picture_ = new QLineEdit(this);
    picture_->setObjectName("PictureEdit");
    openPicture_ = new QPushButton(this);
    openPicture_->setObjectName("OpenPictureButton");
    pictureSize_ = new QLabel(this);
    pictureSize_->setObjectName("PictureSizeLabel");
    preview_ = new QLabel(this);
    preview_->setObjectName("PicturePreview");
    preview_->setFixedSize(kPreviewSize + QSize(4, 4));
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setAlignment(Qt::AlignCenter);
    repeat_ = new QSpinBox(this);
    repeat_->setObjectName("RepeatSpin");
    repeat_->setRange(0, kMaxRepeatTime);
    repeat_->setSuffix(QStringLiteral(" s"));
    repeat_->setSpecialValueText(QStringLiteral("never"));
    for (QPushButton* b : {openSound_, play_, openPicture_}) b->setAutoDefault(false);

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(labels_[0], row, 0);
    grid->addWidget(text_, row++, 1, 1, 3);
    grid->addWidget(labels_[1], row, 0);
    grid->addWidget(color_, row, 1);
    grid->addWidget(labels_[2], row, 2);
    grid->addWidget(size_, row++, 3);
    grid->addWidget(blink_, row++, 1, 1, 3);
    grid->addWidget(labels_[3], row, 0);
    grid->addWidget(sound_, row++, 1, 1, 3);
    grid->addWidget(soundFileLabel_, row, 0);
    grid->addWidget(soundFile_, row, 1, 1, 2);
    auto* soundButtons = new QHBoxLayout;
    soundButtons->addWidget(openSound_);
    soundButtons->addWidget(play_);
    grid->addLayout(soundButtons, row++, 3);
    grid->addWidget(labels_[4], row, 0);
    grid->addWidget(repeat_, row++, 1);
    grid->addWidget(active_, row++, 1, 1, 3);
    grid->addWidget(window_, row++, 1, 1, 3);
    grid->addWidget(pictureLabel_, row, 0);
    grid->addWidget(picture_, row, 1, 1, 2);
    grid->addWidget(openPicture_, row++, 3);
    grid->addWidget(pictureSize_, row, 1, 1, 2);
    grid->addWidget(preview_, row++, 3);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(box);

    connect(sound_, &QComboBox::currentIndexChanged, this, [this] { SoundRule(); });
    connect(color_, &QComboBox::currentIndexChanged, this, [this] { SoundRule(); });
    connect(window_, &QCheckBox::clicked, this, [this] { WindowRule(); });
    connect(openSound_, &QPushButton::clicked, this, [this] { OpenSound(); });
    connect(play_, &QPushButton::clicked, this, [this] { Play(); });
    connect(openPicture_, &QPushButton::clicked, this, [this] { OpenPicture(); });
    connect(picture_, &QLineEdit::textChanged, this, [this] { LoadPreview(); });
}

void TMonitorEditForm::Prepare(const TMonitorData& m) {
    setWindowTitle(L(texts_, Text::EditMessageCaption));
    labels_[0]->setText(L(texts_, Text::MessageText));
    labels_[1]->setText(L(texts_, Text::MessageColour));
    labels_[2]->setText(L(texts_, Text::PictureSize));
    labels_[3]->setText(L(texts_, Text::Sound));
    labels_[4]->setText(QStringLiteral("Repeat after"));
    blink_->setText(L(texts_, Text::Blink));
    soundFileLabel_->setText(L(texts_, Text::SoundFileLabel));
    openSound_->setText(L(texts_, Text::OpenButton));
    play_->setText(L(texts_, Text::Play));
    active_->setText(L(texts_, Text::ActivateApplication));
    window_->setText(L(texts_, Text::ShowWindow));
    pictureLabel_->setText(L(texts_, Text::Picture));
    openPicture_->setText(L(texts_, Text::OpenButton));
    pictureSize_->setText(L(texts_, Text::MaxPictureSize));
    {
        const QSignalBlocker block(sound_);
        sound_->clear();
        sound_->addItem(QStringLiteral("-"));
        for (Text id : kSoundItems) sound_->addItem(L(texts_, id));
    }

    text_->setText(Q(m.Text));
    color_->setCurrentIndex(m.Color >= 0 && m.Color < kMonitorColors ? m.Color : -1);
    size_->setEditText(QString::number(m.Size));
    blink_->setChecked(m.Blink);
    sound_->setCurrentIndex(m.Sound >= 0 && m.Sound < kSoundChoices ? m.Sound : -1);
    soundFile_->setText(QPath(m.SoundFile));
    storedActivate_ = m.Activate;
    active_->setChecked(m.Activate);
    window_->setChecked(m.ShowWindow);
    picture_->setText(QPath(m.Picture));
    repeat_->setValue(std::clamp(m.RepeatTime, 0, kMaxRepeatTime));
    SoundRule();
    WindowRule();
    LoadPreview();
    text_->setFocus();
}

void TMonitorEditForm::SoundRule() {
    const bool own = sound_->currentIndex() == kSoundFile;
    for (QWidget* w :
         std::initializer_list<QWidget*>{soundFile_, soundFileLabel_, openSound_, play_})
        w->setEnabled(own);
}

void TMonitorEditForm::WindowRule() {
    const bool on = window_->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{picture_, pictureLabel_, openPicture_, pictureSize_})
        w->setEnabled(on);
    // A message with a window always brings the program to the front.
    if (on) {
        active_->setChecked(true);
        active_->setEnabled(false);
    } else {
        active_->setEnabled(true);
        active_->setChecked(storedActivate_);
    }
}

void TMonitorEditForm::OpenSound() {
    TFileDialog d;
    d.filter = "Sound files (*.wav)|*.wav";
    d.defaultExtension = "wav";
    d.fileName = CorePath(soundFile_->text());
    if (auto file = files_.OpenFile(d)) soundFile_->setText(QPath(*file));
}

void TMonitorEditForm::Play() {
    const QString file = soundFile_->text();
    if (!file.isEmpty() && QFileInfo(file).isFile()) player_.PlayFile(CorePath(file));
}

void TMonitorEditForm::OpenPicture() {
    TFileDialog d;
    d.filter = kPictureFilter;
    d.fileName = CorePath(picture_->text());
    if (auto file = files_.OpenFile(d)) picture_->setText(QPath(*file));
}

void TMonitorEditForm::LoadPreview() {
    const int request = ++previewRequest_;
    preview_->clear();
    const std::string path = CorePath(picture_->text());
    if (path.empty()) {
        emit previewLoaded();
        return;
    }
    LoadMonitorPictureAsync(path, kPreviewSize, this, [this, request](const QImage& image) {
        if (request != previewRequest_) return;  // the field changed meanwhile
        if (image.isNull())
            preview_->clear();
        else
            preview_->setPixmap(QPixmap::fromImage(image));
        emit previewLoaded();
    });
}

bool TMonitorEditForm::HasPreview() const {
    return !preview_->pixmap().isNull();
}

std::optional<std::string> TMonitorEditForm::Field(QLineEdit* edit, const QString& what,
                                                   bool path) {
    std::optional<std::string> bytes;
    if (path)
        bytes = CorePath(edit->text());
    else
        bytes = TypedText(edit->text(), what, ui_, edit);
    if (!bytes) return std::nullopt;
    if (!FitsMonitorFile(*bytes)) {
        ui_.Error(TMessage::Fixed(ToCoreLossy(
            QStringLiteral("%1 cannot hold \"#\" or a line break: the monitor file would split it.")
                .arg(what))));
        edit->setFocus();
        return std::nullopt;
    }
    return bytes;
}

void TMonitorEditForm::accept() {
    auto text = Field(text_, QStringLiteral("The text"), false);
    if (!text) return;
    auto soundFile = Field(soundFile_, QStringLiteral("The sound file name"), true);
    if (!soundFile) return;
    auto picture = Field(picture_, QStringLiteral("The picture file name"), true);
    if (!picture) return;
    text_bytes_ = *text;
    soundFile_bytes_ = *soundFile;
    picture_bytes_ = *picture;
    QDialog::accept();
}

void TMonitorEditForm::Store(TMonitorData& m) const {
    m.Text = text_bytes_;
    m.SoundFile = soundFile_bytes_;
    m.Picture = picture_bytes_;
    m.Color = std::max(0, color_->currentIndex());
    m.Size = ParseMessageSize(ToCoreLossy(size_->currentText()));
    m.Sound = std::max(0, sound_->currentIndex());
    m.Blink = blink_->isChecked();
    m.Activate = active_->isChecked();
    m.ShowWindow = window_->isChecked();
    m.RepeatTime = repeat_->value();
}

}  // namespace ravlin
