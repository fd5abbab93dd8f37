#include "receiver/ui/TransferReviewForm.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/ui/Text.h"

namespace ravlin {

TTransferReviewForm::TTransferReviewForm(const TTextTable& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName("TransferReviewForm");
    heading_ = new QLabel(this);
    heading_->setWordWrap(true);
    warning_ = new QLabel(this);
    warning_->setWordWrap(true);
    warning_->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
    lines_ = new QPlainTextEdit(this);
    lines_->setObjectName("ReviewLines");
    lines_->setReadOnly(true);
    lines_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lines_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    upload_ = new QPushButton("&Upload", this);
    merge_ = new QPushButton("&Merge receiver records, then upload", this);
    cancel_ = new QPushButton("Cancel", this);
    copy_ = new QPushButton("&Copy", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addStretch(1);
    buttons->addWidget(merge_);
    buttons->addWidget(upload_);
    buttons->addWidget(cancel_);
    auto* v = new QVBoxLayout(this);
    v->addWidget(heading_);
    v->addWidget(warning_);
    v->addWidget(lines_, 1);
    v->addLayout(buttons);
    connect(upload_, &QPushButton::clicked, this, [this] { Choose(TUploadChoice::Upload); });
    connect(merge_, &QPushButton::clicked, this, [this] { Choose(TUploadChoice::Merge); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Choose(TUploadChoice::Cancel); });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(lines_->toPlainText()); });
    resize(720, 420);
}

void TTransferReviewForm::Show(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) text << Q(line);
    lines_->setPlainText(text.join('\n'));
    lines_->moveCursor(QTextCursor::Start);
}

void TTransferReviewForm::Choose(TUploadChoice choice) {
    choice_ = choice;
    if (choice == TUploadChoice::Cancel)
        reject();
    else
        accept();
}

void TTransferReviewForm::PrepareQuestion(const TUploadComparison& comparison) {
    choice_ = TUploadChoice::Cancel;
    setWindowTitle("Upload");
    heading_->setText(HasText(texts_, Text::OverwriteReceiver) ? L(texts_, Text::OverwriteReceiver)
                                                               : QString("Upload?"));
    if (!comparison.removed.empty()) {
        warning_->setText(
            QString("The receiver holds %1 record(s) that this upload would remove or "
                    "overwrite (listed first).")
                .arg(comparison.removed.size()));
        warning_->show();
    } else {
        warning_->hide();
    }
    Show(ComparisonLines(comparison));
    upload_->show();
    upload_->setText("&Upload");
    merge_->setVisible(comparison.CanMerge());
    cancel_->setText("Cancel");
    // Nothing the receiver holds is lost by default: Cancel has the focus when records
    // would be removed.
    (comparison.removed.empty() ? upload_ : cancel_)->setDefault(true);
    (comparison.removed.empty() ? cancel_ : upload_)->setDefault(false);
    merge_->setDefault(false);
}

void TTransferReviewForm::PrepareReport(const std::vector<TReadBackDifference>& differences) {
    choice_ = TUploadChoice::Cancel;
    setWindowTitle("Upload");
    heading_->setText("The upload was read back: the receiver does not hold what was written.");
    warning_->setText(QString("%1 record(s) differ. The receiver's memory is not what the "
                              "document holds.")
                          .arg(differences.size()));
    warning_->show();
    Show(ReadBackLines(differences));
    upload_->hide();
    merge_->hide();
    cancel_->setText("Close");
    cancel_->setDefault(true);
}

}  // namespace ravlin
