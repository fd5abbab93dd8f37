#pragma once
// The welcome window, shown at start (not modal): New file, Open file, Open the last
// file, Login, Connection settings, and a hidden button that logs in and starts
// monitoring; below them, what to try once connected (on-line mode, monitor mode, the
// history). Its buttons only signal; the controller runs the commands.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QToolButton>

#include "base/UserInterface.h"

namespace ravlin {

class TWelcomeForm : public QDialog {
    Q_OBJECT
  public:
    explicit TWelcomeForm(const TTextTable& texts, QWidget* parent = nullptr);

    // `lastFile`: the settings' LastFile (only its name is shown; "-" and the button
    // disabled when empty); `connection`: the link's connection text.
    void Prepare(const QString& lastFile, const QString& connection);
    void SetConnection(const QString& connection);
    void ApplyTexts();
    bool DontShowAgain() const { return showBox_->isChecked(); }

    QToolButton* newButton() const { return new_; }
    QToolButton* openButton() const { return open_; }
    QToolButton* openLastButton() const { return openLast_; }
    QToolButton* loginButton() const { return login_; }
    QToolButton* setupButton() const { return setup_; }
    QToolButton* loginMonitorButton() const { return loginMonitor_; }
    QLabel* recentLabel() const { return recent_; }
    QLabel* connectionLabel() const { return connection_; }
    QLabel* hintsLabel() const { return hints_; }
    QCheckBox* showBox() const { return showBox_; }

  signals:
    void newClicked();
    void openClicked();
    void openLastClicked();
    void loginClicked();
    void setupClicked();
    void loginMonitorClicked();
    // The window closed (Escape, its close box or a command); "Don't show next time" is
    // read then.
    void closed();

  protected:
    void done(int r) override;

  private:
    const TTextTable& texts_;
    QLabel* heading_;
    QToolButton *new_, *open_, *openLast_, *login_, *setup_, *loginMonitor_;
    QLabel *newLabel_, *openLabel_, *openLastLabel_, *loginLabel_, *setupLabel_,
        *loginMonitorLabel_;
    QLabel *recent_, *connection_;
    QLabel* hints_;  // one line per hint; hidden when the language file has none
    QCheckBox* showBox_;
};

}  // namespace ravlin
