#pragma once
// The on-line panel at the bottom of the main window: the last transmitter, its button
// and memory position, the low-battery label and the Add button. It shows a
// TOnlinePanel (online/Reception.h); the controller fills it. Window thread only.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "base/UserInterface.h"
#include "online/Reception.h"

namespace ravlin {

class TOnlinePanelWidgets : public QObject {
    Q_OBJECT
  public:
    // Builds the panel's controls into `panel` (the main window's on-line panel).
    explicit TOnlinePanelWidgets(QWidget* panel);
    void ApplyTexts(const TTextTable& texts);
    void Show(const TOnlinePanel& fields);

    QLineEdit* lastTx() const { return lastTx_; }
    QLineEdit* lastBtn() const { return lastBtn_; }
    QLineEdit* lastMem() const { return lastMem_; }
    QLabel* lowBattery() const { return lowBattery_; }
    QPushButton* addButton() const { return add_; }

  private:
    QLabel* lTx_;
    QLabel* lBtn_;
    QLabel* lMem_;
    QLineEdit* lastTx_;
    QLineEdit* lastBtn_;
    QLineEdit* lastMem_;
    QLabel* lowBattery_;
    QPushButton* add_;
};

}  // namespace ravlin
