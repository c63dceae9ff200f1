#include "controller/ui/setup_dialog.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/setup_lists.h"
#include "controller/protocol/setup_requests.h"
#include "controller/session/settings_file.h"
#include "controller/ui/input_properties_event.h"
#include "widgets/choice_combo_box.h"
#include "widgets/data_exchange.h"
#include "widgets/unsigned_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace controller {

namespace {

// Caption of the framework's validation prompts.
const std::string kProgramName = "Brisvane";

// The lowest and highest device address the "ID change to：" edit accepts.
constexpr unsigned kMinAddress = 1;
constexpr unsigned kMaxAddress = 8;

// The cycle interval the device accepts, and the value an entry outside it is replaced with.
constexpr unsigned kMinInterval = 3;
constexpr unsigned kMaxInterval = 255;

constexpr int kChannelCount = 32;

// Positions of the input properties report's data bytes (frame offset 4 on).
constexpr std::size_t kReportChannel = 0;
constexpr std::size_t kReportEdid = 3;
constexpr std::size_t kReportCrop = 4;
constexpr std::size_t kReportAspectRatio = 5;

template <std::size_t N>
void addEntries(QComboBox* list, const std::array<std::string_view, N>& entries) {
    for (std::string_view entry : entries)
        list->addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
}

widgets::ChoiceComboBox* channelList(const QString& objectName) {
    auto* list = new widgets::ChoiceComboBox;
    list->setObjectName(objectName);
    for (int i = 1; i <= kChannelCount; ++i)
        list->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    list->setAccessibleName(QStringLiteral("Select Channel"));
    return list;
}

QPushButton* button(const QString& caption, const QString& objectName,
                    const QString& description = {}) {
    auto* b = new QPushButton(caption);
    b->setObjectName(objectName);
    b->setAccessibleName(caption);
    if (!description.isEmpty())
        b->setAccessibleDescription(description);
    return b;
}

// A caption beside a control, tied to it so that assistive tools read the caption as its name.
QLabel* labelFor(const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    control->setAccessibleName(caption);
    return label;
}

QSlider* propertySlider(const QString& objectName) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(objectName);
    slider->setMinimumWidth(220);
    return slider;
}

} // namespace

SetupDialog::SetupDialog(std::uint8_t deviceAddress, DeviceSetupHost& host, QWidget* parent)
    : QDialog(parent), m_host(host), m_address(deviceAddress) {
    buildControls();
    connectHandlers();
    runOpeningSteps();
}

void SetupDialog::buildControls() {
    setWindowTitle(QStringLiteral("Setup"));
    setAccessibleName(QStringLiteral("Setup"));

    // Baud and address side by side.
    auto* baudGroup = new QGroupBox(QStringLiteral("Baud change to："));
    baudGroup->setObjectName(QStringLiteral("baudGroup"));
    m_baudList = new widgets::ChoiceComboBox;
    m_baudList->setObjectName(QStringLiteral("baudList"));
    m_baudList->setAccessibleName(QStringLiteral("Baud change to："));
    addEntries(m_baudList, kSetupBaudEntries);
    m_baudModify = button(QStringLiteral("Modify"), QStringLiteral("baudModify"),
                          QStringLiteral("Change the device's baud rate"));
    auto* baudRow = new QHBoxLayout(baudGroup);
    baudRow->addWidget(m_baudList, 1);
    baudRow->addWidget(m_baudModify);

    auto* addressGroup = new QGroupBox(QStringLiteral("ID change to："));
    addressGroup->setObjectName(QStringLiteral("addressGroup"));
    m_newAddressEdit = new QLineEdit;
    m_newAddressEdit->setObjectName(QStringLiteral("newAddressEdit"));
    m_newAddressEdit->setAccessibleName(QStringLiteral("ID change to："));
    m_addressModify = button(QStringLiteral("Modify"), QStringLiteral("addressModify"),
                             QStringLiteral("Change the device's address"));
    auto* addressRow = new QHBoxLayout(addressGroup);
    addressRow->addWidget(m_newAddressEdit, 1);
    addressRow->addWidget(m_addressModify);

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(baudGroup, 1);
    topRow->addWidget(addressGroup, 1);

    // Cycle scenes in two rows of eight, then the interval.
    auto* autoSwitchGroup = new QGroupBox(QStringLiteral("AutoSwitch Setup"));
    autoSwitchGroup->setObjectName(QStringLiteral("autoSwitchGroup"));
    auto* autoSwitch = new QGridLayout(autoSwitchGroup);
    for (int i = 0; i < 16; ++i) {
        const QString caption = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        auto* box = new QCheckBox(caption);
        box->setObjectName(QStringLiteral("scene") + caption);
        box->setAccessibleName(caption);
        box->setAccessibleDescription(QStringLiteral("Scene %1 takes part in cycling").arg(i + 1));
        m_sceneBoxes[static_cast<std::size_t>(i)] = box;
        autoSwitch->addWidget(box, i / 8, i % 8);
    }
    m_intervalEdit = new QLineEdit;
    m_intervalEdit->setObjectName(QStringLiteral("intervalEdit"));
    m_setTime = button(QStringLiteral("Set time"), QStringLiteral("setTime"),
                       QStringLiteral("Send the cycle interval"));
    m_setScenes = button(QStringLiteral("Set"), QStringLiteral("setScenes"),
                         QStringLiteral("Send the cycle scenes"));
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(labelFor(QStringLiteral("Scene interval："), m_intervalEdit));
    intervalRow->addWidget(m_intervalEdit);
    intervalRow->addWidget(m_setTime);
    intervalRow->addStretch(1);
    intervalRow->addWidget(m_setScenes);
    autoSwitch->addLayout(intervalRow, 2, 0, 1, 8);

    // Input video properties.
    auto* inputGroup = new QGroupBox(QStringLiteral("Input Video Properties"));
    inputGroup->setObjectName(QStringLiteral("inputGroup"));
    m_inputChannelList = channelList(QStringLiteral("inputChannelList"));
    m_inputChannelList->setAccessibleDescription(QStringLiteral("Input channel"));
    m_readInput = button(QStringLiteral("Read"), QStringLiteral("readInput"),
                         QStringLiteral("Read the input's properties"));
    m_adc = button(QStringLiteral("ADC"), QStringLiteral("adcButton"),
                   QStringLiteral("Automatic analogue-to-digital adjustment"));
    m_edidList = new widgets::ChoiceComboBox;
    m_edidList->setObjectName(QStringLiteral("edidList"));
    addEntries(m_edidList, kEdidEntries);
    m_cropList = new widgets::ChoiceComboBox;
    m_cropList->setObjectName(QStringLiteral("cropList"));
    addEntries(m_cropList, kCropEntries);
    m_aspectRatioList = new widgets::ChoiceComboBox;
    m_aspectRatioList->setObjectName(QStringLiteral("aspectRatioList"));
    addEntries(m_aspectRatioList, kAspectRatioEntries);
    auto* input = new QGridLayout(inputGroup);
    input->addWidget(labelFor(QStringLiteral("Select Channel"), m_inputChannelList), 0, 0);
    input->addWidget(m_inputChannelList, 0, 1);
    input->addWidget(m_readInput, 0, 2);
    input->addWidget(m_adc, 0, 3);
    input->addWidget(labelFor(QStringLiteral("EDID:"), m_edidList), 1, 0);
    input->addWidget(m_edidList, 1, 1);
    input->addWidget(labelFor(QStringLiteral("Crop:"), m_cropList), 1, 2);
    input->addWidget(m_cropList, 1, 3);
    input->addWidget(labelFor(QStringLiteral("AspectRatio:"), m_aspectRatioList), 1, 4);
    input->addWidget(m_aspectRatioList, 1, 5);
    input->setColumnStretch(1, 1);
    input->setColumnStretch(5, 1);

    // Output video properties.
    m_outputGroup = new QGroupBox(QStringLiteral("Output Video Properties"));
    m_outputGroup->setObjectName(QStringLiteral("outputGroup"));
    m_outputChannelList = channelList(QStringLiteral("outputChannelList"));
    m_outputChannelList->setAccessibleDescription(QStringLiteral("Output channel"));
    m_resetAll = button(QStringLiteral("Reset All"), QStringLiteral("resetAll"),
                        QStringLiteral("Reset brightness, contrast and saturation of the output"));
    m_brightness = propertySlider(QStringLiteral("brightnessSlider"));
    m_brightnessSet = button(QStringLiteral("Set"), QStringLiteral("brightnessSet"),
                             QStringLiteral("Send the brightness"));
    m_contrast = propertySlider(QStringLiteral("contrastSlider"));
    m_contrastSet = button(QStringLiteral("Set"), QStringLiteral("contrastSet"),
                           QStringLiteral("Send the contrast"));
    m_saturation = propertySlider(QStringLiteral("saturationSlider"));
    m_saturationSet = button(QStringLiteral("Set"), QStringLiteral("saturationSet"),
                             QStringLiteral("Send the saturation"));
    auto* output = new QGridLayout(m_outputGroup);
    output->addWidget(labelFor(QStringLiteral("Select Channel"), m_outputChannelList), 0, 0);
    auto* outputChannelRow = new QHBoxLayout;
    outputChannelRow->addWidget(m_outputChannelList);
    outputChannelRow->addStretch(1);
    output->addLayout(outputChannelRow, 0, 1);
    output->addWidget(m_resetAll, 0, 2);
    output->addWidget(labelFor(QStringLiteral("Brightness"), m_brightness), 1, 0);
    output->addWidget(m_brightness, 1, 1);
    output->addWidget(m_brightnessSet, 1, 2);
    output->addWidget(labelFor(QStringLiteral("Contrast"), m_contrast), 2, 0);
    output->addWidget(m_contrast, 2, 1);
    output->addWidget(m_contrastSet, 2, 2);
    output->addWidget(labelFor(QStringLiteral("Saturation"), m_saturation), 3, 0);
    output->addWidget(m_saturation, 3, 1);
    output->addWidget(m_saturationSet, 3, 2);
    output->setColumnStretch(1, 1);

    m_exit = new QPushButton(QStringLiteral("Exit"));
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setAccessibleName(QStringLiteral("Exit"));
    m_exit->setDefault(true);
    auto* exitRow = new QHBoxLayout;
    exitRow->addStretch(1);
    exitRow->addWidget(m_exit);

    auto* page = new QVBoxLayout(this);
    page->addLayout(topRow);
    page->addWidget(autoSwitchGroup);
    page->addWidget(inputGroup);
    page->addWidget(m_outputGroup);
    page->addLayout(exitRow);
}

// Only the operator's actions send: picked() and clicked() are not emitted when the dialog
// itself selects entries (opening, a report filling the lists), and choosing the entry a list
// shows already sends nothing either.
void SetupDialog::connectHandlers() {
    connect(m_baudModify, &QPushButton::clicked, this, &SetupDialog::changeBaud);
    connect(m_addressModify, &QPushButton::clicked, this, &SetupDialog::changeAddress);
    connect(m_setScenes, &QPushButton::clicked, this, &SetupDialog::setCycleScenes);
    connect(m_setTime, &QPushButton::clicked, this, &SetupDialog::setCycleInterval);
    connect(m_resetAll, &QPushButton::clicked, this, &SetupDialog::resetOutput);
    connect(m_brightnessSet, &QPushButton::clicked, this,
            [this] { setOutputProperty(output_property::kBrightness, m_brightness); });
    connect(m_contrastSet, &QPushButton::clicked, this,
            [this] { setOutputProperty(output_property::kContrast, m_contrast); });
    connect(m_saturationSet, &QPushButton::clicked, this,
            [this] { setOutputProperty(output_property::kSaturation, m_saturation); });
    connect(m_edidList, &widgets::ChoiceComboBox::picked, this, [this](int index) {
        sendInputProperty(input_property::kEdid, static_cast<std::uint8_t>(index));
    });
    connect(m_cropList, &widgets::ChoiceComboBox::picked, this, [this](int index) {
        sendInputProperty(input_property::kCrop, static_cast<std::uint8_t>(index));
    });
    connect(m_aspectRatioList, &widgets::ChoiceComboBox::picked, this, [this](int index) {
        sendInputProperty(input_property::kAspectRatio, static_cast<std::uint8_t>(index));
    });
    connect(m_adc, &QPushButton::clicked, this,
            [this] { sendInputProperty(input_property::kAdc, 0); });
    connect(m_readInput, &QPushButton::clicked, this,
            [this] { sendInputProperty(input_property::kRead, input_property::kReadValue); });
    connect(m_inputChannelList, &widgets::ChoiceComboBox::picked, this,
            &SetupDialog::selectInputChannel);
    connect(m_exit, &QPushButton::clicked, this, &SetupDialog::exitWithValidation);
}

void SetupDialog::runOpeningSteps() {
    const ControllerSettings& settings = m_host.settings();

    m_baudList->setCurrentIndex(0);
    // The edit shows the stored value as the unsigned number the device would be sent.
    m_interval = static_cast<unsigned>(settings.idleTime);
    for (std::size_t i = 0; i < m_sceneBoxes.size(); ++i)
        m_sceneBoxes[i]->setChecked((static_cast<std::uint32_t>(settings.sceneRun) >> i) & 1U);
    resetSliders();

    const bool videoProperties = hasVideoProperties(settings.matrixType);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_brightness, m_contrast, m_saturation, m_brightnessSet,
                                         m_contrastSet, m_saturationSet, m_resetAll})
        control->setEnabled(videoProperties);

    m_inputChannelList->setCurrentIndex(0);
    m_outputChannelList->setCurrentIndex(0);
    m_edidList->setCurrentIndex(-1);
    m_cropList->setCurrentIndex(-1);
    m_aspectRatioList->setCurrentIndex(-1);

    m_newAddress = kMinAddress;
    m_newAddressEdit->setText(QString::number(m_newAddress));
    m_intervalEdit->setText(QString::number(m_interval));

    m_host.sendInputProperty(input_property::kRead, input_property::kReadValue, 0);
}

void SetupDialog::sendFrameOf(const CommandFrame& frame) {
    m_host.sendFrame(frame.toVector(), frame.route() == LinkRoute::SerialOnly);
}

void SetupDialog::changeBaud() {
    const int code = m_baudList->currentIndex();
    if (code < 0)
        return;
    sendFrameOf(changeBaudRequest(m_address, static_cast<std::uint8_t>(code)));
}

// An address outside 1..8 would go to every device on the line (the request is broadcast), so
// it is refused with the range prompt rather than replaced by a value nobody typed.
void SetupDialog::changeAddress() {
    const auto value = widgets::parseUnsignedField(m_newAddressEdit->text().toStdString());
    if (!value || !widgets::isInRange(*value, kMinAddress, kMaxAddress)) {
        widgets::rejectField(m_newAddressEdit, m_host.prompts(), kProgramName,
                             widgets::outOfRangePrompt(kMinAddress, kMaxAddress));
        return;
    }
    m_newAddress = *value;
    sendFrameOf(changeAddressRequest(static_cast<std::uint8_t>(m_newAddress)));
}

void SetupDialog::setCycleScenes() {
    std::uint16_t mask = 0;
    for (std::size_t i = 0; i < m_sceneBoxes.size(); ++i)
        if (m_sceneBoxes[i]->isChecked())
            mask = static_cast<std::uint16_t>(mask | (1U << i));
    m_host.setCycleScenes(mask);
    sendFrameOf(cycleScenesRequest(m_address, mask));
}

void SetupDialog::setCycleInterval() {
    const auto typed = widgets::parseUnsignedField(m_intervalEdit->text().toStdString());
    if (typed && widgets::isInRange(*typed, kMinInterval, kMaxInterval)) {
        m_interval = *typed;
    } else {
        m_interval = kMinInterval;
        m_intervalEdit->setText(QString::number(m_interval));
    }
    m_host.setCycleInterval(static_cast<int>(m_interval));
    sendFrameOf(cycleIntervalRequest(m_address, static_cast<std::uint8_t>(m_interval)));
}

void SetupDialog::resetSliders() {
    for (QSlider* slider : {m_brightness, m_contrast, m_saturation}) {
        slider->setRange(kSliderMin, kSliderMax);
        slider->setValue(kSliderCentre);
    }
}

void SetupDialog::resetOutput() {
    const int channel = m_outputChannelList->currentIndex();
    if (channel >= 0)
        m_host.sendOutputVideoProperty(output_property::kResetAll, 0,
                                       static_cast<std::uint8_t>(channel));
    resetSliders();
}

void SetupDialog::setOutputProperty(std::uint8_t property, const QSlider* slider) {
    const int channel = m_outputChannelList->currentIndex();
    if (channel < 0)
        return;
    m_host.sendOutputVideoProperty(property, static_cast<std::uint8_t>(slider->value()),
                                   static_cast<std::uint8_t>(channel));
}

void SetupDialog::sendInputProperty(std::uint8_t property, std::uint8_t value) {
    const int channel = m_inputChannelList->currentIndex();
    if (channel < 0)
        return;
    m_host.sendInputProperty(property, value, static_cast<std::uint8_t>(channel));
}

// The lists show the previous channel's values until the device answers for the new one.
void SetupDialog::selectInputChannel() {
    sendInputProperty(input_property::kRead, input_property::kReadValue);
    m_edidList->setCurrentIndex(-1);
    m_cropList->setCurrentIndex(-1);
    m_aspectRatioList->setCurrentIndex(-1);
}

void SetupDialog::customEvent(QEvent* event) {
    if (event->type() == InputPropertiesEvent::eventType()) {
        if (const auto* report = dynamic_cast<const InputPropertiesEvent*>(event))
            applyInputProperties(report->data());
        return;
    }
    QDialog::customEvent(event);
}

void SetupDialog::applyInputProperties(const std::vector<std::uint8_t>& data) {
    const int channel = m_inputChannelList->currentIndex();
    if (data.size() <= kReportChannel || channel < 0 || data[kReportChannel] != channel)
        return;
    // Each value is checked on its own: one the list does not have leaves only that list as it
    // was.
    const auto apply = [&data](std::size_t at, QComboBox* list) {
        if (data.size() > at && data[at] < list->count())
            list->setCurrentIndex(data[at]);
    };
    apply(kReportEdid, m_edidList);
    apply(kReportCrop, m_cropList);
    apply(kReportAspectRatio, m_aspectRatioList);
}

void SetupDialog::exitWithValidation() {
    const auto address = widgets::exchangeUnsignedInRange(m_newAddressEdit, m_host.prompts(),
                                                          kProgramName, kMinAddress, kMaxAddress);
    if (!address)
        return;
    const auto interval = widgets::exchangeUnsigned(m_intervalEdit, m_host.prompts(), kProgramName);
    if (!interval)
        return;
    m_newAddress = *address;
    m_interval = *interval;
    accept();
}

} // namespace controller
