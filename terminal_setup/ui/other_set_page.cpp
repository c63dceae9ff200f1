#include "terminal_setup/ui/other_set_page.h"

#include "terminal_setup/ui/setup_page_controls.h"
#include "widgets/data_exchange.h"
#include "widgets/ip_address_edit.h"
#include "widgets/unsigned_field.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace terminal_setup {

namespace {

const std::string kProgramName = "Quellin";

// One caption and one control in a group box of its own.
QGroupBox* groupWith(const QString& groupCaption, const QString& groupName, const QString& caption,
                     QWidget* control) {
    QGroupBox* group = pageGroup(groupCaption, groupName);
    auto* layout = new QGridLayout(group);
    layout->addWidget(pageLabel(caption, control), 0, 0);
    layout->addWidget(control, 0, 1);
    layout->setColumnStretch(2, 1);
    return group;
}

} // namespace

OtherSetPage::OtherSetPage(const OtherSetValues& start, platform::PromptSink& prompts,
                           QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_values(start) {
    setObjectName(QStringLiteral("otherSetPage"));
    setAccessibleName(QStringLiteral("Other Set"));

    m_multicast = pageAddressEdit(QStringLiteral("multicastEdit"), QStringLiteral("Multicast:"));
    m_gateway = pageAddressEdit(QStringLiteral("gatewayEdit"), QStringLiteral("Gateway:"));
    m_hostIp = pageAddressEdit(QStringLiteral("hostIpEdit"), QStringLiteral("Host IP:"));
    m_hostPort = pageEdit(QStringLiteral("hostPortEdit"), QStringLiteral("Host Port:"));
    m_hostPort->setAlignment(Qt::AlignRight);

    QGroupBox* hostGroup = pageGroup(QStringLiteral("Host Set"), QStringLiteral("hostGroup"));
    auto* hostLayout = new QGridLayout(hostGroup);
    hostLayout->addWidget(pageLabel(QStringLiteral("Host IP:"), m_hostIp), 0, 0);
    hostLayout->addWidget(m_hostIp, 0, 1);
    hostLayout->addWidget(pageLabel(QStringLiteral("Host Port:"), m_hostPort), 1, 0);
    hostLayout->addWidget(m_hostPort, 1, 1);
    hostLayout->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(groupWith(QStringLiteral("Multicast Set"), QStringLiteral("multicastGroup"),
                              QStringLiteral("Multicast:"), m_multicast));
    page->addWidget(groupWith(QStringLiteral("Gateway Set"), QStringLiteral("gatewayGroup"),
                              QStringLiteral("Gateway:"), m_gateway));
    page->addWidget(hostGroup);
    page->addStretch(1);

    m_multicast->setText(QString::fromStdString(m_values.multicastText));
    m_hostIp->setText(QString::fromStdString(m_values.hostIp.text));
    m_gateway->setText(QString::fromStdString(m_values.gateway.text));
    m_hostPort->setText(QString::fromStdString(m_values.hostPortText));

    connect(m_hostIp, &widgets::IpAddressEdit::fieldChanged, this, &OtherSetPage::onHostIpChanged);
    connect(m_hostPort, &QLineEdit::textEdited, this, &OtherSetPage::onHostPortEdited);
}

bool OtherSetPage::collect() {
    m_values.hostIp = readAddress(m_hostIp);
    m_values.gateway = readAddress(m_gateway);
    m_values.hostPortText = m_hostPort->text().toStdString();
    // A port the terminal cannot use is refused rather than cut to its low 16 bits, which would
    // send a port nobody typed.
    const std::optional<unsigned> port = widgets::parseUnsignedField(m_values.hostPortText);
    if (port && widgets::isInRange(*port, 0, kMaxPort))
        return true;
    emit refused();
    widgets::rejectField(m_hostPort, m_prompts, kProgramName,
                         port ? widgets::outOfRangePrompt(0, kMaxPort)
                              : widgets::notUnsignedPrompt());
    return false;
}

void OtherSetPage::onHostIpChanged() {
    m_values.hostIp = readAddress(m_hostIp);
}

void OtherSetPage::onHostPortEdited(const QString& text) {
    m_values.hostPortText = text.toStdString();
}

} // namespace terminal_setup
