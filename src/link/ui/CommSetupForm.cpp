#include "link/ui/CommSetupForm.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QVBoxLayout>

#include "base/ui/Text.h"
#include "link/Serial.h"

namespace ravlin {

TCommSetupForm::TCommSetupForm(const PopisType& texts, TUserInterface& ui, QWidget* parent)
    : QDialog(parent), texts_(texts), ui_(ui) {
    setObjectName("CommSetupForm");
    setWindowTitle("Communication Setup");
    group_ = new QGroupBox("Connect over", this);
    com_ = new QRadioButton("COM port", group_);
    tcp_ = new QRadioButton("TCP/IP", group_);
    auto* gl = new QHBoxLayout(group_);
    gl->addWidget(com_);
    gl->addWidget(tcp_);
    portLabel_ = new QLabel("Port", this);
    speedLabel_ = new QLabel("Speed", this);
    bits_ = new QLabel("bit/s", this);
    port_ = new QComboBox(this);
    port_->setEditable(true);
    speed_ = new QComboBox(this);
    speed_->setEditable(true);
    for (const char* s : {"2400", "4800", "9600", "19200", "38400", "57600"}) speed_->addItem(s);
    addressLabel_ = new QLabel("IP address", this);
    ipPortLabel_ = new QLabel("IP port", this);
    address_ = new QLineEdit(this);
    ipPort_ = new QLineEdit(this);
    auto* grid = new QGridLayout;
    grid->addWidget(portLabel_, 0, 0);
    grid->addWidget(port_, 0, 1);
    grid->addWidget(speedLabel_, 1, 0);
    grid->addWidget(speed_, 1, 1);
    grid->addWidget(bits_, 1, 2);
    grid->addWidget(addressLabel_, 2, 0);
    grid->addWidget(address_, 2, 1);
    grid->addWidget(ipPortLabel_, 3, 0);
    grid->addWidget(ipPort_, 3, 1);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(group_);
    v->addLayout(grid);
    v->addStretch();
    v->addWidget(box);
    connect(com_, &QRadioButton::toggled, this, [this] { ShowType(); });
    setMinimumWidth(340);
}

void TCommSetupForm::Prepare(const TConnectionSettings& s, const QStringList& ports) {
    setWindowTitle(L(texts_, 40));
    portLabel_->setText(L(texts_, 41));
    speedLabel_->setText(L(texts_, 42));
    group_->setTitle(L(texts_, 147));
    addressLabel_->setText(L(texts_, 148));
    ipPortLabel_->setText(L(texts_, 149));
    result_ = s;
    port_->clear();
    port_->addItems(ports);
    port_->setCurrentIndex(port_->findText(QStringLiteral("COM %1").arg(s.ComNumber)));
    if (port_->currentIndex() < 0) port_->setEditText(QString());
    speed_->setCurrentIndex(speed_->findText(QString::number(s.ComSpeed)));
    if (speed_->currentIndex() < 0) speed_->setEditText(QString());
    address_->setText(Q(s.IPAddress));
    ipPort_->setText(Q(s.IPPort));
    (s.ConnectionType == TConnectionSettings::Tcp ? tcp_ : com_)->setChecked(true);
    ShowType();
}

void TCommSetupForm::ShowType() {
    const bool com = com_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(portLabel_), static_cast<QWidget*>(port_),
                       static_cast<QWidget*>(speedLabel_), static_cast<QWidget*>(speed_),
                       static_cast<QWidget*>(bits_)})
        w->setVisible(com);
    for (QWidget* w : {static_cast<QWidget*>(addressLabel_), static_cast<QWidget*>(address_),
                       static_cast<QWidget*>(ipPortLabel_), static_cast<QWidget*>(ipPort_)})
        w->setVisible(!com);
}

void TCommSetupForm::accept() {
    auto refuse = [&](int text, QWidget* field) {
        ui_.Error(TMessage::Lang(texts_, text));
        if (field->isVisible()) {
            field->setFocus();
            if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
            if (auto* c = qobject_cast<QComboBox*>(field); c && c->lineEdit())
                c->lineEdit()->selectAll();
        }
    };
    // Checks run for both connection types, in this order.
    const QString portText = port_->currentText().trimmed();
    bool ok = false;
    int portNumber = 0;
    if (portText.startsWith("COM", Qt::CaseInsensitive))
        portNumber = portText.mid(3).trimmed().toInt(&ok);
    if (!ok || portNumber < 1) return refuse(135, port_);
    const int speed = speed_->currentText().trimmed().toInt(&ok);
    if (!ok || speed <= 0) return refuse(136, speed_);
    const QString address = address_->text().trimmed();
    if (address.count('.') != 3) return refuse(101, address_);
    const QString ipPort = ipPort_->text().trimmed();
    if (ipPort.size() < 2) return refuse(102, ipPort_);
    auto coreAddress = TypedText(address, QStringLiteral("The address"), ui_, address_);
    if (!coreAddress) return;
    auto corePort = TypedText(ipPort, QStringLiteral("The port"), ui_, ipPort_);
    if (!corePort) return;
    result_.ConnectionType =
        tcp_->isChecked() ? TConnectionSettings::Tcp : TConnectionSettings::Com;
    result_.ComNumber = portNumber;
    result_.ComSpeed = speed;
    result_.IPAddress = *coreAddress;
    result_.IPPort = *corePort;
    result_.DumpRead = false;
    QDialog::accept();
}

QStringList ExistingComPorts() {
    // Port numbers the link maps to a device node that exists on this machine.
    QStringList out;
    for (int n = 1; n <= 32; ++n) {
        const std::string path = SerialDevicePath(n);
        if (!path.empty() && QFile::exists(QPath(path))) out << QStringLiteral("COM %1").arg(n);
    }
    return out;
}

}  // namespace ravlin
