#include "receiver/ui/ReceiverForms.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QVBoxLayout>

#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "receiver/Session.h"

namespace ravlin {

namespace {

QDialogButtonBox* OkCancel(QDialog* d) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

QLabel* BoldLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

// A typed password as code page bytes; refuses characters the receiver cannot store.
std::optional<std::string> TypedPassword(QLineEdit* edit, TUserInterface& ui) {
    return TypedText(edit->text(), QStringLiteral("The password"), ui, edit);
}

}  // namespace

// ---- TLoginForm -------------------------------------------------------------------

TLoginForm::TLoginForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("LoginForm");
    setWindowTitle("Login");
    auto* grid = new QGridLayout;
    typeCaption_ = new QLabel("Rx type :", this);
    passwordCaption_ = new QLabel("Password :", this);
    type_ = BoldLabel(this);
    edit_ = new QLineEdit(this);
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setObjectName("PasswordEdit");
    grid->addWidget(typeCaption_, 0, 0);
    grid->addWidget(type_, 0, 1);
    grid->addWidget(passwordCaption_, 1, 0);
    grid->addWidget(edit_, 1, 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(OkCancel(this));
    setMinimumWidth(320);
}

void TLoginForm::Prepare(const std::string& description, const std::string& password) {
    setWindowTitle(L(texts_, Text::LoginCaption));
    typeCaption_->setText(L(texts_, Text::RxTypeLabel));
    passwordCaption_->setText(L(texts_, Text::PasswordLabel));
    type_->setText(Q(description));
    password_ = password;
    edit_->clear();
    edit_->setFocus();
}

void TLoginForm::accept() {
    auto typed = TypedPassword(edit_, ui_);
    if (!typed) return;
    if (const std::optional<Text> text = TSession::CheckLoginPassword(*typed, password_)) {
        ui_.Error(TMessage::Lang(texts_, *text));
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    typed_ = *typed;
    QDialog::accept();
}

// ---- TChangePasswordForm ----------------------------------------------------------------

TChangePasswordForm::TChangePasswordForm(const TTextTable& texts, TUserInterface& ui,
                                         QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("ChangePassForm");
    setWindowTitle("Change password");
    auto* grid = new QGridLayout;
    typeCaption_ = new QLabel("Rx type :", this);
    oldCaption_ = new QLabel("Old password :", this);
    newCaption_ = new QLabel("New password :", this);
    noPassword_ = new QLabel("No password", this);
    type_ = BoldLabel(this);
    old_ = new QLineEdit(this);
    old_->setEchoMode(QLineEdit::Password);
    old_->setObjectName("OldPasswordEdit");
    new_ = new QLineEdit(this);
    new_->setEchoMode(QLineEdit::Password);
    new_->setObjectName("NewPasswordEdit");
    grid->addWidget(typeCaption_, 0, 0);
    grid->addWidget(type_, 0, 1);
    grid->addWidget(oldCaption_, 1, 0);
    grid->addWidget(old_, 1, 1);
    grid->addWidget(noPassword_, 1, 1);
    grid->addWidget(newCaption_, 2, 0);
    grid->addWidget(new_, 2, 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(OkCancel(this));
    setMinimumWidth(340);
}

void TChangePasswordForm::Prepare(const std::string& description, const std::string& password) {
    setWindowTitle(L(texts_, Text::ChangePasswordCaption));
    typeCaption_->setText(L(texts_, Text::RxTypeLabel));
    oldCaption_->setText(L(texts_, Text::OldPasswordLabel));
    newCaption_->setText(L(texts_, Text::NewPasswordLabel));
    noPassword_->setText(L(texts_, Text::NoPassword));
    type_->setText(Q(description));
    password_ = password;
    change_ = {};
    old_->clear();
    new_->clear();
    const bool has = !password.empty();
    old_->setVisible(has);
    noPassword_->setVisible(!has);
    (has ? old_ : new_)->setFocus();
}

void TChangePasswordForm::accept() {
    TPasswordChange change;
    if (!old_->isHidden()) {
        auto t = TypedPassword(old_, ui_);
        if (!t) return;
        change.oldPassword = *t;
    }
    auto typed = TypedPassword(new_, ui_);
    if (!typed) return;
    change.newPassword = *typed;
    const std::optional<Text> check = TSession::CheckPasswordChange(change, password_);
    // The same password: nothing to change, the window stays open.
    if (check == Text::None) return;
    if (check) {
        ui_.Error(TMessage::Lang(texts_, *check));
        QLineEdit* field = *check == Text::WrongPassword && !old_->isHidden() ? old_ : new_;
        field->setFocus();
        field->selectAll();
        return;
    }
    change_ = change;
    QDialog::accept();
}

// ---- TCommForm -----------------------------------------------------------------------

TCommForm::TCommForm(const TTextTable& texts, TQtUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("CommForm");
    setWindowTitle("CommForm");
    // No close box: only the end of the job closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    label_ = new QLabel("Communication", this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("CancelButton");
    auto* v = new QVBoxLayout(this);
    v->addWidget(label_);
    v->addWidget(bar_);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(cancel_);
    h->addStretch();
    v->addLayout(h);
    setMinimumWidth(360);
    connect(cancel_, &QPushButton::clicked, this, &TCommForm::reject);
    connect(&ui_, &TQtUserInterface::progressChanged, this, &TCommForm::SetPosition);
}

void TCommForm::Prepare(const QString& label) {
    setWindowTitle(LPlain(texts_, Text::CommunicationMenu));
    label_->setText(label);
    bar_->setValue(0);
    cancel_->setEnabled(true);
}

void TCommForm::reject() {
    ui_.RequestCancel();
    emit cancelRequested();
}

void TCommForm::Finish() {
    hide();
    bar_->setValue(0);
    cancel_->setEnabled(true);
}

void TCommForm::closeEvent(QCloseEvent* e) {
    // The window closes by done() at the end of the job, never by the user.
    e->ignore();
}

}  // namespace ravlin
