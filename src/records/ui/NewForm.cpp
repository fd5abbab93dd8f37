#include "records/ui/NewForm.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/ui/Text.h"
#include "catalog/Catalog.h"

namespace ravlin {

TNewForm::TNewForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("NewForm");
    setWindowTitle("New file ...");
    label_ = new QLabel("Select Rx type", this);
    combo_ = new QComboBox(this);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setObjectName("ComboRxTyp");
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(label_);
    v->addWidget(combo_);
    v->addWidget(box);
    setMinimumWidth(320);
}

void TNewForm::Prepare(const std::vector<TRxArray>& types) {
    setWindowTitle(L(texts_, Text::NewFile));
    label_->setText(L(texts_, Text::SelectRxType));
    types_ = types;
    chosen_.clear();
    combo_->clear();
    for (const auto& t : types_) combo_->addItem(Q(t.Description));
    if (!types_.empty()) {
        combo_->setCurrentIndex(0);
        combo_->setFocus();
    }
}

void TNewForm::PrepareFromCatalogue(const std::string& rxDefPath) {
    Prepare(ListReceiverTypes(rxDefPath, texts_, ui_));
}

void TNewForm::accept() {
    int index = combo_->currentIndex();
    const QString typed = combo_->currentText();
    // An edited text counts only when it names a type (letter case ignored).
    if (index < 0 || combo_->itemText(index) != typed) {
        index = -1;
        for (int i = 0; i < combo_->count(); ++i)
            if (combo_->itemText(i).compare(typed, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
    }
    if (index < 0 || index >= static_cast<int>(types_.size())) {
        ui_.Error(TMessage::Lang(texts_, Text::SelectReceiverType));
        return;
    }
    combo_->setCurrentIndex(index);
    chosen_ = types_[index].Name;
    QDialog::accept();
}

}  // namespace ravlin
