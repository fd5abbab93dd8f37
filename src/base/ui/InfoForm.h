#pragma once
// A small window with one line of text ("Working ...") shown without blocking while a
// command runs; only the end of the command closes it.

#include <QDialog>
#include <QLabel>

namespace ravlin {

class TInfoForm : public QDialog {
    Q_OBJECT
  public:
    explicit TInfoForm(QWidget* parent = nullptr);
    void ShowText(const QString& text);
    QString Text() const { return label_->text(); }
    // Escape does not close it: only the end of the command does.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    QLabel* label_;
};

}  // namespace ravlin
