#include "terminal_setup/ui/terminal_list_window.h"

#include "terminal_setup/protocol/interface_choice.h"
#include "terminal_setup/ui/interface_combo_box.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"
#include "widgets/resource_icons.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

// The icons of Quellin's own resource file, compiled into this static library.
static void initQuellinIcons() {
    Q_INIT_RESOURCE(quellin_icons);
}

namespace terminal_setup {

namespace {

// The window's own face is "宋体"; where it is missing, a Song face that covers Chinese stands in
// (the Noto CJK faces on Linux), so that the Chinese texts never show as empty boxes.
QStringList songFamilies() {
    return {QString::fromUtf8("宋体"), QStringLiteral("SimSun"),
            QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};
}

QFont dialogFont() {
    QFont font;
    font.setFamilies(songFamilies());
    font.setPointSize(10);
    return font;
}

QFont listFont() {
    QFont font;
    font.setFamilies(songFamilies());
    font.setPixelSize(14);
    font.setWeight(QFont::Bold);
    return font;
}

struct Column {
    const char* header;
    int width;
    // The widest text the column shows; it widens the column when the list's font needs more
    // room than the width gives, so that no address is cut.
    const char* widest;
};
constexpr std::array<Column, 6> kColumns{{
    {"ID", 50, ""},
    {"Name", 80, ""},
    {"Model", 80, ""},
    {"IP", 140, "255.255.255.255"},
    {"Multicast IP", 140, "255.255.255.255"},
    {"MAC", 140,
     "DDDD\xEF\xBC\x8D"
     "DDDD\xEF\xBC\x8D"
     "DDDD"},
}};

// Room a cell takes beside its text (margins of the item and the grid line).
constexpr int kCellPadding = 16;

const QColor kListBackground(200, 200, 255);
const QColor kListText(0, 0, 255);

// The window's size in dialog units, turned into pixels with the base units of its font the way
// dialog templates are measured: a quarter of the average character width, an eighth of the
// character height.
constexpr int kWidthUnits = 391;
constexpr int kHeightUnits = 274;

QSize dialogUnitsToPixels(const QFont& font, int widthUnits, int heightUnits) {
    const QFontMetrics metrics(font);
    const int baseX = metrics.horizontalAdvance(
                          QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                      52;
    const int baseY = metrics.height();
    return {widthUnits * baseX / 4, heightUnits * baseY / 8};
}

QLabel* labelFor(const char* caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setBuddy(buddy);
    return label;
}

widgets::HoverButton* makeButton(const char* caption, const char* objectName, int iconId,
                                 QWidget* parent) {
    auto* button = new widgets::HoverButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(objectName));
    button->SetIcons(iconId);
    button->SetFlatLook(true, true);
    button->setAutoDefault(false);
    button->setMinimumSize(96, 36);
    return button;
}

} // namespace

TerminalListWindow::TerminalListWindow(const std::string& settingsDirectory,
                                       platform::PromptSink& prompts,
                                       TerminalListWindowOptions options, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_listInterfaces(std::move(options.interfaces)),
      m_findDefaultRoute(std::move(options.defaultRouteInterface)),
      m_settingsFile(settingsDirectory),
      m_discovery(*this, {options.discoveryPort, {}, [this] { return cardToScan(); }}),
      m_chooseExportFile(std::move(options.chooseExportFile)),
      m_choosePlanFile(std::move(options.choosePlanFile)),
      m_runPlanDialog(std::move(options.runPlanDialog)), m_listFont(listFont()) {
    widgets::initResources();
    initQuellinIcons();
    m_openSetup = [this](const SetupDialogInputs& inputs, const TerminalRecord& record) {
        runSetupDialog(inputs, record);
    };

    setObjectName(QStringLiteral("terminalListWindow"));
    setWindowTitle(QString::fromUtf8(kProgramName));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(dialogFont());

    m_exportAction = new QAction(tr("Export..."), this);
    m_exportAction->setObjectName(QStringLiteral("exportAction"));
    connect(m_exportAction, &QAction::triggered, this, &TerminalListWindow::onExport);
    addAction(m_exportAction);
    m_applyPlanAction = new QAction(tr("Apply plan..."), this);
    m_applyPlanAction->setObjectName(QStringLiteral("applyPlanAction"));
    connect(m_applyPlanAction, &QAction::triggered, this, &TerminalListWindow::onApplyPlan);
    addAction(m_applyPlanAction);
    // The About entry of the window menu, reached here through the window's context menu.
    m_aboutAction = new QAction(tr("About Quellin(&A)..."), this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    connect(m_aboutAction, &QAction::triggered, this, &TerminalListWindow::showAbout);
    addAction(m_aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setWindowIcon(widgets::resourceIcon(widgets::kApplicationIconId));
    buildControls();
    setUpList();
    connectControls();

    loadSettings();
    copyValuesToFields();
    m_groupEdit->setText(QString::fromStdString(m_groupAddress));
    m_destEdit->setText(QString::fromStdString(m_destAddress));
    findHostName(options.hostName);
    refreshInterfaces();
    startSession();
    m_selectedRow = kNoRow;
    updateExportEnabled();

    // Enter and Escape are taken before any control of this window sees them, and clicks on the
    // list are seen wherever they fall.
    qApp->installEventFilter(this);
}

TerminalListWindow::~TerminalListWindow() {
    qApp->removeEventFilter(this);
    m_discovery.close();
}

void TerminalListWindow::buildControls() {
    auto* interfaceCombo = new InterfaceComboBox(this);
    interfaceCombo->setObjectName(QStringLiteral("interfaceCombo"));
    interfaceCombo->setAccessibleName(tr("Network interface"));
    connect(interfaceCombo, &InterfaceComboBox::popupAboutToShow, this,
            &TerminalListWindow::refreshInterfaces);
    m_interfaceCombo = interfaceCombo;

    m_hostNameEdit = new QLineEdit(this);
    m_hostNameEdit->setObjectName(QStringLiteral("hostNameEdit"));
    m_hostNameEdit->setAccessibleName(tr("Host Name"));

    m_hostMacEdit = new QLineEdit(this);
    m_hostMacEdit->setObjectName(QStringLiteral("hostMacEdit"));
    m_hostMacEdit->setReadOnly(true);
    m_hostMacEdit->setAccessibleName(tr("Host MAC"));

    m_hostPortEdit = new QLineEdit(this);
    m_hostPortEdit->setObjectName(QStringLiteral("hostPortEdit"));
    m_hostPortEdit->setAlignment(Qt::AlignRight);
    m_hostPortEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    m_hostPortEdit->setAccessibleName(tr("Host Port"));

    m_groupEdit = new widgets::IpAddressEdit(this);
    m_groupEdit->setObjectName(QStringLiteral("groupAddressEdit"));
    m_groupEdit->setEnabled(false);
    m_groupEdit->setAccessibleName(tr("Multicast address"));

    m_destEdit = new widgets::IpAddressEdit(this);
    m_destEdit->setObjectName(QStringLiteral("destAddressEdit"));
    m_destEdit->setAccessibleName(tr("Dest address"));

    m_hostAddressEdit = new widgets::IpAddressEdit(this);
    m_hostAddressEdit->setObjectName(QStringLiteral("hostAddressEdit"));
    m_hostAddressEdit->setAccessibleName(tr("Host IP"));

    m_list = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
    m_list->setObjectName(QStringLiteral("terminalList"));
    m_list->setAccessibleName(tr("Terminals"));

    m_setupButton = makeButton("Setup", "setupButton", widgets::kSetupIconId, this);
    m_scanButton = makeButton("Scan", "scanButton", widgets::kMarkerIconId, this);
    m_testButton = makeButton("Test", "testButton", widgets::kTestIconId, this);
    m_exitButton = makeButton("Exit", "exitButton", widgets::kExitIconId, this);
    m_exitButton->setDefault(true);
    m_exportButton = makeButton("Export...", "exportButton", 0, this);
    m_exportButton->setImage(QPixmap(QStringLiteral(":/quellin/icons/export.png")));
    m_exportButton->setAccessibleName(tr("Export"));
    m_exportButton->setToolTip(tr("Save the listed terminals as CSV or JSON"));
    m_applyPlanButton = makeButton("Apply plan...", "applyPlanButton", 0, this);
    m_applyPlanButton->setImage(QPixmap(QStringLiteral(":/quellin/icons/plan.png")));
    m_applyPlanButton->setAccessibleName(tr("Apply plan"));
    m_applyPlanButton->setToolTip(
        tr("Set up the listed terminals from a CSV plan: preview, apply, confirm"));

    m_writeCheckLabel = new QLabel(this);
    m_writeCheckLabel->setObjectName(QStringLiteral("writeCheckLabel"));
    m_writeCheckLabel->setAccessibleName(tr("Last write"));
    m_writeCheckLabel->setWordWrap(true);
    m_writeCheckLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_writeCheckLabel->hide();

    auto* fields = new QGridLayout;
    // The left column starts with the interface, whose address and MAC the fields show; the
    // right column keeps the addresses.
    fields->addWidget(labelFor("Interface：", m_interfaceCombo, this), 0, 0);
    fields->addWidget(m_interfaceCombo, 0, 1);
    fields->addWidget(labelFor("Host IP：", m_hostAddressEdit, this), 0, 2);
    fields->addWidget(m_hostAddressEdit, 0, 3);
    fields->addWidget(labelFor("Host Name：", m_hostNameEdit, this), 1, 0);
    fields->addWidget(m_hostNameEdit, 1, 1);
    fields->addWidget(labelFor("Multicast address：", m_groupEdit, this), 1, 2);
    fields->addWidget(m_groupEdit, 1, 3);
    fields->addWidget(labelFor("Host MAC：", m_hostMacEdit, this), 2, 0);
    fields->addWidget(m_hostMacEdit, 2, 1);
    fields->addWidget(labelFor("Dest address：", m_destEdit, this), 2, 2);
    fields->addWidget(m_destEdit, 2, 3);
    fields->addWidget(labelFor("Host Port：", m_hostPortEdit, this), 3, 0);
    fields->addWidget(m_hostPortEdit, 3, 1);
    fields->setColumnStretch(1, 1);
    fields->setHorizontalSpacing(10);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_setupButton);
    buttons->addWidget(m_scanButton);
    buttons->addWidget(m_testButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_applyPlanButton);
    buttons->addStretch(1);
    buttons->addWidget(m_exitButton);

    auto* whole = new QVBoxLayout(this);
    whole->addLayout(fields);
    whole->addWidget(m_list, 1);
    whole->addWidget(m_writeCheckLabel);
    whole->addLayout(buttons);

    // Fixed size, as the dialog template has it; never smaller than the controls need.
    setFixedSize(
        dialogUnitsToPixels(font(), kWidthUnits, kHeightUnits).expandedTo(whole->minimumSize()));
}

void TerminalListWindow::setUpList() {
    m_list->setFont(m_listFont);
    m_list->horizontalHeader()->setFont(m_listFont);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_listFont).height() + 4);

    QPalette colours = m_list->palette();
    colours.setColor(QPalette::Base, kListBackground);
    colours.setColor(QPalette::Window, kListBackground);
    colours.setColor(QPalette::Text, kListText);
    m_list->setPalette(colours);

    QHeaderView* header = m_list->horizontalHeader();
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setHighlightSections(false);
    for (int column = 0; column < static_cast<int>(kColumns.size()); ++column) {
        auto* item = new QTableWidgetItem(QString::fromUtf8(kColumns[column].header));
        item->setTextAlignment(Qt::AlignCenter);
        m_list->setHorizontalHeaderItem(column, item);
        const int textWidth =
            QFontMetrics(m_listFont).horizontalAdvance(QString::fromUtf8(kColumns[column].widest)) +
            kCellPadding;
        header->resizeSection(column, std::max(kColumns[column].width, textWidth));
    }
}

void TerminalListWindow::connectControls() {
    connect(m_setupButton, &QPushButton::clicked, this, &TerminalListWindow::onSetup);
    connect(m_scanButton, &QPushButton::clicked, this, &TerminalListWindow::onScan);
    connect(m_testButton, &QPushButton::clicked, this, &TerminalListWindow::onTest);
    connect(m_exitButton, &QPushButton::clicked, this, &TerminalListWindow::onExit);
    connect(m_exportButton, &QPushButton::clicked, this, &TerminalListWindow::onExport);
    connect(m_applyPlanButton, &QPushButton::clicked, this, &TerminalListWindow::onApplyPlan);

    connect(m_interfaceCombo, &QComboBox::activated, this, &TerminalListWindow::onInterfaceChosen);
    connect(m_list, &QTableWidget::itemSelectionChanged, this,
            &TerminalListWindow::syncSelectedRow);
}

void TerminalListWindow::loadSettings() {
    std::vector<std::string> notices;
    const ToolSettings settings = m_settingsFile.load(&notices);
    // Told once the window runs, so that the message has the window to stand on.
    for (const std::string& notice : notices) {
        QTimer::singleShot(0, this, [this, notice] {
            m_prompts.show(
                platform::Prompt::box(kProgramName, notice, platform::PromptIcon::Exclamation));
        });
    }
    m_groupAddress = settings.groupAddress;
    m_destAddress = settings.testAddress;
    m_hostPort = settings.hostPort;
    m_interfaceName = m_settingsFile.loadInterface();
}

void TerminalListWindow::findHostName(const std::function<std::optional<std::string>()>& lookup) {
    const std::optional<std::string> name = lookup ? lookup() : std::nullopt;
    m_hostName = name.value_or(std::string());
    copyValuesToFields();
}

void TerminalListWindow::refreshInterfaces() {
    m_interfaces = m_listInterfaces ? m_listInterfaces() : std::vector<NetworkInterface>{};
    const std::vector<NetworkInterface> usable = usableInterfaces(m_interfaces);
    // The remembered interface counts only at start (it is loaded into m_interfaceName); then
    // the installer's choice stays until they make another, even while it is down.
    if (!m_interfaceChosen || m_interfaceName.empty()) {
        m_interfaceName = chooseInterface(
            usable, m_interfaceName, m_findDefaultRoute ? m_findDefaultRoute() : std::string());
        m_interfaceChosen = true;
    }

    const QSignalBlocker quiet(m_interfaceCombo);
    m_interfaceCombo->clear();
    for (const NetworkInterface& card : usable) {
        m_interfaceCombo->addItem(QString::fromStdString(interfaceLabel(card)),
                                  QString::fromStdString(card.name));
    }
    if (!m_interfaceName.empty() && !findInterface(usable, m_interfaceName)) {
        const NetworkInterface* card = findInterface(m_interfaces, m_interfaceName);
        m_interfaceCombo->addItem(
            QString::fromStdString(card ? interfaceLabel(*card) : "(" + m_interfaceName + ")"),
            QString::fromStdString(m_interfaceName));
    }
    m_interfaceCombo->setCurrentIndex(
        m_interfaceCombo->findData(QString::fromStdString(m_interfaceName)));
    showChosenInterface();
}

void TerminalListWindow::onInterfaceChosen(int index) {
    m_interfaceName = m_interfaceCombo->itemData(index).toString().toStdString();
    showChosenInterface();
}

void TerminalListWindow::showChosenInterface() {
    const NetworkInterface* card = chosenCard();
    m_hostAddress = card ? card->address() : std::string();
    m_hostMac = card ? macText(card->hardwareAddress) : std::string();
    m_hostAddressEdit->setText(QString::fromStdString(m_hostAddress));
    copyValuesToFields();
}

const NetworkInterface* TerminalListWindow::chosenCard() const {
    return findInterface(m_interfaces, m_interfaceName);
}

std::optional<NetworkInterface> TerminalListWindow::cardToScan() {
    // A card plugged in, switched on or given an address since the last look is seen now.
    refreshInterfaces();
    if (const NetworkInterface* card = chosenCard())
        return *card;
    if (m_interfaceName.empty())
        return std::nullopt;
    NetworkInterface gone;
    gone.name = m_interfaceName;
    return gone;
}

void TerminalListWindow::startSession() {
    // A failure here is silent: the next Scan tries again and says what is wrong.
    m_discovery.start(chosenCard(), QString::fromStdString(m_groupAddress));
}

} // namespace terminal_setup
