#pragma once
// Communication setup: serial port and speed, or address and port of a TCP
// serial-device server.

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>

#include "base/UserInterface.h"
#include "link/ConnectionSettings.h"

namespace ravlin {

class TCommSetupForm : public QDialog {
    Q_OBJECT
  public:
    TCommSetupForm(const PopisType& texts, TUserInterface& ui, QWidget* parent = nullptr);
    // Fills the window from `s`; `ports` are the port list entries ("COM 1", ...).
    void Prepare(const TConnectionSettings& s, const QStringList& ports);
    // The confirmed settings (valid after accept()). DumpRead is always off.
    const TConnectionSettings& Result() const { return result_; }
    void accept() override;

    QRadioButton* comRadio() const { return com_; }
    QRadioButton* tcpRadio() const { return tcp_; }
    QComboBox* portCombo() const { return port_; }
    QComboBox* speedCombo() const { return speed_; }
    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* ipPortEdit() const { return ipPort_; }

  private:
    void ShowType();
    const PopisType& texts_;
    TUserInterface& ui_;
    TConnectionSettings result_;
    QGroupBox* group_;
    QRadioButton *com_, *tcp_;
    QLabel *portLabel_, *speedLabel_, *bits_, *addressLabel_, *ipPortLabel_;
    QComboBox *port_, *speed_;
    QLineEdit *address_, *ipPort_;
};

// "COM n" entries of the serial ports this machine has (n as the link maps it).
QStringList ExistingComPorts();

}  // namespace ravlin
