#include "receiver/ui/ReceiverForms.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QVBoxLayout>

#include "app/ui/QtUserInterface.h"
#include "app/ui/Text.h"

namespace ravlin {

namespace {

constexpr size_t kMaxPassword = 16;

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
    auto bytes = ToCore(edit->text());
    if (!bytes) {
        ui.Error(TMessage::Fixed(ToCoreLossy(
            QStringLiteral("The password contains characters that cannot be stored: %1")
                .arg(Unrepresentable(edit->text())))));
        edit->setFocus();
    }
    return bytes;
}

}  // namespace

// ---- TLoginForm -------------------------------------------------------------------

TLoginForm::TLoginForm(const PopisType& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("LoginForm");
    setWindowTitle("Login");
    auto* grid = new QGridLayout;
    typeCaption_ = new QLabel("Rx type :", this);
    passCaption_ = new QLabel("Password :", this);
    type_ = BoldLabel(this);
    edit_ = new QLineEdit(this);
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setObjectName("PasswordEdit");
    grid->addWidget(typeCaption_, 0, 0);
    grid->addWidget(type_, 0, 1);
    grid->addWidget(passCaption_, 1, 0);
    grid->addWidget(edit_, 1, 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(OkCancel(this));
    setMinimumWidth(320);
}

void TLoginForm::Prepare(const std::string& description, const std::string& password) {
    setWindowTitle(L(texts_, 60));
    typeCaption_->setText(L(texts_, 61));
    passCaption_->setText(L(texts_, 62));
    type_->setText(Q(description));
    password_ = password;
    edit_->clear();
    edit_->setFocus();
}

void TLoginForm::accept() {
    auto typed = TypedPassword(edit_, ui_);
    if (!typed) return;
    if (typed->size() > kMaxPassword) {
        ui_.Error(TMessage::Lang(texts_, 133));
        edit_->setFocus();
        return;
    }
    if (*typed != password_) {
        ui_.Error(TMessage::Lang(texts_, 134));
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    QDialog::accept();
}

// ---- TChangePassForm ----------------------------------------------------------------

TChangePassForm::TChangePassForm(const PopisType& texts, TUserInterface& ui, QWidget* parent)
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

void TChangePassForm::Prepare(const std::string& description, const std::string& password) {
    setWindowTitle(L(texts_, 65));
    typeCaption_->setText(L(texts_, 61));
    oldCaption_->setText(L(texts_, 66));
    newCaption_->setText(L(texts_, 67));
    noPassword_->setText(L(texts_, 68));
    type_->setText(Q(description));
    password_ = password;
    newPassword_.clear();
    old_->clear();
    new_->clear();
    const bool has = !password.empty();
    old_->setVisible(has);
    noPassword_->setVisible(!has);
    (has ? old_ : new_)->setFocus();
}

void TChangePassForm::accept() {
    std::string oldTyped;
    if (!old_->isHidden()) {
        auto t = TypedPassword(old_, ui_);
        if (!t) return;
        oldTyped = *t;
    }
    if (oldTyped != password_) {
        ui_.Error(TMessage::Lang(texts_, 134));
        if (!old_->isHidden()) old_->setFocus();
        return;
    }
    auto typed = TypedPassword(new_, ui_);
    if (!typed) return;
    if (typed->size() > kMaxPassword) {
        ui_.Error(TMessage::Lang(texts_, 133));
        new_->setFocus();
        return;
    }
    if (*typed == password_) return;  // nothing to change: the window stays open
    newPassword_ = *typed;
    QDialog::accept();
}

// ---- TInfoForm -----------------------------------------------------------------------

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

// ---- TCommForm -----------------------------------------------------------------------

TCommForm::TCommForm(const PopisType& texts, TQtUserInterface& ui, QWidget* parent)
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
    connect(cancel_, &QPushButton::clicked, this, [this] { ui_.RequestCancel(); });
    connect(&ui_, &TQtUserInterface::progressChanged, this, &TCommForm::SetPosition);
}

void TCommForm::Prepare(const QString& label) {
    ui_.ClearCancel();
    ui_.Progress(0, 100);
    setWindowTitle(L(texts_, 2));
    label_->setText(label);
    bar_->setValue(0);
    cancel_->setEnabled(true);
}

void TCommForm::reject() { ui_.RequestCancel(); }

void TCommForm::closeEvent(QCloseEvent* e) {
    // The window closes by done() at the end of the job, never by the user.
    e->ignore();
}

}  // namespace ravlin
