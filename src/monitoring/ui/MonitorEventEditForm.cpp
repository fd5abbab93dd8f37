#include "monitoring/ui/MonitorEventEditForm.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/ui/Text.h"
#include "monitoring/MonitorEdit.h"

namespace ravlin {

namespace {
const QString kNoType = QStringLiteral("-");
}  // namespace

TMonitorEventEditForm::TMonitorEventEditForm(const TTextTable& texts, TUserInterface& ui,
                                             std::string dataDir, std::string txDefName,
                                             QWidget* parent)
    : QDialog(parent),
      texts_(texts),
      ui_(ui),
      dataDir_(std::move(dataDir)),
      txDefName_(std::move(txDefName)) {
    setObjectName("MonitorEventEditForm");
    serialLabel_ = new QLabel(this);
    typeLabel_ = new QLabel(this);
    buttonLabel_ = new QLabel(this);
    code_ = new QLineEdit(this);
    code_->setObjectName("KodEdit");
    code_->setMaxLength(7);
    typ_ = new QComboBox(this);
    typ_->setObjectName("TypCombo");
    typ_->setEditable(true);
    typ_->setInsertPolicy(QComboBox::NoInsert);
    btn_ = new QComboBox(this);
    btn_->setObjectName("BtnCombo");
    btn_->setEditable(true);
    btn_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* d :
         {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"})
        btn_->addItem(QString::fromLatin1(d));
    btn_->lineEdit()->setMaxLength(1);
    btn_->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]?"), btn_));

    btnGroup_ = new QGroupBox(this);
    btnGroup_->setObjectName("BtnGroup");
    btnArea_ = new QWidget(btnGroup_);
    btnArea_->setFixedSize(110, 110);
    for (int i = 0; i < 4; ++i) {
        buttons_[i] = new QFrame(btnArea_);
        buttons_[i]->setObjectName(QStringLiteral("Btn%1").arg(i + 1));
        buttons_[i]->setFixedSize(33, 33);
        buttons_[i]->setFrameShape(QFrame::Box);
        buttons_[i]->setStyleSheet("QFrame { background: white; border: 1px solid black; }");
        boxes_[i] = new QCheckBox(btnArea_);
        boxes_[i]->setObjectName(QStringLiteral("BtnBox%1").arg(i + 1));
        connect(boxes_[i], &QCheckBox::clicked, this, [this] { TicksChanged(); });
    }
    auto* bl = new QVBoxLayout(btnGroup_);
    bl->addWidget(btnArea_);

    inputGroup_ = new QGroupBox(this);
    inputGroup_->setObjectName("InputRadio");
    new QVBoxLayout(inputGroup_);
    inputs_ = new QButtonGroup(this);
    connect(inputs_, &QButtonGroup::idClicked, this, [this] { InputChosen(); });

    userGroup_ = new QGroupBox(this);
    auto* ug = new QGridLayout(userGroup_);
    for (int i = 0; i < 5; ++i) {
        userLabels_[i] = new QLabel(userGroup_);
        users_[i] = new QLineEdit(userGroup_);
        users_[i]->setReadOnly(true);
        users_[i]->setObjectName(i == 0 ? QStringLiteral("EditID")
                                        : QStringLiteral("Edit%1").arg(i));
        ug->addWidget(userLabels_[i], i, 0);
        ug->addWidget(users_[i], i, 1);
    }

    auto* top = new QGridLayout;
    top->addWidget(serialLabel_, 0, 0);
    top->addWidget(code_, 0, 1);
    top->addWidget(typeLabel_, 1, 0);
    top->addWidget(typ_, 1, 1);
    top->addWidget(buttonLabel_, 2, 0);
    top->addWidget(btn_, 2, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(top);
    middle->addWidget(btnGroup_);
    middle->addWidget(inputGroup_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(middle);
    v->addWidget(userGroup_);
    v->addWidget(box);

    connect(code_, &QLineEdit::editingFinished, this, [this] {
        if (!updating_ && isVisible()) CheckSerial();
    });
    connect(btn_, &QComboBox::editTextChanged, this, [this] { ButtonTextChanged(); });
    // A type is taken when chosen from the list or when typing ends, not at every key.
    connect(typ_, &QComboBox::currentIndexChanged, this, [this] { TypeChanged(); });
    connect(typ_->lineEdit(), &QLineEdit::editingFinished, this, [this] { TypeChanged(); });
}

int TMonitorEventEditForm::ChosenType() const {
    const int i = TypeNamed(types_, ToCoreLossy(typ_->currentText()));
    // A type without buttons or inputs counts as none.
    return i >= 0 && types_[i].Count != 0 ? i : -1;
}

const TTx* TMonitorEventEditForm::LayoutType() const {
    const int i = ChosenType();
    if (i >= 0) return &types_[i];
    return types_.empty() ? nullptr : &types_.front();
}

void TMonitorEventEditForm::FillTypes() {
    const QSignalBlocker block(typ_);
    const QString text = typ_->currentText();
    typ_->clear();
    for (const TTx& t : types_) typ_->addItem(Q(t.Name));
    // No item stays current, so that choosing any one later is a change.
    typ_->setCurrentIndex(-1);
    typ_->setEditText(text);
}

void TMonitorEventEditForm::Prepare(const TEvent& event) {
    event_ = event;
    updating_ = true;
    setWindowTitle(L(texts_, Text::EditEventCaption));
    serialLabel_->setText(L(texts_, Text::TxCode));
    typeLabel_->setText(L(texts_, Text::TxType));
    buttonLabel_->setText(L(texts_, Text::ButtonLabel));
    btnGroup_->setTitle(L(texts_, Text::ButtonLabel));
    inputGroup_->setTitle(L(texts_, Text::Input));
    userGroup_->setTitle(L(texts_, Text::UserInformation));
    for (int i = 0; i < 5; ++i) userLabels_[i]->setText(Q(titles_[i]));

    users_[0]->setText(QString::number(event.UserNumber));
    for (int i = 0; i < 4; ++i) users_[i + 1]->setText(Q(event.User[i]));
    code_->setText(Q(event.Serial));
    const bool input = !event.Serial.empty() && event.Serial[0] == 'A';
    SetButtonText(Q(input ? InputCodeDigit(event.Buttons) : event.Buttons));

    types_.clear();
    const bool loaded = LoadEventTxTypes(dataDir_, txDefName_, types_, texts_, ui_);
    {
        const QSignalBlocker block(typ_);
        typ_->clear();
        for (const TTx& t : types_) typ_->addItem(Q(t.Name));
        const int match = loaded ? TypeForSerial(types_, event.Serial) : -1;
        typ_->setCurrentIndex(match);
        if (match < 0) typ_->setEditText(kNoType);
    }
    updating_ = false;
    UpdateDisplay();
    CheckSerial();
    code_->setFocus();
}

void TMonitorEventEditForm::SetButtonText(const QString& text) {
    const bool was = updating_;
    updating_ = true;
    const int item = btn_->findText(text);
    if (item >= 0) btn_->setCurrentIndex(item);
    btn_->setEditText(text);
    updating_ = was;
}

void TMonitorEventEditForm::UpdateDisplay() {
    const bool was = updating_;
    updating_ = true;
    const int chosen = ChosenType();
    if (chosen >= 0) {
        QString code = code_->text();
        const std::string& prefix = types_[chosen].CodePrefix;
        if (!code.isEmpty() && !prefix.empty()) {
            code[0] = QChar::fromLatin1(prefix[0]);
            code_->setText(code);
        }
    } else {
        const QSignalBlocker block(typ_);
        typ_->setCurrentIndex(-1);
        typ_->setEditText(kNoType);
    }
    const TTx* type = LayoutType();
    const int v = ButtonDigitValue(ToCoreLossy(btn_->currentText()));
    const bool buttons = !type || type->HasButtons;
    btnGroup_->setVisible(buttons);
    inputGroup_->setVisible(!buttons);
    if (buttons) {
        const auto ticks = TicksOfValue(v);
        for (int j = 0; j < 4; ++j) {
            const bool shown = type && type->Buttons[j].Visible;
            buttons_[j]->setVisible(shown);
            boxes_[j]->setVisible(shown);
            if (type) {
                buttons_[j]->move(type->Buttons[j].Left, type->Buttons[j].Top);
                boxes_[j]->move(type->Buttons[j].Left + 8, type->Buttons[j].Top + 8);
                boxes_[j]->raise();
            }
            boxes_[j]->setChecked(ticks[j]);
        }
    } else {
        for (QAbstractButton* b : inputs_->buttons()) {
            inputs_->removeButton(b);
            delete b;
        }
        bool selected = false;
        for (size_t k = 0; k < type->Inputs.size(); ++k) {
            auto* r = new QRadioButton(Q(type->Inputs[k].Name), inputGroup_);
            inputs_->addButton(r, static_cast<int>(k));
            inputGroup_->layout()->addWidget(r);
            if (!selected && type->Inputs[k].Value == v) {
                r->setChecked(true);
                selected = true;
            }
        }
        if (!selected) SetButtonText(QStringLiteral("0"));
    }
    updating_ = was;
}

void TMonitorEventEditForm::TicksChanged() {
    if (updating_) return;
    const TTx* type = LayoutType();
    if (!type) return;
    std::array<bool, 4> ticked{};
    for (int j = 0; j < 4; ++j) ticked[j] = boxes_[j]->isChecked();
    SetButtonText(Q(ButtonsOfTicks(*type, ticked)));
}

void TMonitorEventEditForm::InputChosen() {
    if (updating_) return;
    const TTx* type = LayoutType();
    const int k = inputs_->checkedId();
    QString text = QStringLiteral("0");
    if (type && k >= 0 && k < static_cast<int>(type->Inputs.size()))
        text = Q(HexText(type->Inputs[k].Value));
    SetButtonText(text);
}

void TMonitorEventEditForm::ButtonTextChanged() {
    if (updating_) return;
    const QString text = btn_->currentText().toUpper();
    const int item = btn_->findText(text);
    SetButtonText(item >= 0 ? text : QStringLiteral("0"));
    UpdateDisplay();
}

void TMonitorEventEditForm::TypeChanged() {
    if (updating_) return;
    const QString text = typ_->currentText();
    if (text == kNoType || text == QStringLiteral(" ") || text.isEmpty()) {
        const QString code = code_->text();
        updating_ = true;
        code_->setText(QStringLiteral("x0") + code.mid(2, 5));
        FillTypes();
        updating_ = false;
    }
    UpdateDisplay();
    const int item = typ_->findText(typ_->currentText());
    if (item >= 0 && item != typ_->currentIndex()) {
        const QSignalBlocker block(typ_);
        typ_->setCurrentIndex(item);
    }
}

bool TMonitorEventEditForm::CheckSerial() {
    // The error box takes the focus, which ends the editing once more.
    if (checking_) return false;
    checking_ = true;
    const bool ok = CheckSerialOnce();
    checking_ = false;
    return ok;
}

bool TMonitorEventEditForm::CheckSerialOnce() {
    const std::string typed = ToCoreLossy(code_->text());
    const int chosen = ChosenType();
    const std::string prefix = chosen >= 0 ? types_[chosen].CodePrefix : std::string();
    if (auto serial = CheckEventSerial(typed, prefix)) {
        const bool was = updating_;
        updating_ = true;
        code_->setText(Q(*serial));
        updating_ = was;
        return true;
    }
    ui_.Error(TMessage::Lang(texts_, Text::BadTxCode));
    code_->setText(Q(event_.Serial));
    const bool xForm = typed.size() == 7 && (typed[0] == 'x' || typed[0] == 'X');
    if (!xForm) code_->setFocus();
    return false;
}

void TMonitorEventEditForm::accept() {
    CheckSerial();
    const int chosen = ChosenType();
    if (chosen >= 0 && types_[chosen].HasButtons) {
        std::array<bool, 4> ticked{};
        for (int j = 0; j < 4; ++j) ticked[j] = boxes_[j]->isChecked();
        SetButtonText(Q(ButtonsOfTicks(types_[chosen], ticked)));
    }
    const std::string serial = ToCoreLossy(code_->text());
    const std::string buttons = ToCoreLossy(btn_->currentText());
    event_.Serial = serial;
    event_.Buttons = !serial.empty() && serial[0] == 'A' ? InputCodeText(buttons) : buttons;
    QDialog::accept();
}

}  // namespace ravlin
