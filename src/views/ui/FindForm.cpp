#include "views/ui/FindForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/ui/Text.h"

namespace ravlin {

TFindForm::TFindForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QStringLiteral("Find"));
    label_ = new QLabel(QStringLiteral("Find :"), this);
    text_ = new QComboBox(this);
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);  // the history grows on OK only
    text_->setMinimumWidth(220);
    label_->setBuddy(text_);
    group_ = new QGroupBox(QStringLiteral("Column"), this);
    choices_ = new QGridLayout(group_);
    buttons_ = new QButtonGroup(this);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &TFindForm::accept);
    connect(cancel_, &QPushButton::clicked, this, &TFindForm::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label_);
    row->addWidget(text_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(group_);
    layout->addLayout(buttons);
    SetChoices({"All", "Mem", "SerNum", "UserID", "User1", "User2", "User3", "User4"});
}

void TFindForm::SetChoices(const std::vector<std::string>& items) {
    for (QAbstractButton* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    // Two columns, filled top to bottom.
    const int perColumn = static_cast<int>((items.size() + 1) / 2);
    for (size_t i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(Q(items[i]), group_);
        buttons_->addButton(b, static_cast<int>(i));
        const int index = static_cast<int>(i);
        choices_->addWidget(b, index % std::max(perColumn, 1), index / std::max(perColumn, 1));
    }
    CheckChoice(0);
}

int TFindForm::ChoiceCount() const {
    return static_cast<int>(buttons_->buttons().size());
}

int TFindForm::CheckedChoice() const {
    return std::max(buttons_->checkedId(), 0);
}

void TFindForm::CheckChoice(int item) {
    if (QAbstractButton* b = buttons_->button(item)) b->setChecked(true);
}

void TFindForm::showEvent(QShowEvent* event) {
    setWindowTitle(L(texts_, Text::FindCaption));
    label_->setText(L(texts_, Text::FindLabel));
    group_->setTitle(L(texts_, Text::FindColumn));
    CheckChoice(0);
    text_->setFocus();
    text_->lineEdit()->selectAll();
    QDialog::showEvent(event);
}

void TFindForm::accept() {
    const QString typed = text_->currentText();
    if (typed.isEmpty()) {
        reject();
        return;
    }
    // Cells hold code page text: a character it has no place for can never be found.
    const auto text = TypedText(typed, label_->text(), ui_, text_);
    if (!text) return;
    state_.Confirm(*text, CheckedChoice());
    text_->addItem(typed);
    QDialog::accept();
}

int MenuFindClick(TFindForm& form, const TViewRows& rows, TUserInterface& ui,
                  const TTextTable& texts) {
    form.SetChoices(TFindState::ChoiceItems(rows, texts));
    form.State().ResetPositions();
    if (form.exec() != QDialog::Accepted) return 0;
    return form.State().SearchNext(rows, ui, texts);
}

int FindNextClick(TFindForm& form, const TViewRows& rows, TUserInterface& ui,
                  const TTextTable& texts) {
    if (!form.State().HasSearchText()) return MenuFindClick(form, rows, ui, texts);
    return form.State().SearchNext(rows, ui, texts);
}

}  // namespace ravlin
