#include "terminal_setup/ui/basic_set_page.h"

#include "terminal_setup/protocol/gbk_text.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/ui/setup_page_controls.h"
#include "widgets/data_exchange.h"
#include "widgets/ip_address_edit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstdint>

namespace terminal_setup {

namespace {

const std::string kProgramName = "Quellin";

QString versionText(int version) {
    return QString::fromStdString(formatVersion(static_cast<std::uint8_t>(version)));
}

} // namespace

BasicSetPage::BasicSetPage(const BasicSetValues& start, platform::PromptSink& prompts,
                           QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_startName(start.deviceName), m_values(start) {
    setObjectName(QStringLiteral("basicSetPage"));
    setAccessibleName(QStringLiteral("Basic Set"));

    m_name = pageEdit(QStringLiteral("nameEdit"), QString::fromUtf8("Device name："));
    m_softwareVersion =
        pageEdit(QStringLiteral("softwareVersionEdit"), QStringLiteral("Software Version:"));
    m_softwareVersion->setReadOnly(true);
    m_hardwareVersion =
        pageEdit(QStringLiteral("hardwareVersionEdit"), QStringLiteral("Hardware Version:"));
    m_hardwareVersion->setReadOnly(true);
    m_dnsServer = pageAddressEdit(QStringLiteral("dnsServerEdit"), QStringLiteral("DNS SERVER"));

    auto* fields = new QGridLayout;
    fields->addWidget(pageLabel(QString::fromUtf8("Device name："), m_name), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(pageLabel(QStringLiteral("Software Version:"), m_softwareVersion), 1, 0);
    fields->addWidget(m_softwareVersion, 1, 1);
    fields->addWidget(pageLabel(QStringLiteral("Hardware Version:"), m_hardwareVersion), 2, 0);
    fields->addWidget(m_hardwareVersion, 2, 1);

    QGroupBox* dnsGroup = pageGroup(QStringLiteral("DNS SERVER"), QStringLiteral("dnsGroup"));
    auto* dnsLayout = new QVBoxLayout(dnsGroup);
    dnsLayout->addWidget(m_dnsServer, 0, Qt::AlignLeft);

    auto* page = new QVBoxLayout(this);
    page->addLayout(fields);
    page->addWidget(dnsGroup);
    page->addStretch(1);

    m_name->setText(QString::fromStdString(m_values.deviceName));
    m_softwareVersion->setText(versionText(m_values.softwareVersion));
    m_hardwareVersion->setText(versionText(m_values.hardwareVersion));
    m_dnsServer->setText(QString::fromStdString(m_values.dnsServer.text));

    connect(m_name, &QLineEdit::textEdited, this, &BasicSetPage::onNameEdited);
    connect(m_dnsServer, &widgets::IpAddressEdit::fieldChanged, this, &BasicSetPage::onDnsChanged);
}

bool BasicSetPage::collect() {
    m_values.deviceName = m_name->text().toStdString();
    m_values.dnsServer = readAddress(m_dnsServer);
    // A name nobody edited goes back as the terminal's own bytes and needs no converting.
    if (m_values.deviceName == m_startName ||
        encodeGbk(m_values.deviceName, field::kNameSize).has_value())
        return true;
    emit refused();
    widgets::rejectField(m_name, m_prompts, kProgramName, kNameNotGbkPrompt);
    return false;
}

void BasicSetPage::onNameEdited(const QString& text) {
    m_values.deviceName = text.toStdString();
}

void BasicSetPage::onDnsChanged() {
    m_values.dnsServer = readAddress(m_dnsServer);
}

} // namespace terminal_setup
