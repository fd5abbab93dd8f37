#include "base/ui/InfoForm.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace ravlin {

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InfoForm");
    setWindowTitle("Ravlin");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    label_ = new QLabel("Working ...", this);
    label_->setAlignment(Qt::AlignCenter);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(30, 20, 30, 20);
    v->addWidget(label_);
    setMinimumWidth(240);
}

void TInfoForm::ShowText(const QString& text) {
    label_->setText(text);
    show();
    raise();
}

void TInfoForm::closeEvent(QCloseEvent* e) {
    e->ignore();
}

}  // namespace ravlin
