#include "terminal_setup/ui/terminal_config_dialog.h"

#include "terminal_setup/ui/basic_set_page.h"
#include "terminal_setup/ui/com_set_page.h"
#include "terminal_setup/ui/net_set_page.h"
#include "terminal_setup/ui/other_set_page.h"
#include "terminal_setup/ui/setup_datagrams.h"
#include "widgets/data_exchange.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace terminal_setup {

namespace {

const std::string kProgramName = "Quellin";
constexpr unsigned kMaxId = 255;

BasicSetValues basicStart(const SetupDialogInputs& inputs) {
    BasicSetValues values;
    values.deviceName = inputs.nameText;
    values.softwareVersion = inputs.softwareVersion;
    values.hardwareVersion = inputs.hardwareVersion;
    values.dnsServer.text = inputs.dnsText;
    return values;
}

// The disconnect time has no field in the datagram, so the page gets no starting value for it
// and opens with its list unselected.
NetSetValues netStart(const SetupDialogInputs& inputs) {
    NetSetValues values;
    values.workMode = inputs.workMode;
    values.disconnectTime = NetSetValues::kNoDisconnectTime;
    values.dhcpFlag = inputs.dhcpFlag;
    values.ipAddress.text = inputs.ipText;
    values.subnetMask.text = inputs.maskText;
    values.port = inputs.port;
    return values;
}

ComSetValues comStart(const SetupDialogInputs& inputs) {
    return {inputs.baudIndex};
}

OtherSetValues otherStart(const SetupDialogInputs& inputs) {
    OtherSetValues values;
    values.multicastText = inputs.multicastText;
    values.gateway.text = inputs.gatewayText;
    values.hostIp.text = inputs.hostIpText;
    values.hostPortText = inputs.hostPortText;
    return values;
}

QLineEdit* dialogEdit(const QString& objectName, const QString& accessibleName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    return edit;
}

QPushButton* dialogButton(const QString& caption, const QString& objectName) {
    auto* button = new QPushButton(caption);
    button->setObjectName(objectName);
    button->setAccessibleName(caption);
    return button;
}

QLabel* labelFor(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TerminalConfigDialog::TerminalConfigDialog(const SetupDialogInputs& inputs,
                                           const TerminalRecord& record, SendToGroup sendToGroup,
                                           const ToolSettingsFile& settingsFile,
                                           platform::PromptSink& prompts, QWidget* parent)
    : QDialog(parent), m_record(record), m_sendToGroup(std::move(sendToGroup)),
      m_settingsFile(settingsFile), m_prompts(prompts), m_initialName(inputs.nameText) {
    buildControls(inputs);
    connectControls();

    // Every opening starts afresh: first tab, no automatic increase, the counter as the file
    // holds it now.
    m_tabs->setCurrentIndex(0);
    m_autoIncrease = false;
    m_idText = inputs.idText;
    m_macText = inputs.macText;
    m_idCounter = static_cast<std::uint32_t>(m_settingsFile.loadAutoId());
    // With several terminals listed they may share an ID, and a reset to the group would
    // renumber all of them at once.
    m_reset->setEnabled(inputs.terminalCount <= 1);
    copyStateToControls();
}

void TerminalConfigDialog::buildControls(const SetupDialogInputs& inputs) {
    setObjectName(QStringLiteral("terminalConfigDialog"));
    setWindowTitle(QStringLiteral("Setup"));
    setAccessibleName(QStringLiteral("Setup"));

    m_idEdit = dialogEdit(QStringLiteral("idEdit"), QStringLiteral("ID:"));
    m_macEdit = dialogEdit(QStringLiteral("macEdit"), QString::fromUtf8("MAC："));
    m_counterEdit = dialogEdit(QStringLiteral("counterEdit"), QStringLiteral("ID counter"));
    m_counterEdit->setReadOnly(true);
    m_counterEdit->setAccessibleDescription(
        QStringLiteral("The last ID given by ID Auto increase"));
    m_autoIncreaseCheck = new QCheckBox(QStringLiteral("ID Auto increase"));
    m_autoIncreaseCheck->setObjectName(QStringLiteral("autoIncreaseCheck"));
    m_autoIncreaseCheck->setAccessibleName(QStringLiteral("ID Auto increase"));

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabControl"));
    m_tabs->setAccessibleName(QStringLiteral("Terminal settings"));
    m_basicPage = new BasicSetPage(basicStart(inputs), m_prompts);
    m_netPage = new NetSetPage(netStart(inputs), m_prompts);
    m_comPage = new ComSetPage(comStart(inputs));
    m_otherPage = new OtherSetPage(otherStart(inputs), m_prompts);
    m_tabs->addTab(m_basicPage, QStringLiteral("Basic Set"));
    m_tabs->addTab(m_netPage, QStringLiteral("Net Set"));
    m_tabs->addTab(m_comPage, QStringLiteral("COM Set"));
    m_tabs->addTab(m_otherPage, QStringLiteral("Other Set"));

    m_refresh = dialogButton(QStringLiteral("Refresh"), QStringLiteral("refreshButton"));
    m_refresh->setDefault(true);
    m_reset = dialogButton(QStringLiteral("Reset"), QStringLiteral("resetButton"));
    m_exit = dialogButton(QStringLiteral("Exit"), QStringLiteral("exitButton"));
    m_refreshHint = new QLabel(QStringLiteral("The terminal has a new ID and MAC: Scan again "
                                              "before the next Refresh."));
    m_refreshHint->setObjectName(QStringLiteral("refreshHint"));
    m_refreshHint->setWordWrap(true);
    m_refreshHint->hide();
    m_writeCheck = new QLabel;
    m_writeCheck->setObjectName(QStringLiteral("writeCheckLabel"));
    m_writeCheck->setAccessibleName(QStringLiteral("Last write"));
    m_writeCheck->setWordWrap(true);
    m_writeCheck->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_writeCheck->hide();

    // The ID and counter hold at most a few digits; the MAC box fits a whole address.
    const QFontMetrics metrics(m_macEdit->font());
    const int idWidth = metrics.horizontalAdvance(QStringLiteral("0000000000")) + 12;
    m_idEdit->setMaximumWidth(idWidth);
    m_counterEdit->setMaximumWidth(idWidth);
    m_macEdit->setMinimumWidth(metrics.horizontalAdvance(QString::fromUtf8("WWWW－WWWW－WWWW")) +
                               12);

    auto* top = new QGridLayout;
    top->addWidget(labelFor(QStringLiteral("ID:"), m_idEdit), 0, 0);
    top->addWidget(m_idEdit, 0, 1);
    top->addWidget(labelFor(QString::fromUtf8("MAC："), m_macEdit), 0, 2);
    top->addWidget(m_macEdit, 0, 3);
    top->addWidget(m_counterEdit, 1, 1);
    top->addWidget(m_autoIncreaseCheck, 1, 2, 1, 2);
    top->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_reset);
    buttons->addWidget(m_exit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_refreshHint);
    layout->addWidget(m_writeCheck);
    layout->addLayout(buttons);
}

void TerminalConfigDialog::connectControls() {
    connect(m_autoIncreaseCheck, &QCheckBox::clicked, this,
            &TerminalConfigDialog::onAutoIncreaseClicked);
    connect(m_refresh, &QPushButton::clicked, this, &TerminalConfigDialog::onRefresh);
    connect(m_reset, &QPushButton::clicked, this, &TerminalConfigDialog::onReset);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    // A refused value is shown on its own page, so the prompt and the selected text go together.
    connect(m_basicPage, &BasicSetPage::refused, this,
            [this] { m_tabs->setCurrentWidget(m_basicPage); });
    connect(m_netPage, &NetSetPage::refused, this, [this] { m_tabs->setCurrentWidget(m_netPage); });
    connect(m_otherPage, &OtherSetPage::refused, this,
            [this] { m_tabs->setCurrentWidget(m_otherPage); });
}

void TerminalConfigDialog::showWriteCheck(const QString& text) {
    m_writeCheck->setText(text);
    m_writeCheck->setAccessibleDescription(text);
    m_writeCheck->show();
    // The dialog grows, where it must, to show the whole text at its present width.
    layout()->activate();
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                     : layout()->totalMinimumSize().height();
    if (needed > height())
        resize(width(), needed);
}

void TerminalConfigDialog::onAutoIncreaseClicked(bool checked) {
    m_autoIncrease = checked;
}

void TerminalConfigDialog::onRefresh() {
    if (!m_refresh->isEnabled())
        return; // Enter still reaches the default button after a Reset
    readControlsIntoState();
    if (!collectPages())
        return; // the installer was told which value, and nothing may leave
    const std::optional<TerminalEdits> edits =
        editsFromPages(m_record, m_initialName, m_basicPage->values(), m_netPage->values(),
                       m_comPage->values(), m_otherPage->values());
    if (edits)
        m_sendToGroup(configurationWrite(m_record, *edits));
    copyStateToControls();
}

bool TerminalConfigDialog::collectPages() {
    if (!m_basicPage->collect() || !m_netPage->collect())
        return false;
    m_comPage->collect();
    return m_otherPage->collect();
}

void TerminalConfigDialog::onReset() {
    readControlsIntoState();
    const std::optional<std::uint8_t> newId = takeResetId();
    if (!newId)
        return;
    m_sendToGroup(resetDatagram(m_record, *newId));
    // The terminal now answers to another MAC; a write addressed to the old one would be
    // ignored without a word.
    m_refresh->setEnabled(false);
    m_refresh->setToolTip(m_refreshHint->text());
    m_refreshHint->show();
    copyStateToControls();
}

std::optional<std::uint8_t> TerminalConfigDialog::takeResetId() {
    if (!m_autoIncrease) {
        const std::optional<unsigned> typed =
            widgets::exchangeUnsignedInRange(m_idEdit, m_prompts, kProgramName, 0, kMaxId);
        if (!typed)
            return std::nullopt;
        return static_cast<std::uint8_t>(*typed);
    }
    const std::uint32_t raised = m_idCounter + 1;
    // Kept before the datagram leaves, so that no ID (and last MAC byte) is ever handed out
    // twice; a counter that cannot be kept gives no ID at all.
    if (!m_settingsFile.saveAutoId(static_cast<int>(raised))) {
        m_prompts.show(
            platform::Prompt::box(kProgramName,
                                  "The ID counter cannot be saved in " + m_settingsFile.path() +
                                      ".\nThe Reset was not sent, so that no ID is given twice.",
                                  platform::PromptIcon::Exclamation));
        return std::nullopt;
    }
    m_idCounter = raised;
    return resetIdFromCounter(m_idCounter);
}

void TerminalConfigDialog::readControlsIntoState() {
    m_idText = m_idEdit->text().toStdString();
    m_macText = m_macEdit->text().toStdString();
}

void TerminalConfigDialog::copyStateToControls() {
    m_idEdit->setText(QString::fromStdString(m_idText));
    m_macEdit->setText(QString::fromStdString(m_macText));
    m_counterEdit->setText(QString::number(m_idCounter));
    m_autoIncreaseCheck->setChecked(m_autoIncrease);
}

} // namespace terminal_setup
