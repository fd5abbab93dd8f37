#include "monitoring/ui/MonitorAddForm.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ui/Text.h"

namespace ravlin {

TMonitorAddForm::TMonitorAddForm(const TTextTable& texts, TMonitor& monitor,
                                 const TTransmitterSelection& selection, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      texts_(texts),
      monitor_(monitor),
      selection_(selection) {
    setObjectName("MonitorAddForm");
    setModal(false);
    label_ = new QLabel(QStringLiteral("Select record and click OK."), this);
    label_->setObjectName("Label1");
    label_->setAlignment(Qt::AlignCenter);
    QFont f = label_->font();
    f.setPixelSize(19);
    label_->setFont(f);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, [this] { Confirm(); });
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(label_);
    v->addWidget(box);
    blink_.setInterval(500);
    connect(&blink_, &QTimer::timeout, this, [this] {
        QFont font = label_->font();
        font.setUnderline(!font.underline());
        label_->setFont(font);
    });
}

void TMonitorAddForm::ShowBeside(const QRect& mainWindow) {
    adjustSize();
    move(mainWindow.left() + mainWindow.width() - width() - 30, mainWindow.top() + 30);
    show();
    raise();
}

void TMonitorAddForm::showEvent(QShowEvent* e) {
    setWindowTitle(L(texts_, Text::AddTransmittersCaption));
    label_->setText(L(texts_, Text::SelectRecordAndOk));
    QFont font = label_->font();
    font.setUnderline(false);
    label_->setFont(font);
    blink_.start();
    emit shown();
    QDialog::showEvent(e);
}

void TMonitorAddForm::Confirm() {
    if (!isVisible()) return;
    for (const auto& [serial, button] : selection_.SelectedTransmitters())
        monitor_.AddEvent(serial, button, false);
    accept();
}

void TMonitorAddForm::done(int r) {
    blink_.stop();
    QDialog::done(r);
    emit closed();
}

}  // namespace ravlin
