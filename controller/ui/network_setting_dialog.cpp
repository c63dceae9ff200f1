#include "controller/ui/network_setting_dialog.h"

#include "controller/link/network_transports.h"
#include "widgets/data_exchange.h"
#include "widgets/ip_address_edit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>
#include <optional>

namespace controller {

namespace {

// Caption of the framework's validation prompts.
const std::string kProgramName = "Brisvane";

widgets::IpAddressEdit* addressEdit(const QString& objectName, const QString& caption) {
    auto* edit = new widgets::IpAddressEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(caption);
    return edit;
}

QLineEdit* portEdit(const QString& objectName, const QString& description) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(QStringLiteral("Port："));
    edit->setAccessibleDescription(description);
    edit->setMaximumWidth(90);
    return edit;
}

QLabel* labelFor(const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    return label;
}

void showAddress(widgets::IpAddressEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
}

} // namespace

NetworkSettingDialog::NetworkSettingDialog(DeviceSetupHost& host, QWidget* parent)
    : QDialog(parent), m_host(host) {
    buildControls();
    loadValues();
}

void NetworkSettingDialog::buildControls() {
    setWindowTitle(QStringLiteral("Network Setting"));
    setAccessibleName(QStringLiteral("Network Setting"));

    m_hostIp = addressEdit(QStringLiteral("hostIpEdit"), QStringLiteral("Host IP:"));
    m_hostPort = portEdit(QStringLiteral("hostPortEdit"), QStringLiteral("Local UDP port"));
    m_gatewayIp = addressEdit(QStringLiteral("gatewayIpEdit"), QStringLiteral("Gateway IP："));
    m_localIp = addressEdit(QStringLiteral("localIpEdit"), QStringLiteral("Local IP："));
    m_destPort = portEdit(QStringLiteral("destPortEdit"), QStringLiteral("Terminal's UDP port"));
    m_maskIp = addressEdit(QStringLiteral("maskIpEdit"), QStringLiteral("Mask："));
    m_transport = new QComboBox;
    m_transport->setObjectName(QStringLiteral("transportCombo"));
    m_transport->setAccessibleName(QStringLiteral("Transport"));
    m_transport->setAccessibleDescription(QStringLiteral(
        "How the terminal is reached: UDP, or TCP for a terminal in TCP Server mode"));
    for (const NetworkTransport& transport : networkTransports())
        m_transport->addItem(QString::fromUtf8(transport.name.data(),
                                               static_cast<qsizetype>(transport.name.size())));

    m_about = new QPushButton(QStringLiteral("About"));
    m_about->setObjectName(QStringLiteral("aboutButton"));
    m_about->setAccessibleName(QStringLiteral("About"));
    m_about->setEnabled(false);

    m_set = new QPushButton(QStringLiteral("Set"));
    m_set->setObjectName(QStringLiteral("setButton"));
    m_set->setAccessibleName(QStringLiteral("Set"));
    m_set->setDefault(true);

    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(labelFor(QStringLiteral("Host IP:"), m_hostIp), 0, 0);
    grid->addWidget(m_hostIp, 0, 1);
    grid->addWidget(labelFor(QStringLiteral("Port："), m_hostPort), 0, 2);
    grid->addWidget(m_hostPort, 0, 3);
    grid->addWidget(labelFor(QStringLiteral("Gateway IP："), m_gatewayIp), 1, 0);
    grid->addWidget(m_gatewayIp, 1, 1);
    grid->addWidget(labelFor(QStringLiteral("Local IP："), m_localIp), 2, 0);
    grid->addWidget(m_localIp, 2, 1);
    grid->addWidget(labelFor(QStringLiteral("Port："), m_destPort), 2, 2);
    grid->addWidget(m_destPort, 2, 3);
    grid->addWidget(labelFor(QStringLiteral("Mask："), m_maskIp), 3, 0);
    grid->addWidget(m_maskIp, 3, 1);
    grid->addWidget(m_about, 3, 2, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Transport："), m_transport), 4, 0);
    grid->addWidget(m_transport, 4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_set);
    buttons->addWidget(m_cancel);

    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addLayout(buttons);

    connect(m_set, &QPushButton::clicked, this, &NetworkSettingDialog::applyAndClose);
    // Leaving applies nothing, so it checks nothing either: a port the file holds out of range
    // must not keep the operator from closing the dialog.
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Only a transport that listens on this computer uses the local port.
    connect(m_transport, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_hostPort->setEnabled(index < 0 ||
                               networkTransports()[static_cast<std::size_t>(index)].bindsLocalPort);
    });
}

void NetworkSettingDialog::loadValues() {
    const ControllerSettings& settings = m_host.settings();
    showAddress(m_hostIp, settings.netIp);
    showAddress(m_gatewayIp, settings.gateIp);
    showAddress(m_localIp, settings.destIp);
    showAddress(m_maskIp, settings.maskIp);
    // Shown as the unsigned numbers they are, even a port above 65535 from a hand-edited file:
    // the link keeps using its low 16 bits until the operator enters a valid one here.
    m_hostPort->setText(QString::number(static_cast<std::uint32_t>(settings.hostPort)));
    m_destPort->setText(QString::number(static_cast<std::uint32_t>(settings.destPort)));
    m_transport->setCurrentText(QString::fromUtf8(findTransport(settings.transport).name.data()));
}

std::optional<NetworkSettingDialog::Ports> NetworkSettingDialog::readPorts() {
    const auto hostPort =
        widgets::exchangeUnsignedInRange(m_hostPort, m_host.prompts(), kProgramName, 0, kMaxPort);
    if (!hostPort)
        return std::nullopt;
    const auto destPort =
        widgets::exchangeUnsignedInRange(m_destPort, m_host.prompts(), kProgramName, 0, kMaxPort);
    if (!destPort)
        return std::nullopt;
    return Ports{*hostPort, *destPort};
}

void NetworkSettingDialog::applyAndClose() {
    const auto ports = readPorts();
    if (!ports)
        return;

    NetworkSettings net;
    net.netIp = m_hostIp->text().toStdString();
    net.gateIp = m_gatewayIp->text().toStdString();
    net.destIp = m_localIp->text().toStdString();
    net.maskIp = m_maskIp->text().toStdString();
    net.hostPort = static_cast<std::int32_t>(ports->host);
    net.destPort = static_cast<std::int32_t>(ports->dest);
    net.transport = m_transport->currentText().toStdString();
    m_host.setNetworkSettings(net);
    accept();
}

} // namespace controller
