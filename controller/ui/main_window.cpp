#include "controller/ui/main_window.h"

#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/reply_texts.h"
#include "controller/ui/about_dialog.h"
#include "controller/ui/com_port_combo.h"
#include "controller/ui/crosspoint_cursor.h"
#include "controller/ui/network_setting_dialog.h"
#include "controller/ui/setup_dialog.h"
#include "widgets/choice_combo_box.h"
#include "widgets/hover_button.h"
#include "widgets/resource_icons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace controller {

namespace {

// The grid frame in the content's pixels. It encloses every layout: the widest reaches x = 715
// (the 32x32 input labels), the deepest y = 707 (the lower row of 32x32 output labels).
constexpr QRect kGridFrame(6, 2, 720, 714);
// The controls stand in one column to the right of the grid; a large desktop font may need a
// wider or taller column, and the content grows with it.
constexpr QRect kPanel(734, 2, 270, 714);
constexpr QSize kContentSize(1010, 720);
constexpr int kContentMargin = 6;
// What a window manager's frame and title bar take, until the shown window tells.
constexpr QSize kFrameAllowance(16, 48);

// The entries of a list of the matrix model, in its order.
template <typename List, typename Entry>
QStringList entriesOf(const List& list, Entry entry) {
    QStringList entries;
    for (const auto& item : list)
        entries << entry(item);
    return entries;
}

const QStringList kBaudEntries =
    entriesOf(kBaudRates, [](int rate) { return QString::number(rate); });
const QStringList kSizeEntries = entriesOf(kMatrixSizes, [](const MatrixSize& size) {
    return QString::fromUtf8(size.entry.data(), static_cast<qsizetype>(size.entry.size()));
});
const QStringList kTypeEntries = entriesOf(kMatrixKinds, [](const MatrixKind& kind) {
    return QString::fromUtf8(kind.name.data(), static_cast<qsizetype>(kind.name.size()));
});
const QStringList kAvEntries{"Video + Audio", "Video", "Audio"};
const QStringList kAvObjectNames{"avVideoAudioRadio", "avVideoRadio", "avAudioRadio"};

constexpr std::uint8_t kAddressForAll = 0xFF;
constexpr int kAddressEntries = 8; // "01".."08", then "FF"

QComboBox* makeCombo(QWidget* parent, const QString& objectName, const QStringList& entries) {
    auto* combo = new widgets::ChoiceComboBox(parent);
    combo->setObjectName(objectName);
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
    return combo;
}

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* makeGroup(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(objectName);
    group->setAccessibleName(caption);
    return group;
}

// A static text and the control it names, on one row of a grid layout. The text is the
// control's buddy and, without its trailing colon, its accessible name.
void addLabelled(QGridLayout* layout, int row, const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, control->parentWidget());
    label->setBuddy(control);
    QString name = caption;
    name.remove(QChar(0xFF1A)); // full-width colon
    control->setAccessibleName(name.trimmed());
    layout->addWidget(label, row, 0);
    layout->addWidget(control, row, 1);
}

} // namespace

MainWindow::MainWindow(const QString& settingsDirectory, platform::PromptSink& prompts,
                       SerialPortAccess ports, QWidget* parent)
    : QDialog(parent), m_prompts(prompts),
      m_session(
          SessionConfig{
              settingsDirectory.toStdString(), "Setting.ini", false, std::move(ports), {}},
          *this),
      m_backup(m_session, {}) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("     Matrix V3.5"));
    setWindowIcon(widgets::resourceIcon(widgets::kApplicationIconId));
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("windowScrollArea"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Not a Tab stop of its own; it follows the focus to any control out of view.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("windowContent"));
    // Crosspoints are found on plain moves, without a button held.
    m_content->setMouseTracking(true);
    m_content->installEventFilter(this);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(m_scroll);

    m_markerInput.fill(kNoPort);

    createControls();
    m_scroll->setWidget(m_content);
    m_gridFrame = {m_gridGroup->x(), m_gridGroup->y(), m_gridGroup->width(), m_gridGroup->height()};
    createGridWindows();
    m_comCombo->clear();
    for (int n = 1; n <= 9; ++n)
        m_comCombo->addItem(QStringLiteral("COM%1").arg(n));
    m_comCombo->setCurrentIndex(-1);

    m_session.loadSettings();
    applyLoadedSettings();
    connectHandlers();

    if (!m_session.createNetwork())
        showMessage("Unable to complete the network settings!");

    if (QScreen* shownOn = screen())
        fitToScreen(shownOn->availableGeometry());

    if (!m_session.openPort())
        showMessage(openFailureText("Unable to open the serial port, Please check and try again!"));
    m_session.watchPortPresence();

    m_session.restartReplyWatch();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    m_gridGroup =
        makeGroup(m_content, QStringLiteral("matrixSwitchGroup"), QStringLiteral("Matrix Switch"));
    m_gridGroup->setGeometry(kGridFrame);
    // The grid is the window's own drawing: the frame must let the mouse through to it.
    m_gridGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    // First in the Tab order, as it is first on the screen.
    createGridCursor();

    auto* panel = new QWidget(m_content);
    panel->setObjectName(QStringLiteral("controlPanel"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    // COM
    auto* comGroup = makeGroup(panel, QStringLiteral("comGroup"), QStringLiteral("COM"));
    auto* comLayout = new QGridLayout(comGroup);
    auto* comCombo = new ComPortCombo(comGroup);
    comCombo->setObjectName(QStringLiteral("comCombo"));
    // Entries name their devices: the box takes the width the panel gives it, and the open list
    // the width of its longest entry.
    comCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comCombo->setBeforePopup([this] { m_session.refreshComPorts(); });
    m_comCombo = comCombo;
    m_baudCombo = makeCombo(comGroup, QStringLiteral("baudCombo"), kBaudEntries);
    m_openButton = makeButton(comGroup, QStringLiteral("openButton"), QStringLiteral("OPEN"));
    addLabelled(comLayout, 0, QStringLiteral("COM Select："), m_comCombo);
    addLabelled(comLayout, 1, QStringLiteral("Baud："), m_baudCombo);
    comLayout->addWidget(m_openButton, 2, 0, 1, 2);
    column->addWidget(comGroup);

    // Network
    auto* netGroup = makeGroup(panel, QStringLiteral("networkGroup"), QStringLiteral("Network"));
    auto* netLayout = new QHBoxLayout(netGroup);
    m_useNetCheck = new QCheckBox(QStringLiteral("Use Net"), netGroup);
    m_useNetCheck->setObjectName(QStringLiteral("useNetCheck"));
    m_useNetCheck->setAccessibleName(QStringLiteral("Use Net"));
    m_networkSettingButton = makeButton(netGroup, QStringLiteral("networkSettingButton"),
                                        QStringLiteral("Network Setting"));
    netLayout->addWidget(m_useNetCheck);
    netLayout->addWidget(m_networkSettingButton);
    column->addWidget(netGroup);

    // Matrix Configure
    auto* matrixGroup = makeGroup(panel, QStringLiteral("matrixConfigureGroup"),
                                  QStringLiteral("Matrix Configure"));
    auto* matrixLayout = new QGridLayout(matrixGroup);
    m_sizeCombo = makeCombo(matrixGroup, QStringLiteral("matrixModeCombo"), kSizeEntries);
    m_typeCombo = makeCombo(matrixGroup, QStringLiteral("matrixTypeCombo"), kTypeEntries);
    addLabelled(matrixLayout, 0, QStringLiteral("Matrix Mode："), m_sizeCombo);
    addLabelled(matrixLayout, 1, QStringLiteral("Matrix Type："), m_typeCombo);
    m_avGroup = new QButtonGroup(this);
    auto* radios = new QVBoxLayout;
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = new QRadioButton(kAvEntries[mode], matrixGroup);
        radio->setObjectName(kAvObjectNames[mode]);
        radio->setAccessibleName(kAvEntries[mode]);
        m_avGroup->addButton(radio, mode);
        m_avRadios[static_cast<std::size_t>(mode)] = radio;
        radios->addWidget(radio);
    }
    matrixLayout->addLayout(radios, 2, 0, 1, 2);
    QStringList ids;
    for (int a = 1; a <= kAddressEntries; ++a)
        ids << QStringLiteral("%1").arg(a, 2, 10, QLatin1Char('0'));
    ids << QStringLiteral("FF");
    m_idCombo = makeCombo(matrixGroup, QStringLiteral("matrixIdCombo"), ids);
    addLabelled(matrixLayout, 3, QStringLiteral("Matrix ID："), m_idCombo);
    column->addWidget(matrixGroup);

    // SCENE
    auto* sceneGroup = makeGroup(panel, QStringLiteral("sceneGroup"), QStringLiteral("SCENE"));
    auto* sceneLayout = new QGridLayout(sceneGroup);
    QStringList scenes;
    for (int n = 1; n <= 16; ++n)
        scenes << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    m_saveCombo = makeCombo(sceneGroup, QStringLiteral("saveSceneCombo"), scenes);
    m_loadCombo = makeCombo(sceneGroup, QStringLiteral("loadSceneCombo"), scenes);
    m_saveButton = makeButton(sceneGroup, QStringLiteral("saveButton"), QStringLiteral("SAVE"));
    m_loadButton = makeButton(sceneGroup, QStringLiteral("loadButton"), QStringLiteral("LOAD"));
    addLabelled(sceneLayout, 0, QStringLiteral("Save Scene："), m_saveCombo);
    sceneLayout->addWidget(m_saveButton, 0, 2);
    addLabelled(sceneLayout, 1, QStringLiteral("Load Scene："), m_loadCombo);
    sceneLayout->addWidget(m_loadButton, 1, 2);
    column->addWidget(sceneGroup);

    m_setupButton = makeButton(panel, QStringLiteral("setupButton"), QStringLiteral("Setup"));
    m_readSwitchButton =
        makeButton(panel, QStringLiteral("readSwitchButton"), QStringLiteral("Read Switch"));
    m_readDeviceButton =
        makeButton(panel, QStringLiteral("readDeviceButton"), QStringLiteral("Read Device"));
    m_cycleButton =
        makeButton(panel, QStringLiteral("cycleButton"), QStringLiteral("AutoSwitich-START"));
    m_exitButton = makeButton(panel, QStringLiteral("exitButton"), QStringLiteral("EXIT"));
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_setupButton, 0, 0);
    buttons->addWidget(m_readSwitchButton, 0, 1);
    buttons->addWidget(m_readDeviceButton, 1, 0);
    buttons->addWidget(m_cycleButton, 1, 1);
    buttons->addWidget(m_exitButton, 2, 1);
    column->addLayout(buttons);
    column->addStretch();

    panel->ensurePolished();
    const QSize panelSize = panel->sizeHint().expandedTo(kPanel.size());
    panel->setGeometry(QRect(kPanel.topLeft(), panelSize));
    m_content->setFixedSize(
        std::max(kContentSize.width(), kPanel.left() + panelSize.width() + kContentMargin),
        std::max(kContentSize.height(), kPanel.top() + panelSize.height() + kContentMargin));
}

void MainWindow::fitToScreen(const QRect& available) {
    const QSize content = m_content->size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0)
        frame = kFrameAllowance;
    const QSize room = available.size() - frame;
    // A scroll bar in one direction takes room from the other.
    bool wide = content.width() > room.width();
    const bool tall = content.height() + (wide ? bar : 0) > room.height();
    wide = content.width() + (tall ? bar : 0) > room.width();
    // Only a direction that needs it scrolls; the window cannot be made narrower (or lower)
    // than its content in the other.
    m_scroll->setHorizontalScrollBarPolicy(wide ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (!wide && !tall) {
        setFixedSize(content);
        return;
    }
    const QSize full = content + QSize(tall ? bar : 0, wide ? bar : 0);
    setMinimumSize(wide ? 0 : full.width(), tall ? 0 : full.height());
    setMaximumSize(full);
    resize(full.boundedTo(room));
}

void MainWindow::applyLoadedSettings() {
    const ControllerSettings& loaded = m_session.settings();
    auto select = [](QComboBox* combo, int index) {
        // An index the list does not have leaves it without a selection.
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    };
    select(m_comCombo, loaded.selectCom);
    select(m_baudCombo, loaded.selectBaud);
    select(m_typeCombo, loaded.matrixType);
    setAvRadiosEnabled(hasAvLayers(loaded.matrixType));
    select(m_sizeCombo, loaded.matrixSize);
    layoutGridFor(loaded.matrixSize);
    checkAvRadio(loaded.avMode);
    m_idCombo->setCurrentIndex(0);
    m_useNetCheck->setChecked(loaded.useNet != 0);
}

void MainWindow::connectHandlers() {
    // Only the operator's actions run handlers: the program's own selections do not, and
    // choosing the entry already selected does not either (no reopening, no hidden markers).
    const auto onPicked = [this](QComboBox* combo, void (MainWindow::*handler)(int)) {
        connect(qobject_cast<widgets::ChoiceComboBox*>(combo), &widgets::ChoiceComboBox::picked,
                this, handler);
    };
    onPicked(m_comCombo, &MainWindow::onComActivated);
    onPicked(m_baudCombo, &MainWindow::onBaudActivated);
    connect(m_openButton, &QPushButton::clicked, this, &MainWindow::onOpenClicked);
    connect(m_useNetCheck, &QCheckBox::clicked, this, &MainWindow::onUseNetClicked);
    connect(m_networkSettingButton, &QPushButton::clicked, this,
            &MainWindow::onNetworkSettingClicked);
    onPicked(m_sizeCombo, &MainWindow::onMatrixSizeActivated);
    onPicked(m_typeCombo, &MainWindow::onMatrixTypeActivated);
    connect(m_avGroup, &QButtonGroup::idClicked, this, &MainWindow::onAvModeClicked);
    onPicked(m_idCombo, &MainWindow::onMatrixIdActivated);
    connect(m_saveButton, &QPushButton::clicked, this, &MainWindow::onSaveClicked);
    connect(m_loadButton, &QPushButton::clicked, this, &MainWindow::onLoadClicked);
    connect(m_setupButton, &QPushButton::clicked, this, &MainWindow::onSetupClicked);
    connect(m_readSwitchButton, &QPushButton::clicked, this, &MainWindow::onReadSwitchClicked);
    connect(m_readDeviceButton, &QPushButton::clicked, this, &MainWindow::onReadDeviceClicked);
    connect(m_cycleButton, &QPushButton::clicked, this, &MainWindow::onCycleClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::accept);
}

void MainWindow::setAvRadiosEnabled(bool enabled) {
    for (QRadioButton* radio : m_avRadios)
        radio->setEnabled(enabled);
}

void MainWindow::checkAvRadio(int mode) {
    // Any other value leaves the buttons as they are.
    if (mode >= 0 && mode < 3)
        m_avRadios[static_cast<std::size_t>(mode)]->setChecked(true);
}

void MainWindow::onUseNetClicked(bool checked) {
    m_session.setUseNet(checked);
}

void MainWindow::onMatrixSizeActivated(int index) {
    const std::optional<int> ports = portsOfSizeIndex(index);
    if (!ports)
        return;
    m_session.setMatrixSize(*ports);
    layoutGridFor(index);
    m_content->update();
}

void MainWindow::onMatrixTypeActivated(int index) {
    const MatrixKind* kind = matrixKindAt(index);
    if (kind == nullptr)
        return;
    const bool forcesVideo = m_session.setMatrixKind(*kind);
    setAvRadiosEnabled(forcesVideo);
    if (forcesVideo)
        checkAvRadio(1);
}

void MainWindow::onAvModeClicked(int mode) {
    m_session.setAvMode(mode);
}

void MainWindow::onMatrixIdActivated(int index) {
    // The address is the operator's choice for this run only; it is not saved.
    if (index >= 0 && index < kAddressEntries)
        m_session.setDeviceAddress(static_cast<std::uint8_t>(index + 1));
    else if (index == kAddressEntries)
        m_session.setDeviceAddress(kAddressForAll);
}

void MainWindow::onReadSwitchClicked() {
    m_session.readSwitchState();
}

void MainWindow::onReadDeviceClicked() {
    // The identity is asked of every device. The answer of the device "Matrix ID" names shows
    // as any reply does; one from another address is shown too, since it says which it is.
    m_session.readIdentity([this](const OperationResult& result) {
        const std::uint8_t address = m_session.deviceAddress();
        if (result.outcome != Outcome::Confirmed || !result.identity || !result.answeredBy ||
            *result.answeredBy == address || *result.answeredBy == kBroadcastAddress)
            return;
        const DeviceIdentity& id = *result.identity;
        showMessage(identityText(id.type, id.address, static_cast<std::uint8_t>(id.inputs),
                                 static_cast<std::uint8_t>(id.outputs)));
    });
}

void MainWindow::onSaveClicked() {
    // Without a chosen scene nothing goes out: scene 0 could never be loaded again.
    const int index = m_saveCombo->currentIndex();
    if (index >= 0)
        m_session.saveScene(static_cast<std::uint8_t>(index + 1));
}

void MainWindow::onLoadClicked() {
    const int index = m_loadCombo->currentIndex();
    if (index >= 0)
        m_session.loadScene(static_cast<std::uint8_t>(index + 1));
}

void MainWindow::onCycleClicked() {
    if (!m_session.cycling()) {
        m_cycleButton->setText(QStringLiteral("End Cycle"));
        m_session.startCycling();
    } else {
        m_cycleButton->setText(QStringLiteral("Start Cycle"));
        m_session.stopCycling();
    }
    m_cycleButton->setAccessibleName(m_cycleButton->text());
}

void MainWindow::onSetupClicked() {
    // A new dialog at every press; input properties reports reach it while it is open.
    SetupDialog dialog(m_session.deviceAddress(), *this, this);
    m_setupDialog = &dialog;
    dialog.exec();
}

void MainWindow::onNetworkSettingClicked() {
    NetworkSettingDialog dialog(*this, this);
    dialog.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    // A dialog closes on Escape; this window is the program, and a stray key must not end it.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* e) {
    // Stands in for the About entry of the window's system menu.
    QMenu menu(this);
    menu.addAction(QStringLiteral("Traffic..."), this, &MainWindow::showTraffic);
    menu.addAction(QStringLiteral("Save crosspoints..."), this, &MainWindow::saveCrosspoints);
    menu.addAction(QStringLiteral("Restore crosspoints..."), this, &MainWindow::restoreCrosspoints);
    menu.addAction(QStringLiteral("About Brisvane..."), this, &MainWindow::showAbout);
    menu.exec(e->globalPos());
}

void MainWindow::showAbout() {
    AboutDialog about(QString::fromStdString(m_session.settingsFile().path()), this);
    about.exec();
}

} // namespace controller
