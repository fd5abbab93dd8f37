#include "link/ui/CommSetupForm.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/ui/Text.h"
#include "link/CommSetup.h"

namespace ravlin {

QString HeldText(const TTextTable& texts, const TSerialPortInfo& port) {
    QString who = LOr(texts, Text::InUseBy, "in use by");
    if (!port.holderName.empty()) who += " " + QPath(port.holderName);
    if (port.holderPid > 0) who += QStringLiteral(" (%1)").arg(port.holderPid);
    return who;
}

TCommSetupForm::TCommSetupForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent)
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
    // The list shows number, device, description and holder; the field the number alone,
    // which is what the settings file keeps.
    portModel_ = new QStandardItemModel(0, 4, this);
    port_ = new QComboBox(this);
    port_->setObjectName("ComboPortNum");
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setModel(portModel_);
    auto* view = new QTreeView(port_);
    view->setRootIsDecorated(false);
    view->setHeaderHidden(true);
    view->setAllColumnsShowFocus(true);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->header()->setStretchLastSection(true);
    port_->setView(view);
    device_ = new QLabel(this);
    device_->setObjectName("DeviceLabel");
    device_->setWordWrap(true);
    device_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    speed_ = new QComboBox(this);
    speed_->setObjectName("ComboPortSpeed");
    speed_->setEditable(true);
    speed_->setInsertPolicy(QComboBox::NoInsert);
    for (int s : kComSpeeds) speed_->addItem(QString::number(s));
    addressLabel_ = new QLabel("IP address", this);
    ipPortLabel_ = new QLabel("IP port", this);
    address_ = new QLineEdit(this);
    address_->setObjectName("IPAddressEdit");
    ipPort_ = new QLineEdit(this);
    ipPort_->setObjectName("IPPortEdit");
    // Exchange without handshake: set in the settings file only; OK always clears it.
    dumpRead_ = new QCheckBox("Dump read", this);
    dumpRead_->setObjectName("DumpReadBox");
    dumpRead_->hide();
    auto* grid = new QGridLayout;
    grid->addWidget(portLabel_, 0, 0);
    grid->addWidget(port_, 0, 1);
    grid->addWidget(device_, 1, 1, 1, 2);
    grid->addWidget(speedLabel_, 2, 0);
    grid->addWidget(speed_, 2, 1);
    grid->addWidget(bits_, 2, 2);
    grid->addWidget(addressLabel_, 3, 0);
    grid->addWidget(address_, 3, 1);
    grid->addWidget(ipPortLabel_, 4, 0);
    grid->addWidget(ipPort_, 4, 1);
    grid->setColumnStretch(1, 1);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addWidget(group_);
    v->addLayout(grid);
    v->addStretch();
    v->addWidget(box);
    connect(com_, &QRadioButton::toggled, this, [this] { ShowType(); });
    connect(port_, &QComboBox::currentTextChanged, this, [this] { ShowDevice(); });
    setMinimumWidth(420);
}

TCommSetupForm::~TCommSetupForm() {
    // The fields' signals must not reach a half-destroyed window.
    disconnect(port_, nullptr, this, nullptr);
    disconnect(com_, nullptr, this, nullptr);
}

void TCommSetupForm::ApplyTexts() {
    setWindowTitle(L(texts_, Text::CommSetupCaption));
    portLabel_->setText(L(texts_, Text::PortLabel));
    speedLabel_->setText(L(texts_, Text::SpeedLabel));
    dumpRead_->setText(L(texts_, Text::DumpRead));
    group_->setTitle(L(texts_, Text::ConnectOver));
    addressLabel_->setText(L(texts_, Text::IpAddressLabel));
    ipPortLabel_->setText(L(texts_, Text::IpPortLabel));
    ShowDevice();
}

void TCommSetupForm::Prepare(const TConnectionSettings& s,
                             const std::vector<TSerialPortInfo>& ports) {
    result_ = s;
    ports_ = ports;
    portModel_->removeRows(0, portModel_->rowCount());
    for (const TSerialPortInfo& p : ports_) {
        QList<QStandardItem*> row;
        row << new QStandardItem(QStringLiteral("COM %1").arg(p.number))
            << new QStandardItem(QPath(p.path)) << new QStandardItem(QPath(p.description))
            << new QStandardItem(p.held ? HeldText(texts_, p) : QString());
        for (QStandardItem* item : row) {
            item->setToolTip(p.byId.empty() ? QPath(p.path) : QPath(p.byId));
            if (p.held) {
                // Still selectable: the holder may be gone when the connection opens.
                QFont f = item->font();
                f.setItalic(true);
                item->setFont(f);
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            }
        }
        portModel_->appendRow(row);
    }
    // A stored port or speed the lists lack is shown as typed, so that OK keeps it.
    const QString port = QStringLiteral("COM %1").arg(s.ComNumber);
    port_->setCurrentIndex(port_->findText(port));
    if (port_->currentIndex() < 0) port_->setEditText(port);
    const QString speed = QString::number(s.ComSpeed);
    speed_->setCurrentIndex(speed_->findText(speed));
    if (speed_->currentIndex() < 0) speed_->setEditText(speed);
    dumpRead_->setChecked(false);
    address_->setText(Q(s.IPAddress));
    ipPort_->setText(Q(s.IPPort));
    (s.ConnectionType == TConnectionSettings::Tcp ? tcp_ : com_)->setChecked(true);
    ApplyTexts();
    ShowType();
}

void TCommSetupForm::ShowDevice() {
    const int number = ParseComPort(ToCoreLossy(port_->currentText()));
    QString text;
    for (const TSerialPortInfo& p : ports_) {
        if (p.number != number) continue;
        text = LOr(texts_, Text::DeviceLabel, "Device") + ": " + QPath(p.path);
        if (!p.description.empty()) text += " \u2013 " + QPath(p.description);
        if (p.held) text += " \u2013 " + HeldText(texts_, p);
    }
    device_->setText(text);
    device_->setVisible(com_->isChecked() && !text.isEmpty());
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
    ShowDevice();
}

void TCommSetupForm::accept() {
    // The address and port are typed texts of the code page; the checks see them as such.
    auto address = TypedText(address_->text(), QStringLiteral("The address"), ui_, address_);
    if (!address) return;
    auto ipPort = TypedText(ipPort_->text(), QStringLiteral("The port"), ui_, ipPort_);
    if (!ipPort) return;
    TCommSetupEntry entry;
    entry.connectionType = tcp_->isChecked() ? TConnectionSettings::Tcp : TConnectionSettings::Com;
    entry.portText = ToCoreLossy(port_->currentText());
    entry.speedText = ToCoreLossy(speed_->currentText());
    entry.address = *address;
    entry.ipPort = *ipPort;
    TConnectionSettings out = result_;
    const TCommCheck check = CheckCommSetup(entry, out);
    if (!check.Ok()) {
        ui_.Error(TMessage::Lang(texts_, check.textId));
        QWidget* field = check.field == TCommField::Port      ? static_cast<QWidget*>(port_)
                         : check.field == TCommField::Speed   ? static_cast<QWidget*>(speed_)
                         : check.field == TCommField::Address ? static_cast<QWidget*>(address_)
                                                              : static_cast<QWidget*>(ipPort_);
        // A field of the other connection type is hidden: the message alone tells.
        if (field->isVisible()) {
            field->setFocus();
            if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
            if (auto* c = qobject_cast<QComboBox*>(field); c && c->lineEdit())
                c->lineEdit()->selectAll();
        }
        return;
    }
    result_ = out;
    QDialog::accept();
}

}  // namespace ravlin
