#include "app/ui/AboutForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/ui/BuildInfo.h"
#include "base/ui/Text.h"

namespace ravlin {

namespace {

// The licence file's paragraphs with their lines joined: the box wraps them at its width.
QString Paragraphs(const QString& text) {
    QStringList out;
    for (const QString& p : text.split(QStringLiteral("\n\n"))) out << p.simplified();
    out.removeAll(QString());
    return out.join(QStringLiteral("\n\n"));
}
}  // namespace

QString ProgramVersion() {
    return QStringLiteral(RAVLIN_VERSION);
}

TAboutForm::TAboutForm(const TTextTable& texts, QWidget* parent) : QDialog(parent), texts_(texts) {
    setObjectName("AboutForm");
    setWindowTitle("About Ravlin");
    product_ = new QLabel(QStringLiteral("RAVLIN\u00AE"), this);
    QFont pf = product_->font();
    pf.setBold(true);
    pf.setPointSizeF(pf.pointSizeF() * 2.0);
    product_->setFont(pf);
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    line1_ = new QLabel("Communication Software", this);
    version_ = new QLabel(this);
    version_->setObjectName("VersionLabel");
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    supported_ = new QLabel("Supported receivers:", this);
    receivers_ = new QListWidget(this);
    receivers_->setObjectName("ReceiverList");
    receivers_->setSelectionMode(QAbstractItemView::NoSelection);
    receivers_->setMinimumHeight(110);
    licence_ = new QLabel(this);
    licence_->setObjectName("LicenceLabel");
    licenceText_ = new QPlainTextEdit(Paragraphs(QString::fromUtf8(kLicenceText)), this);
    licenceText_->setObjectName("LicenceText");
    licenceText_->setReadOnly(true);
    licenceText_->setMinimumHeight(110);
    QFont small = licenceText_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    licenceText_->setFont(small);
    // The links open with the desktop's own handlers; a build without the addresses
    // shows neither.
    auto link = [this](const char* name, const QString& url, const QString& text) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setText(
            QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()));
        l->setOpenExternalLinks(true);
        l->setTextInteractionFlags(Qt::TextBrowserInteraction);
        l->setVisible(!url.isEmpty());
        return l;
    };
    const QString homepage = QString::fromUtf8(kHomepageUrl);
    const QString email = QString::fromUtf8(kSupportEmail);
    web_ = link("WebLink", homepage, homepage);
    mail_ = link("MailLink", email.isEmpty() ? QString() : "mailto:" + email, email);
    close_ = new QPushButton("Close", this);
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);

    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    auto* names = new QVBoxLayout;
    names->addWidget(product_);
    names->addWidget(line1_);
    names->addWidget(version_);
    head->addLayout(names, 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(head);
    v->addWidget(supported_);
    v->addWidget(receivers_, 1);
    v->addWidget(licence_);
    v->addWidget(licenceText_, 1);
    v->addWidget(web_);
    v->addWidget(mail_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    v->addLayout(buttons);
    setMinimumWidth(460);
}

void TAboutForm::ApplyTexts() {
    setWindowTitle(L(texts_, Text::AboutCaption));
    line1_->setText(L(texts_, Text::CommunicationSoftware));
    version_->setText(L(texts_, Text::Version) + ProgramVersion());
    supported_->setText(L(texts_, Text::SupportedReceivers));
    licence_->setText(LOr(texts_, Text::Licence, "Licence") + ": " +
                      QString::fromUtf8(kLicenceName));
    close_->setText(L(texts_, Text::CloseButton));
}

void TAboutForm::Prepare(const QStringList& receivers) {
    ApplyTexts();
    receivers_->clear();
    receivers_->addItems(receivers);
}

}  // namespace ravlin
