#pragma once
// Small windows of the receiver commands: login, password change and the progress window
// of downloads and uploads.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <string>

#include "base/UserInterface.h"
#include "receiver/Session.h"

namespace ravlin {

class TQtUserInterface;

// Asks for the receiver's password and compares it with the one the receiver holds.
class TLoginForm : public QDialog {
    Q_OBJECT
  public:
    TLoginForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    // Prepares the window for one login: texts, receiver type, the password to match.
    void Prepare(const std::string& description, const std::string& password);
    QLineEdit* passwordEdit() const { return edit_; }
    // The accepted password (code page bytes).
    const std::string& Typed() const { return typed_; }
    void accept() override;

  private:
    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string password_, typed_;
    QLabel* typeCaption_;
    QLabel* passwordCaption_;
    QLabel* type_;
    QLineEdit* edit_;
};

class TChangePasswordForm : public QDialog {
    Q_OBJECT
  public:
    TChangePasswordForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    void Prepare(const std::string& description, const std::string& password);
    // The confirmed old and new password (code page bytes).
    const TPasswordChange& Change() const { return change_; }
    QLineEdit* oldEdit() const { return old_; }
    QLineEdit* newEdit() const { return new_; }
    void accept() override;

  private:
    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string password_;
    TPasswordChange change_;
    QLabel *typeCaption_, *oldCaption_, *newCaption_, *noPassword_, *type_;
    QLineEdit *old_, *new_;
};

// Progress of a download or upload with Cancel; closed only by the end of the job.
class TCommForm : public QDialog {
    Q_OBJECT
  public:
    TCommForm(const TTextTable& texts, TQtUserInterface& ui, QWidget* parent = nullptr);
    // Clears the cancel request, sets caption and label, bar to 0.
    void Prepare(const QString& label);
    int Position() const { return bar_->value(); }
    QPushButton* cancelButton() const { return cancel_; }
    void SetPosition(int percent) { bar_->setValue(percent); }
    void SetLabel(const QString& label) { label_->setText(label); }
    QString Label() const { return label_->text(); }
    void reject() override;  // Escape behaves like Cancel: the window stays open
    // The end of the job closes the window: bar to 0, Cancel enabled.
    void Finish();

  signals:
    // Cancel (or Escape), besides the cancel request of the user interface.
    void cancelRequested();

  private:
    void closeEvent(QCloseEvent* e) override;
    const TTextTable& texts_;
    TQtUserInterface& ui_;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

}  // namespace ravlin
