#pragma once
// The transmitter-adding window: stays on top while the user selects transmitters in the
// Memory view, the File view or the history; OK (or a double click there) adds them as
// events of the message and list chosen before (TMonitor::TargetMessage, AddToActive).

#include <QDialog>
#include <QLabel>
#include <QRect>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

#include "base/UserInterface.h"
#include "monitoring/Monitor.h"

namespace ravlin {

// Where the window finds the transmitters; asked on the window thread when OK runs.
class TTransmitterSelection {
  public:
    using TTransmitters = std::vector<std::pair<std::string, std::string>>;  // serial, button

    virtual ~TTransmitterSelection() = default;
    // The selected rows of the page shown: the transmitter code and button of each, from
    // the first row; empty on a page without transmitters.
    virtual TTransmitters SelectedTransmitters() const = 0;
};

class TMonitorAddForm : public QDialog {
    Q_OBJECT
  public:
    TMonitorAddForm(const TTextTable& texts, TMonitor& monitor,
                    const TTransmitterSelection& selection, QWidget* parent = nullptr);

    // Shows the window 30 pixels inside the main window's top right corner.
    void ShowBeside(const QRect& mainWindow);
    // OK: adds the selected transmitters, then closes.
    void Confirm();

    QLabel* label() const { return label_; }

  signals:
    // Shown: the on-line Add is disabled. Closed (however): the Monitoring page returns.
    void shown();
    void closed();

  protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

  private:
    const TTextTable& texts_;
    TMonitor& monitor_;
    const TTransmitterSelection& selection_;
    QLabel* label_;
    QTimer blink_;
};

}  // namespace ravlin
