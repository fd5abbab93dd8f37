#include "records/ui/EditForm.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <climits>

#include "base/ui/Text.h"
#include "catalog/FunctionTable.h"

namespace ravlin {

namespace {

// A number box that an emptied text turns into 0 (instead of the previous value).
class TNumberBox : public QSpinBox {
  public:
    TNumberBox(int low, int high, QWidget* parent) : QSpinBox(parent) {
        setRange(low, high);
        setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    }
    void fixup(QString& input) const override {
        if (input.trimmed().isEmpty()) input = QStringLiteral("0");
        QSpinBox::fixup(input);
    }
};

// The catalogue places buttons and tick boxes in a small picture; it is drawn half as
// large again, so that a tick box fits on its button.
constexpr double kPictureScale = 1.5;
constexpr int kPictureSide = 120;
constexpr int kButtonWidth = 36;
constexpr int kButtonHeight = 28;

int Scaled(int v) {
    return static_cast<int>(v * kPictureScale);
}

QStringList Items(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& s : items) list << Q(s);
    return list;
}

QStringList ItemsOf(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
}

void SetItems(QComboBox* combo, const QStringList& items) {
    if (ItemsOf(combo) == items) return;
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(items);
    if (combo->isEditable()) combo->setEditText(text);
}

void SetEditText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly);
    if (index >= 0 && combo->currentIndex() != index) combo->setCurrentIndex(index);
    if (combo->currentText() != text) combo->setEditText(text);
}

QComboBox* EditableCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

}  // namespace

TEditForm::TEditForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("EditForm");
    setWindowTitle("Edit record");
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl");
    projectorPage_ = new QWidget;
    projectorPage_->setObjectName("ProjectorPage");
    userPage_ = new QWidget;
    userPage_->setObjectName("UserPage");
    pages_->addTab(projectorPage_, "Projector Control");
    pages_->addTab(userPage_, "User Information");
    BuildProjectorPage(projectorPage_);
    BuildUserPage(userPage_);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton_ = box->button(QDialogButtonBox::Ok);
    okButton_->setObjectName("OKBtn");
    okButton_->setDefault(true);
    cancelButton_ = box->button(QDialogButtonBox::Cancel);
    cancelButton_->setObjectName("CancelBtn");
    connect(box, &QDialogButtonBox::accepted, this, &TEditForm::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(pages_);
    v->addWidget(box);

    inputTimer_ = new QTimer(this);
    inputTimer_->setObjectName("InputTimer");
    inputTimer_->setSingleShot(true);
    inputTimer_->setInterval(800);
    connect(inputTimer_, &QTimer::timeout, this, [this] {
        Handle([this] {
            for (int n = 0; n < 4; ++n) ReadCommand(n);
            editor_->CompactCommands();
        });
    });
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == pages_->indexOf(projectorPage_))
            Handle([this] { editor_->ProjectorPageShown(); });
    });
}

TEditForm::~TEditForm() {
    // Hiding the dialog moves the focus out of a line edit, whose editing-finished
    // handler would then run on a half-destroyed form.
    for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

void TEditForm::BuildUserPage(QWidget* page) {
    auto* grid = new QGridLayout;
    int row = 0;
    auto labelled = [&](QLabel*& label, QWidget* field, const char* name) {
        label = new QLabel(page);
        label->setObjectName(name);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    positionEdit_ = new QLineEdit(page);
    positionEdit_->setObjectName("MistoEdit");
    positionEdit_->setReadOnly(true);
    positionEdit_->setFocusPolicy(Qt::NoFocus);
    labelled(positionLabel_, positionEdit_, "MistoLabel");
    codeEdit_ = new QLineEdit(page);
    codeEdit_->setObjectName("KodEdit");
    codeEdit_->setMaxLength(7);
    labelled(codeLabel_, codeEdit_, "KodLabel");
    typCombo_ = EditableCombo(page, "TypCombo");
    labelled(typeLabel_, typCombo_, "TypLabel");
    btnCombo_ = EditableCombo(page, "BtnCombo");
    btnCombo_->lineEdit()->setMaxLength(1);
    for (char c : std::string("0123456789ABCDEF")) btnCombo_->addItem(QString(QChar(c)));
    labelled(buttonLabel_, btnCombo_, "BtnLabel");
    relayCombo_ = new QComboBox(page);
    relayCombo_->setObjectName("ReleCombo");
    labelled(relayLabel_, relayCombo_, "ReleLabel");
    functionCombo_ = EditableCombo(page, "FunkceCombo");
    labelled(functionLabel_, functionCombo_, "FunkceLabel");

    timeGroup_ = new QGroupBox(page);
    timeGroup_->setObjectName("TimeGroup");
    auto* time = new QHBoxLayout(timeGroup_);
    minEdit_ = new TNumberBox(0, 110, timeGroup_);
    minEdit_->setObjectName("MinEdit");
    secEdit_ = new TNumberBox(0, 59, timeGroup_);
    secEdit_->setObjectName("SecEdit");
    milEdit_ = new TNumberBox(0, 900, timeGroup_);
    milEdit_->setObjectName("MilEdit");
    milEdit_->setSingleStep(100);
    milEdit_->setValue(100);
    const char* units[3] = {"min", "s", "ms"};
    QSpinBox* boxes[3] = {minEdit_, secEdit_, milEdit_};
    for (int i = 0; i < 3; ++i) {
        timeLabels_[static_cast<size_t>(i)] = new QLabel(units[i], timeGroup_);
        time->addWidget(boxes[i]);
        time->addWidget(timeLabels_[static_cast<size_t>(i)]);
    }
    time->addStretch();
    grid->addWidget(timeGroup_, row++, 0, 1, 2);

    channelGroup_ = new QGroupBox(page);
    channelGroup_->setObjectName("ChannelGroup");
    auto* channels = new QGridLayout(channelGroup_);
    for (int n = 0; n < 8; ++n) {
        auto* box = new QCheckBox(QStringLiteral("CH %1").arg(n + 1), channelGroup_);
        box->setObjectName(QStringLiteral("ChBox%1").arg(n + 1));
        channels->addWidget(box, n / 4, n % 4);
        channelBoxes_[static_cast<size_t>(n)] = box;
        connect(box, &QCheckBox::toggled, this,
                [this, n](bool on) { Handle([this, n, on] { editor_->ChannelToggled(n, on); }); });
    }
    grid->addWidget(channelGroup_, row++, 0, 1, 2);

    // The button picture: buttons where the catalogue places them, a tick box on each.
    btnGroup_ = new QGroupBox(page);
    btnGroup_->setObjectName("BtnGroup");
    auto* pictureLayout = new QVBoxLayout(btnGroup_);
    picture_ = new QWidget(btnGroup_);
    picture_->setObjectName("BtnPicture");
    picture_->setFixedSize(kPictureSide, kPictureSide);
    pictureLayout->addWidget(picture_, 0, Qt::AlignCenter);
    pictureLayout->addStretch();
    for (int j = 0; j < 4; ++j) {
        auto* button = new QFrame(picture_);
        button->setObjectName(QStringLiteral("Btn%1").arg(j + 1));
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setStyleSheet(
            "QFrame { border: 1px solid #4a4a4a; border-radius: 6px;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f4f4,"
            " stop:1 #b8b8b8); }");
        buttonPictures_[static_cast<size_t>(j)] = button;
    }
    for (int j = 0; j < 4; ++j) {
        auto* box = new QCheckBox(picture_);
        box->setObjectName(QStringLiteral("BtnBox%1").arg(j + 1));
        buttonBoxes_[static_cast<size_t>(j)] = box;
        connect(box, &QCheckBox::toggled, this, [this, j](bool on) {
            Handle([this, j, on] { editor_->ButtonBoxToggled(j, on); });
        });
    }
    inputGroup_ = new QGroupBox(page);
    inputGroup_->setObjectName("InputRadio");
    inputLayout_ = new QVBoxLayout(inputGroup_);
    inputButtons_ = new QButtonGroup(this);
    connect(inputButtons_, &QButtonGroup::idClicked, this,
            [this](int id) { Handle([this, id] { editor_->InputChosen(id); }); });
    auto* side = new QVBoxLayout;
    side->addWidget(btnGroup_);
    side->addWidget(inputGroup_);
    side->addStretch();

    auto* user = new QGridLayout;
    editId_ = new TNumberBox(INT_MIN, INT_MAX, page);
    editId_->setObjectName("EditID");
    idLabel_ = new QLabel(page);
    idLabel_->setBuddy(editId_);
    user->addWidget(idLabel_, 0, 0);
    user->addWidget(editId_, 0, 1);
    for (int i = 0; i < 4; ++i) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        auto* label = new QLabel(page);
        label->setBuddy(edit);
        user->addWidget(label, i + 1, 0);
        user->addWidget(edit, i + 1, 1);
        userEdits_[static_cast<size_t>(i)] = edit;
        userLabels_[static_cast<size_t>(i)] = label;
        // Refused where typed: the message comes when the box is left.
        connect(edit, &QLineEdit::editingFinished, this, [this, i] {
            if (!showing_ && !handling_) ReadUserText(i);
        });
    }

    auto* top = new QHBoxLayout;
    top->addLayout(grid, 3);
    top->addLayout(side, 2);
    noteLabel_ = new QLabel(page);
    noteLabel_->setObjectName("NoteLabel");
    noteLabel_->setWordWrap(true);
    noteLabel_->setStyleSheet("QLabel { color: #8a5a00; }");
    auto* v = new QVBoxLayout(page);
    v->addLayout(top);
    v->addLayout(user);
    v->addWidget(noteLabel_);
    v->addStretch();

    connect(codeEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (editor_) editor_->CodeEdited(ToCoreLossy(text));
    });
    connect(codeEdit_, &QLineEdit::editingFinished, this, &TEditForm::CodeExit);
    connect(typCombo_, &QComboBox::activated, this,
            [this](int index) { TypeChosen(typCombo_->itemText(index)); });
    connect(typCombo_->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { TypeChosen(typCombo_->currentText()); });
    connect(btnCombo_, &QComboBox::activated, this, [this](int index) {
        const QString text = btnCombo_->itemText(index);
        Handle([this, text] { editor_->ButtonCodeEdited(ToCoreLossy(text)); });
    });
    connect(btnCombo_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        Handle([this, text] { editor_->ButtonCodeEdited(ToCoreLossy(text.toUpper())); });
    });
    connect(relayCombo_, &QComboBox::activated, this,
            [this](int index) { Handle([this, index] { editor_->RelayChosen(index); }); });
    connect(functionCombo_, &QComboBox::activated, this,
            [this](int index) { FunctionChosen(functionCombo_->itemText(index)); });
    connect(functionCombo_->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { FunctionChosen(functionCombo_->currentText()); });
    for (QSpinBox* box : {minEdit_, secEdit_, milEdit_}) {
        connect(box, &QSpinBox::valueChanged, this, [this] {
            if (!editor_ || showing_) return;
            editor_->time = {minEdit_->value(), secEdit_->value(), milEdit_->value()};
        });
        connect(box, &QSpinBox::editingFinished, this, &TEditForm::TimeExit);
    }
    connect(editId_, &QSpinBox::valueChanged, this, [this](int value) {
        if (editor_ && !showing_) editor_->userId = value;
    });
    // Enter in an editable list ends its editing and confirms the dialog.
    for (QComboBox* combo : {typCombo_, btnCombo_, functionCombo_, relayCombo_}) {
        combo->installEventFilter(this);
        if (combo->lineEdit()) combo->lineEdit()->installEventFilter(this);
    }
}

void TEditForm::BuildProjectorPage(QWidget* page) {
    auto* grid = new QGridLayout;
    for (int n = 0; n < 4; ++n) {
        TSlotControls& s = slots_[static_cast<size_t>(n)];
        const QString k = QString::number(n + 1);
        s.label = new QLabel(page);
        s.label->setObjectName("CommandLabel" + k);
        s.command = new QLineEdit(page);
        s.command->setObjectName("CommandEdit" + k);
        s.label->setBuddy(s.command);
        s.direct = new QCheckBox(page);
        s.direct->setObjectName("ProjCodeBox" + k);
        s.repeatLabel = new QLabel(page);
        s.repeatLabel->setObjectName("ProjRepeatLabel" + k);
        s.repeat = new TNumberBox(0, 126, page);
        s.repeat->setObjectName("ProjRepeatEdit" + k);
        s.delayLabel = new QLabel(page);
        s.delayLabel->setObjectName("ProjDelayLabel" + k);
        s.delay = new TNumberBox(0, 25, page);
        s.delay->setObjectName("ProjDelayEdit" + k);
        s.help = new QLabel(page);
        s.help->setObjectName("ProjHelpLabel" + k);
        s.help->setEnabled(false);
        const int r = 2 * n;
        grid->addWidget(s.label, r, 0);
        grid->addWidget(s.command, r, 1, 1, 5);
        grid->addWidget(s.help, r, 6);
        grid->addWidget(s.direct, r + 1, 1);
        grid->addWidget(s.repeatLabel, r + 1, 2, Qt::AlignRight);
        grid->addWidget(s.repeat, r + 1, 3);
        grid->addWidget(s.delayLabel, r + 1, 4, Qt::AlignRight);
        grid->addWidget(s.delay, r + 1, 5);

        connect(s.command, &QLineEdit::textEdited, this, [this, n] {
            if (editor_ && !showing_) {
                auto bytes = ToCore(slots_[static_cast<size_t>(n)].command->text());
                if (bytes) editor_->projector.commandSlots[static_cast<size_t>(n)].command = *bytes;
            }
            CompactLater();
        });
        connect(s.command, &QLineEdit::editingFinished, this, [this, n] {
            if (!showing_ && !handling_) ReadCommand(n);
        });
        connect(s.direct, &QCheckBox::toggled, this, [this, n](bool on) {
            Handle([this, n, on] {
                editor_->projector.commandSlots[static_cast<size_t>(n)].direct = on;
            });
            CompactLater();
        });
        connect(s.repeat, &QSpinBox::valueChanged, this, [this, n](int value) {
            if (editor_ && !showing_)
                editor_->projector.commandSlots[static_cast<size_t>(n)].repeat = value;
        });
        connect(s.delay, &QSpinBox::valueChanged, this, [this, n](int value) {
            if (editor_ && !showing_)
                editor_->projector.commandSlots[static_cast<size_t>(n)].delay = value;
        });
    }
    auto* line = new QGridLayout;
    speedLabel_ = new QLabel(page);
    speedCombo_ = EditableCombo(page, "ProjSpeedCombo");
    for (const TBaudRate& rate : BaudRates()) speedCombo_->addItem(rate.text);
    dataLabel_ = new QLabel(page);
    dataCombo_ = EditableCombo(page, "ProjDataCombo");
    dataCombo_->addItems({"7", "8"});
    parityLabel_ = new QLabel(page);
    parityCombo_ = EditableCombo(page, "ProjParityCombo");
    groupLabel_ = new QLabel(page);
    groupLabel_->setObjectName("GroupLabel");
    groupCombo_ = new QComboBox(page);
    groupCombo_->setObjectName("GroupCombo");
    groupCombo_->addItems({"1", "2", "3", "4"});
    QLabel* labels[4] = {speedLabel_, dataLabel_, parityLabel_, groupLabel_};
    QComboBox* combos[4] = {speedCombo_, dataCombo_, parityCombo_, groupCombo_};
    for (int i = 0; i < 4; ++i) {
        labels[i]->setBuddy(combos[i]);
        line->addWidget(labels[i], 0, 2 * i);
        line->addWidget(combos[i], 0, 2 * i + 1);
    }
    connect(speedCombo_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (editor_ && !showing_) editor_->projector.speed = ToCoreLossy(text);
    });
    connect(dataCombo_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (editor_ && !showing_) editor_->projector.dataBits = ToCoreLossy(text);
    });
    connect(parityCombo_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (editor_ && !showing_) editor_->projector.parity = ToCoreLossy(text);
    });
    connect(groupCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (editor_ && !showing_) editor_->projector.sequence = index;
    });
    for (QComboBox* combo : {speedCombo_, dataCombo_, parityCombo_, groupCombo_}) {
        combo->installEventFilter(this);
        if (combo->lineEdit()) combo->lineEdit()->installEventFilter(this);
    }
    auto* v = new QVBoxLayout(page);
    v->addLayout(grid);
    v->addSpacing(8);
    v->addLayout(line);
    v->addStretch();
}

void TEditForm::ApplyCaptions() {
    setWindowTitle(L(texts_, Text::EditCaption));
    pages_->setTabText(pages_->indexOf(projectorPage_), L(texts_, Text::ProjectorPage));
    pages_->setTabText(pages_->indexOf(userPage_), L(texts_, Text::UserInformation));
    positionLabel_->setText(L(texts_, Text::PositionLabel));
    codeLabel_->setText(L(texts_, Text::TxCode));
    typeLabel_->setText(L(texts_, Text::TxType));
    buttonLabel_->setText(L(texts_, Text::ButtonLabel));
    btnGroup_->setTitle(L(texts_, Text::ButtonLabel));
    relayLabel_->setText(L(texts_, Text::Relay));
    functionLabel_->setText(L(texts_, Text::FunctionLabel));
    timeGroup_->setTitle(L(texts_, Text::TimeGroup));
    channelGroup_->setTitle(L(texts_, Text::Channels));
    inputGroup_->setTitle(L(texts_, Text::Input));
    idLabel_->setText(Q(titles_[0]));
    for (size_t i = 0; i < 4; ++i) userLabels_[i]->setText(Q(titles_[i + 1]));
    for (int n = 0; n < 4; ++n) {
        TSlotControls& s = slots_[static_cast<size_t>(n)];
        s.label->setText(L(texts_, Text::Command) + " " + QString::number(n + 1));
        s.direct->setText(L(texts_, Text::DirectCode));
        s.repeatLabel->setText(L(texts_, Text::Repeat));
        s.delayLabel->setText(L(texts_, Text::Delay) + " (s)");
        s.help->setText(L(texts_, Text::HexInputHint));
    }
    speedLabel_->setText(L(texts_, Text::BaudRate));
    dataLabel_->setText(L(texts_, Text::DataBits));
    parityLabel_->setText(L(texts_, Text::Parity));
    groupLabel_->setText(L(texts_, Text::Sequence));
    const QSignalBlocker block(parityCombo_);
    parityCombo_->clear();
    parityCombo_->addItems(Items(ParityItems(texts_)));
}

void TEditForm::Prepare(const TData& record, const TFunctionTable& functionTable,
                        const TDevice& device, const std::string& txDir,
                        const TEditorTitles& titles) {
    inputTimer_->stop();
    titles_ = titles;
    editor_ = std::make_unique<TRecordEditor>(texts_, functionTable, device, ui_);
    editor_->userTitles = titles;
    result_ = TData{};
    ApplyCaptions();
    editor_->Open(record, txDir);
    {
        showing_ = true;
        editId_->setValue(record.UserID);
        const std::array<const std::string*, 4> user = {&record.User1, &record.User2, &record.User3,
                                                        &record.User4};
        for (size_t i = 0; i < 4; ++i) userEdits_[i]->setText(Q(*user[i]));
        for (TSlotControls& s : slots_) s.command->clear();
        showing_ = false;
    }
    pages_->setTabVisible(pages_->indexOf(projectorPage_), editor_->projector.active);
    {
        const QSignalBlocker block(pages_);
        pages_->setCurrentWidget(userPage_);
    }
    Show();
    editor_->focus = TEditorField::None;
    codeEdit_->setFocus();
}

void TEditForm::Show() {
    if (!editor_) return;
    showing_ = true;
    TRecordEditor& e = *editor_;
    positionEdit_->setText(QString::number(e.original.Position));
    if (codeEdit_->text() != Q(e.code)) codeEdit_->setText(Q(e.code));
    QStringList types{"-"};
    types << Items(e.typeItems);
    SetItems(typCombo_, types);
    SetEditText(typCombo_, Q(e.typeText));
    SetEditText(btnCombo_, Q(e.buttonText));
    ShowPicture();

    SetItems(relayCombo_, Items(e.relayItems));
    relayCombo_->setCurrentIndex(e.relayMode ? e.relayIndex : -1);
    relayCombo_->setEnabled(e.relayMode);
    relayLabel_->setEnabled(e.relayMode);

    SetItems(functionCombo_, Items(e.functionItems));
    SetEditText(functionCombo_, Q(e.functionText));
    minEdit_->setValue(e.time.minutes);
    secEdit_->setValue(e.time.seconds);
    milEdit_->setValue(e.time.millis);
    for (QWidget* w : std::initializer_list<QWidget*>{minEdit_, secEdit_, milEdit_})
        w->setEnabled(e.timeEnabled);
    for (QLabel* label : timeLabels_) label->setEnabled(e.timeEnabled);

    channelGroup_->setEnabled(!e.relayMode);
    for (int n = 0; n < 8; ++n) {
        QCheckBox* box = channelBoxes_[static_cast<size_t>(n)];
        box->setEnabled(n < e.channelBoxes);
        box->setChecked(e.channels[static_cast<size_t>(n)]);
    }
    ShowProjector();
    QStringList notes;
    for (const TEditorNote& note : e.notes) notes << Q(note.text);
    noteLabel_->setText(notes.join('\n'));
    noteLabel_->setVisible(!notes.isEmpty());
    showing_ = false;
}

void TEditForm::ShowPicture() {
    TRecordEditor& e = *editor_;
    btnGroup_->setVisible(e.showButtons);
    inputGroup_->setVisible(e.showInputs);
    int right = kPictureSide, bottom = kPictureSide;
    for (size_t j = 0; j < 4; ++j) {
        const TEditorButton& b = e.buttons[j];
        buttonPictures_[j]->setVisible(e.showButtons && b.visible);
        buttonBoxes_[j]->setVisible(e.showButtons && b.visible);
        buttonPictures_[j]->move(Scaled(b.left), Scaled(b.top));
        buttonBoxes_[j]->adjustSize();
        buttonBoxes_[j]->move(Scaled(b.left + 8), Scaled(b.top + 8));
        buttonBoxes_[j]->raise();
        buttonBoxes_[j]->setChecked(b.ticked);
        if (b.visible) {
            right = std::max(right, Scaled(b.left) + kButtonWidth + 4);
            bottom = std::max(bottom, Scaled(b.top) + kButtonHeight + 4);
        }
    }
    picture_->setFixedSize(right, bottom);

    QStringList names = Items(e.inputItems);
    QStringList shown;
    for (QRadioButton* radio : inputRadios_) shown << radio->text();
    if (shown != names) {
        for (QRadioButton* radio : inputRadios_) {
            inputButtons_->removeButton(radio);
            delete radio;
        }
        inputRadios_.clear();
        for (int i = 0; i < names.size(); ++i) {
            auto* radio = new QRadioButton(names[i], inputGroup_);
            radio->setObjectName(QStringLiteral("Input%1").arg(i + 1));
            inputLayout_->addWidget(radio);
            inputButtons_->addButton(radio, i);
            inputRadios_.push_back(radio);
        }
    }
    inputButtons_->setExclusive(false);
    for (size_t i = 0; i < inputRadios_.size(); ++i)
        inputRadios_[i]->setChecked(static_cast<int>(i) == e.inputIndex);
    inputButtons_->setExclusive(true);
}

void TEditForm::ShowProjector() {
    const TProjectorPage& p = editor_->projector;
    for (int n = 0; n < 4; ++n) {
        TSlotControls& s = slots_[static_cast<size_t>(n)];
        const TCommandSlot& slot = p.commandSlots[static_cast<size_t>(n)];
        const bool shown = p.active && n < p.slotsShown;
        for (QWidget* w : std::initializer_list<QWidget*>{s.label, s.command, s.direct,
                                                          s.repeatLabel, s.repeat, s.help})
            w->setVisible(shown);
        s.delay->setVisible(shown && p.delayShown);
        s.delayLabel->setVisible(shown && p.delayShown);
        // A text the code page cannot hold stays as typed until it is refused.
        const auto typed = ToCore(s.command->text());
        if (typed && *typed != slot.command) s.command->setText(Q(slot.command));
        s.direct->setChecked(slot.direct);
        s.command->setEnabled(!slot.direct);
        s.label->setEnabled(!slot.direct);
        s.repeat->setValue(slot.repeat);
        s.delay->setValue(slot.delay);
    }
    SetEditText(speedCombo_, Q(p.speed));
    SetEditText(dataCombo_, Q(p.dataBits));
    SetEditText(parityCombo_, Q(p.parity));
    groupCombo_->setCurrentIndex(std::clamp(p.sequence, 0, 3));
    groupCombo_->setVisible(p.sequenceShown);
    groupLabel_->setVisible(p.sequenceShown);
}

template <typename F>
void TEditForm::Handle(F&& f) {
    if (!editor_ || showing_ || handling_) return;
    handling_ = true;
    f();
    Show();
    ApplyFocus();
    handling_ = false;
}

void TEditForm::ApplyFocus() {
    TRecordEditor& e = *editor_;
    const int i = e.focusIndex;
    switch (e.focus) {
        case TEditorField::Code:
            pages_->setCurrentWidget(userPage_);
            codeEdit_->setFocus();
            codeEdit_->selectAll();
            break;
        case TEditorField::UserText:
            if (i >= 0 && i < 4) {
                pages_->setCurrentWidget(userPage_);
                userEdits_[static_cast<size_t>(i)]->setFocus();
            }
            break;
        case TEditorField::Command:
            if (i >= 0 && i < 4) {
                const QSignalBlocker block(pages_);
                pages_->setCurrentWidget(projectorPage_);
                slots_[static_cast<size_t>(i)].command->setFocus();
                slots_[static_cast<size_t>(i)].command->selectAll();
            }
            break;
        case TEditorField::None:
            break;
    }
    e.focus = TEditorField::None;
}

bool TEditForm::ReadUserText(int i) {
    QLineEdit* edit = userEdits_[static_cast<size_t>(i)];
    const QString what = Q(titles_[static_cast<size_t>(i) + 1]);
    auto bytes = TypedText(edit->text(), what, ui_, edit);
    if (!bytes) return false;
    if (auto problem = editor_->UserTextRefusal(static_cast<size_t>(i), *bytes)) {
        ui_.Error(*problem);
        edit->setFocus();
        return false;
    }
    editor_->user[static_cast<size_t>(i)] = *bytes;
    return true;
}

bool TEditForm::ReadCommand(int n) {
    if (!editor_) return false;
    QLineEdit* edit = slots_[static_cast<size_t>(n)].command;
    if (!edit->isVisible() && edit->text().isEmpty()) return true;
    auto bytes =
        TypedText(edit->text(), L(texts_, Text::Command) + " " + QString::number(n + 1), ui_, edit);
    if (!bytes) return false;
    editor_->projector.commandSlots[static_cast<size_t>(n)].command = *bytes;
    return true;
}

bool TEditForm::ReadTexts() {
    for (int i = 0; i < 4; ++i)
        if (!ReadUserText(i)) return false;
    for (int n = 0; n < 4; ++n)
        if (!ReadCommand(n)) return false;
    editor_->CodeEdited(ToCoreLossy(codeEdit_->text()));
    editor_->userId = editId_->value();
    editor_->time = {minEdit_->value(), secEdit_->value(), milEdit_->value()};
    for (int n = 0; n < 4; ++n) {
        TCommandSlot& slot = editor_->projector.commandSlots[static_cast<size_t>(n)];
        slot.repeat = slots_[static_cast<size_t>(n)].repeat->value();
        slot.delay = slots_[static_cast<size_t>(n)].delay->value();
    }
    editor_->projector.speed = ToCoreLossy(speedCombo_->currentText());
    editor_->projector.dataBits = ToCoreLossy(dataCombo_->currentText());
    editor_->projector.parity = ToCoreLossy(parityCombo_->currentText());
    return true;
}

void TEditForm::CodeExit() {
    Handle([this] {
        editor_->CodeEdited(ToCoreLossy(codeEdit_->text()));
        editor_->CodeExit();
    });
}

void TEditForm::TimeExit() {
    Handle([this] {
        editor_->time = {minEdit_->value(), secEdit_->value(), milEdit_->value()};
        editor_->TimeExit();
    });
}

void TEditForm::TypeChosen(const QString& text) {
    if (!editor_ || Q(editor_->typeText) == text) return;
    Handle([this, text] { editor_->TypeChanged(ToCoreLossy(text)); });
}

void TEditForm::FunctionChosen(const QString& text) {
    if (!editor_ || Q(editor_->functionText) == text) return;
    Handle([this, text] { editor_->FunctionChanged(ToCoreLossy(text)); });
}

void TEditForm::CompactLater() {
    if (!showing_ && editor_ && editor_->projector.typeName == "KV1M2") inputTimer_->start();
}

void TEditForm::accept() {
    if (!editor_ || handling_) return;
    inputTimer_->stop();
    // Texts typed into the lists count as if their box had been left.
    TypeChosen(typCombo_->currentText());
    FunctionChosen(functionCombo_->currentText());
    if (!ReadTexts()) return;
    TData result;
    handling_ = true;
    const bool ok = editor_->Confirm(result);
    handling_ = false;
    Show();
    ApplyFocus();
    if (!ok) return;
    result_ = std::move(result);
    QDialog::accept();
}

void TEditForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (!combo) combo = qobject_cast<QComboBox*>(watched->parent());
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (combo && enter && !combo->view()->isVisible()) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool EditRecord(QWidget* parent, const TTextTable& texts, const TFunctionTable& functionTable,
                const TDevice& device, const std::string& txDir, const TEditorTitles& titles,
                TUserInterface& ui, TData& record) {
    TEditForm form(texts, ui, parent);
    form.Prepare(record, functionTable, device, txDir, titles);
    if (form.exec() != QDialog::Accepted) return false;
    record = form.Result();
    return true;
}

}  // namespace ravlin
