#include "terminal_setup/ui/net_set_page.h"

#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/ui/setup_page_controls.h"
#include "widgets/data_exchange.h"
#include "widgets/ip_address_edit.h"
#include "widgets/unsigned_field.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <optional>

namespace terminal_setup {

namespace {

const std::string kProgramName = "Quellin";
constexpr std::array<const char*, 4> kDisconnectCaptions = {"5Minutes", "10Minutes", "30Minutes",
                                                            "Never"};

// The list position of a disconnect time given in minutes.
int disconnectPosition(int minutes) {
    switch (minutes) {
    case 5:
        return 0;
    case 10:
        return 1;
    case 30:
        return 2;
    case 0:
        return 3;
    default:
        return kNoSelection;
    }
}

} // namespace

NetSetPage::NetSetPage(const NetSetValues& start, platform::PromptSink& prompts, QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_values(start) {
    setObjectName(QStringLiteral("netSetPage"));
    setAccessibleName(QStringLiteral("Net Set"));

    m_workMode = pageDropDown(QStringLiteral("workModeCombo"), QStringLiteral("Work mode"),
                              kWorkModeCaptions);
    m_disconnect = pageDropDown(QStringLiteral("disconnectCombo"),
                                QStringLiteral("Connection: Disconnect"), kDisconnectCaptions);
    m_specifyIp = new QRadioButton(QString::fromUtf8(kSpecifyIpCaption));
    m_specifyIp->setObjectName(QStringLiteral("specifyIpRadio"));
    m_specifyIp->setAccessibleName(QString::fromUtf8(kSpecifyIpCaption));
    m_useDhcp = new QRadioButton(QString::fromUtf8(kUseDhcpCaption));
    m_useDhcp->setObjectName(QStringLiteral("useDhcpRadio"));
    m_useDhcp->setAccessibleName(QString::fromUtf8(kUseDhcpCaption));
    m_ipAddress = pageAddressEdit(QStringLiteral("ipAddressEdit"), QStringLiteral("IP :"));
    m_mask = pageAddressEdit(QStringLiteral("maskEdit"), QStringLiteral("Mask:"));
    m_port = pageEdit(QStringLiteral("portEdit"), QString::fromUtf8("Port："));
    m_port->setMaximumWidth(m_ipAddress->sizeHint().width());

    QGroupBox* netGroup = pageGroup(QStringLiteral("Net setting"), QStringLiteral("netGroup"));
    auto* netLayout = new QGridLayout(netGroup);
    netLayout->addWidget(pageLabel(QStringLiteral("Work mode"), m_workMode), 0, 0);
    netLayout->addWidget(m_workMode, 0, 1);
    netLayout->addWidget(pageLabel(QStringLiteral("Connection:"), m_disconnect), 1, 0);
    netLayout->addWidget(m_disconnect, 1, 1);
    netLayout->addWidget(new QLabel(QStringLiteral("Disconnect")), 1, 2);
    netLayout->setColumnStretch(3, 1);

    QGroupBox* tcpGroup = pageGroup(QStringLiteral("TCP/IP"), QStringLiteral("tcpIpGroup"));
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_specifyIp);
    radios->addWidget(m_useDhcp);
    radios->addStretch(1);
    auto* tcpLayout = new QGridLayout(tcpGroup);
    tcpLayout->addLayout(radios, 0, 0, 1, 3);
    tcpLayout->addWidget(pageLabel(QStringLiteral("IP :"), m_ipAddress), 1, 0);
    tcpLayout->addWidget(m_ipAddress, 1, 1);
    tcpLayout->addWidget(pageLabel(QStringLiteral("Mask:"), m_mask), 2, 0);
    tcpLayout->addWidget(m_mask, 2, 1);
    tcpLayout->addWidget(pageLabel(QString::fromUtf8("Port："), m_port), 3, 0);
    tcpLayout->addWidget(m_port, 3, 1);
    tcpLayout->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(netGroup);
    page->addWidget(tcpGroup);
    page->addStretch(1);

    m_ipAddress->setText(QString::fromStdString(m_values.ipAddress.text));
    m_mask->setText(QString::fromStdString(m_values.subnetMask.text));
    selectPosition(m_workMode, m_values.workMode);
    selectPosition(m_disconnect, disconnectPosition(m_values.disconnectTime));
    (m_values.dhcpFlag == 0 ? m_specifyIp : m_useDhcp)->setChecked(true);
    m_port->setText(QString::number(m_values.port));

    connect(m_ipAddress, &widgets::IpAddressEdit::fieldChanged, this, &NetSetPage::onIpChanged);
    connect(m_mask, &widgets::IpAddressEdit::fieldChanged, this, &NetSetPage::onMaskChanged);
    connect(m_workMode, &QComboBox::activated, this, &NetSetPage::onWorkModeChosen);
    connect(m_specifyIp, &QRadioButton::clicked, this, &NetSetPage::onSpecifyIpClicked);
}

bool NetSetPage::collect() {
    const bool portAccepted = readPort();
    m_values.ipAddress = readAddress(m_ipAddress);
    m_values.subnetMask = readAddress(m_mask);
    m_values.workMode = m_workMode->currentIndex();
    m_values.disconnectTime = m_disconnect->currentIndex();
    m_values.dhcpFlag = m_specifyIp->isChecked() ? 0 : 1;
    return portAccepted;
}

// A port the terminal cannot use is refused rather than cut to its low 16 bits, which would
// send a port nobody typed.
bool NetSetPage::readPort() {
    const std::optional<unsigned> port = widgets::parseUnsignedField(m_port->text().toStdString());
    if (port && widgets::isInRange(*port, 0, kMaxPort)) {
        m_values.port = *port;
        return true;
    }
    emit refused();
    widgets::rejectField(m_port, m_prompts, kProgramName,
                         port ? widgets::outOfRangePrompt(0, kMaxPort)
                              : widgets::notUnsignedPrompt());
    return false;
}

void NetSetPage::onIpChanged() {
    m_values.ipAddress = readAddress(m_ipAddress);
}

void NetSetPage::onMaskChanged() {
    m_values.subnetMask = readAddress(m_mask);
}

void NetSetPage::onWorkModeChosen(int position) {
    m_values.workMode = position;
}

void NetSetPage::onSpecifyIpClicked() {
    m_values.dhcpFlag = 0;
}

} // namespace terminal_setup
