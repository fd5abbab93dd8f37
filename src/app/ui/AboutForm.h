#pragma once
// The about window: product name, version of this build, the receivers the catalogue
// supports, the licence, and the maker's web and e-mail links where the build names them.

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "base/UserInterface.h"

namespace ravlin {

class TAboutForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutForm(const TTextTable& texts, QWidget* parent = nullptr);
    // `receivers`: the descriptions of the catalogue's receiver types, in file order.
    void Prepare(const QStringList& receivers);
    void ApplyTexts();

    QLabel* versionLabel() const { return version_; }
    QListWidget* receiverList() const { return receivers_; }
    QLabel* licenceLabel() const { return licence_; }
    QPlainTextEdit* licenceText() const { return licenceText_; }
    QLabel* webLink() const { return web_; }
    QLabel* mailLink() const { return mail_; }

  private:
    const TTextTable& texts_;
    QLabel *product_, *line1_, *version_, *supported_, *licence_, *web_, *mail_;
    QListWidget* receivers_;
    QPlainTextEdit* licenceText_;
    QPushButton* close_;
};

// "0.1.0.0" of the build (the project version): major, minor, release and build.
QString ProgramVersion();

}  // namespace ravlin
