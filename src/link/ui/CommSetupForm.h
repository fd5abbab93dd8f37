#pragma once
// Communication setup: serial port and speed, or address and port of a TCP
// serial-device server. The port list shows each port's device, what is behind it (a USB
// adapter's maker, model and serial) and whether another program holds it.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardItemModel>
#include <vector>

#include "base/UserInterface.h"
#include "link/ConnectionSettings.h"
#include "link/PortList.h"

namespace ravlin {

class TCommSetupForm : public QDialog {
    Q_OBJECT
  public:
    TCommSetupForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    ~TCommSetupForm() override;
    // Fills the window from `s` and the ports of this machine.
    void Prepare(const TConnectionSettings& s, const std::vector<TSerialPortInfo>& ports);
    // The confirmed settings (valid after accept()). DumpRead is always off.
    const TConnectionSettings& Result() const { return result_; }
    void accept() override;
    // The language's texts (when shown and after a language change).
    void ApplyTexts();

    QRadioButton* comRadio() const { return com_; }
    QRadioButton* tcpRadio() const { return tcp_; }
    QComboBox* portCombo() const { return port_; }
    QComboBox* speedCombo() const { return speed_; }
    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* ipPortEdit() const { return ipPort_; }
    QCheckBox* dumpReadBox() const { return dumpRead_; }
    // The device line under the port list: path, description, holder.
    QLabel* deviceLabel() const { return device_; }

  private:
    void ShowType();
    void ShowDevice();
    const TTextTable& texts_;
    TUserInterface& ui_;
    TConnectionSettings result_;
    std::vector<TSerialPortInfo> ports_;
    QStandardItemModel* portModel_;
    QGroupBox* group_;
    QRadioButton *com_, *tcp_;
    QLabel *portLabel_, *speedLabel_, *bits_, *addressLabel_, *ipPortLabel_, *device_;
    QComboBox *port_, *speed_;
    QLineEdit *address_, *ipPort_;
    QCheckBox* dumpRead_;
};

// The text of a held port's mark: "in use by minicom (process 812)".
QString HeldText(const TTextTable& texts, const TSerialPortInfo& port);

}  // namespace ravlin
