#pragma once

#include "controller/ui/device_setup_host.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;

namespace widgets {
class ChoiceComboBox;
}

namespace controller {

class CommandFrame;

// Brisvane's "Setup" dialog: changes the matrix switcher's own configuration (baud rate, address,
// cycle scenes and interval) and the video properties of its outputs and inputs. Every action
// sends one request through the host's links; the only thing read back is the input properties
// report, which the main window forwards as an InputPropertiesEvent (UM_INPUT_PROPERTIES) while
// the dialog is open. Created anew for every press of "Setup" and run with exec().
//
// Controls by objectName (template id in brackets):
//   baudList [1006], baudModify [1001]             "Baud change to："
//   newAddressEdit [1017], addressModify [1002]     "ID change to："
//   scene01 .. scene16 [1019..1034], intervalEdit [1035], setTime [1036], setScenes [1003]
//                                                   "AutoSwitch Setup"
//   inputChannelList [1052], readInput [1057], adcButton [1054], edidList [1055],
//   cropList [1056], aspectRatioList [1053]         "Input Video Properties"
//   outputChannelList [1050], resetAll [1051], brightnessSlider [1047], brightnessSet [1005],
//   contrastSlider [1048], contrastSet [1007], saturationSlider [1049], saturationSet [1008]
//                                                   "Output Video Properties"
//   exitButton [1]                                  "Exit", the default button
// The group boxes are baudGroup, addressGroup, autoSwitchGroup, inputGroup and outputGroup.
class SetupDialog : public QDialog {
    Q_OBJECT

public:
    // Runs the opening steps at once, including the read of input channel 0, so the report can
    // only come back once the caller's exec() runs the event loop.
    SetupDialog(std::uint8_t deviceAddress, DeviceSetupHost& host, QWidget* parent = nullptr);

    // Track-bar range and the centre every slider starts from and returns to on "Reset All".
    static constexpr int kSliderMin = 1;
    static constexpr int kSliderMax = 254;
    static constexpr int kSliderCentre = 128;

protected:
    void customEvent(QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void runOpeningSteps();

    // Handlers of the operator's actions.
    void changeBaud();
    void changeAddress();
    void setCycleScenes();
    void setCycleInterval();
    void resetOutput();
    void setOutputProperty(std::uint8_t property, const QSlider* slider);
    void sendInputProperty(std::uint8_t property, std::uint8_t value);
    void selectInputChannel();
    void exitWithValidation();

    // The report's data bytes from frame offset 4 on; a short report is used only as far as it
    // goes.
    void applyInputProperties(const std::vector<std::uint8_t>& data);

    void resetSliders();
    void sendFrameOf(const CommandFrame& frame);

    DeviceSetupHost& m_host;
    const std::uint8_t m_address;
    unsigned m_newAddress = 1;
    unsigned m_interval = 0;

    widgets::ChoiceComboBox* m_baudList = nullptr;
    QPushButton* m_baudModify = nullptr;
    QLineEdit* m_newAddressEdit = nullptr;
    QPushButton* m_addressModify = nullptr;
    std::array<QCheckBox*, 16> m_sceneBoxes{};
    QLineEdit* m_intervalEdit = nullptr;
    QPushButton* m_setTime = nullptr;
    QPushButton* m_setScenes = nullptr;

    widgets::ChoiceComboBox* m_inputChannelList = nullptr;
    QPushButton* m_readInput = nullptr;
    QPushButton* m_adc = nullptr;
    widgets::ChoiceComboBox* m_edidList = nullptr;
    widgets::ChoiceComboBox* m_cropList = nullptr;
    widgets::ChoiceComboBox* m_aspectRatioList = nullptr;

    QGroupBox* m_outputGroup = nullptr;
    widgets::ChoiceComboBox* m_outputChannelList = nullptr;
    QPushButton* m_resetAll = nullptr;
    QSlider* m_brightness = nullptr;
    QPushButton* m_brightnessSet = nullptr;
    QSlider* m_contrast = nullptr;
    QPushButton* m_contrastSet = nullptr;
    QSlider* m_saturation = nullptr;
    QPushButton* m_saturationSet = nullptr;

    QPushButton* m_exit = nullptr;
};

} // namespace controller
