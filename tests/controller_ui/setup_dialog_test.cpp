#include "controller/ui/input_properties_event.h"
#include "controller/ui/setup_dialog.h"
#include "tests/controller_ui/recording_setup_host.h"
#include "tests/support/combo_input.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using controller::InputPropertiesEvent;
using controller::SetupDialog;
using test_support::caseName;
using test_support::chooseEntry;
using test_support::RecordingSetupHost;

namespace {

using Calls = std::vector<std::string>;

constexpr const char* kRangeOneToEight = "“请填入一个在1和8之间的整数。”";
constexpr const char* kNotANumber = "“请填入一个正整数。”";

constexpr int kHybrid = 5;
constexpr int kHdmi = 3;

class SetupDialogTest : public ::testing::Test {
protected:
    // Opens the dialog for device `address` and forgets the read it sends on opening, so each
    // test sees only what its own actions send.
    void open(std::uint8_t address = 1, bool keepOpeningCalls = false) {
        dialog = std::make_unique<SetupDialog>(address, host);
        if (!keepOpeningCalls)
            host.calls.clear();
    }

    template <typename T>
    T* find(const char* name) {
        T* control = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    void deliverReport(std::vector<std::uint8_t> data) {
        InputPropertiesEvent event(std::move(data));
        QCoreApplication::sendEvent(dialog.get(), &event);
    }

    int selected(const char* list) { return find<QComboBox>(list)->currentIndex(); }

    RecordingSetupHost host;
    std::unique_ptr<SetupDialog> dialog;
};

TEST_F(SetupDialogTest, OpeningOnNonHybridMatrixGreysOutputGroupAndReadsInputZeroAtOnce) {
    host.values.matrixType = kHdmi;
    open(1, true);

    EXPECT_EQ(host.calls, Calls({"input 11 FF 00"}));
    for (const char* name : {"brightnessSlider", "contrastSlider", "saturationSlider"})
        EXPECT_FALSE(find<QSlider>(name)->isEnabled()) << name;
    for (const char* name : {"brightnessSet", "contrastSet", "saturationSet", "resetAll"})
        EXPECT_FALSE(find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(find<QComboBox>("outputChannelList")->isEnabled());
    for (const char* name : {"inputChannelList", "edidList", "cropList", "aspectRatioList"})
        EXPECT_TRUE(find<QComboBox>(name)->isEnabled()) << name;
    for (const char* name : {"readInput", "adcButton"})
        EXPECT_TRUE(find<QPushButton>(name)->isEnabled()) << name;
}

TEST_F(SetupDialogTest, OpeningShowsStartValuesAndTheStoredCycleSettings) {
    host.values.matrixType = kHybrid;
    host.values.idleTime = 42;
    host.values.sceneRun = 0x8102; // scenes 2, 9 and 16
    open();

    EXPECT_EQ(dialog->windowTitle(), "Setup");
    auto* baud = find<QComboBox>("baudList");
    ASSERT_EQ(baud->count(), 4);
    EXPECT_EQ(baud->itemText(0), "9600");
    EXPECT_EQ(baud->itemText(3), "19200");
    EXPECT_EQ(baud->currentIndex(), 0);
    EXPECT_EQ(find<QLineEdit>("newAddressEdit")->text(), "1");
    EXPECT_EQ(find<QLineEdit>("intervalEdit")->text(), "42");
    for (int scene = 1; scene <= 16; ++scene) {
        const QString name = QStringLiteral("scene%1").arg(scene, 2, 10, QLatin1Char('0'));
        auto* box = dialog->findChild<QCheckBox*>(name);
        ASSERT_NE(box, nullptr) << scene;
        EXPECT_EQ(box->text(), name.mid(5));
        EXPECT_EQ(box->isChecked(), scene == 2 || scene == 9 || scene == 16) << scene;
    }
    for (const char* name : {"brightnessSlider", "contrastSlider", "saturationSlider"}) {
        auto* slider = find<QSlider>(name);
        EXPECT_TRUE(slider->isEnabled()) << name;
        EXPECT_EQ(slider->minimum(), 1) << name;
        EXPECT_EQ(slider->maximum(), 254) << name;
        EXPECT_EQ(slider->value(), 128) << name;
    }
    for (const char* name : {"inputChannelList", "outputChannelList"}) {
        auto* list = find<QComboBox>(name);
        ASSERT_EQ(list->count(), 32) << name;
        EXPECT_EQ(list->itemText(0), "01") << name;
        EXPECT_EQ(list->itemText(31), "32") << name;
        EXPECT_EQ(list->currentIndex(), 0) << name;
    }
    EXPECT_EQ(find<QComboBox>("edidList")->count(), 19);
    EXPECT_EQ(find<QComboBox>("edidList")->itemText(18), "1920x1200");
    EXPECT_EQ(find<QComboBox>("cropList")->itemText(1), "YES");
    EXPECT_EQ(find<QComboBox>("aspectRatioList")->itemText(5), "14x9");
    for (const char* name : {"edidList", "cropList", "aspectRatioList"})
        EXPECT_EQ(selected(name), -1) << name;
    EXPECT_TRUE(find<QPushButton>("exitButton")->isDefault());
}

TEST_F(SetupDialogTest, EveryControlCarriesAnAccessibleName) {
    open();
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QCheckBox*>(control) || qobject_cast<QSlider*>(control) ||
            qobject_cast<QLineEdit*>(control)) {
            if (control->parent() && qobject_cast<QComboBox*>(control->parent()))
                continue; // a list's own inner parts
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }
}

struct IntervalCase {
    const char* typed;
    const char* shown;
    int stored;
    const char* frame;
};

void PrintTo(const IntervalCase& c, std::ostream* os) {
    *os << '"' << c.typed << '"';
}

class SetTimeTest : public SetupDialogTest, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(SetTimeTest, StoresShowsAndSendsTheIntervalOrThreeWhenOutOfRange) {
    const IntervalCase& c = GetParam();
    open();
    find<QLineEdit>("intervalEdit")->setText(QString::fromUtf8(c.typed));
    click("setTime");

    EXPECT_EQ(find<QLineEdit>("intervalEdit")->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(host.values.idleTime, c.stored);
    EXPECT_EQ(host.calls, Calls({"save 6", c.frame}));
    EXPECT_NE(host.settingsFileBytes().find("IdleTime=" + std::to_string(c.stored)),
              std::string::npos);
    EXPECT_TRUE(host.recorder.prompts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, SetTimeTest,
    ::testing::Values(IntervalCase{"2", "3", 3, "frame BA 01 1B 03 00 03 DC"},
                      IntervalCase{"3", "3", 3, "frame BA 01 1B 03 00 03 DC"},
                      IntervalCase{"10", "10", 10, "frame BA 01 1B 03 00 0A E3"},
                      IntervalCase{"255", "255", 255, "frame BA 01 1B 03 00 FF D8"},
                      IntervalCase{"256", "3", 3, "frame BA 01 1B 03 00 03 DC"},
                      IntervalCase{"abc", "3", 3, "frame BA 01 1B 03 00 03 DC"},
                      IntervalCase{"", "3", 3, "frame BA 01 1B 03 00 03 DC"}),
    [](const auto& info) { return "Typed_" + caseName(info.param.typed); });

TEST_F(SetupDialogTest, SetStoresAndSendsTheSceneMaskOfTheCheckedBoxes) {
    open();
    find<QCheckBox>("scene01")->setChecked(true);
    find<QCheckBox>("scene16")->setChecked(true);
    click("setScenes");

    EXPECT_EQ(host.values.sceneRun, 0x8001);
    EXPECT_EQ(host.calls, Calls({"save 7", "frame BA 01 19 04 00 80 01 59"}));
    const std::string file = host.settingsFileBytes();
    EXPECT_NE(file.find("SceneRun=32769"), std::string::npos) << file;
    EXPECT_EQ(file.find("[Net]"), std::string::npos) << file;
}

TEST_F(SetupDialogTest, SetWithNoSceneCheckedSendsAnEmptyMaskAndClearsTheStoredOne) {
    host.values.sceneRun = 0x0101;
    open();
    find<QCheckBox>("scene01")->setChecked(false);
    find<QCheckBox>("scene09")->setChecked(false);
    click("setScenes");

    EXPECT_EQ(host.values.sceneRun, 0);
    EXPECT_EQ(host.calls, Calls({"save 7", "frame BA 01 19 04 00 00 00 D8"}));
}

TEST_F(SetupDialogTest, BaudModifySendsThePositionInItsOwnListOnTheSerialLinkOnly) {
    open(3);
    auto* baud = find<QComboBox>("baudList");
    EXPECT_EQ(baud->itemText(2), "2400");
    chooseEntry(baud, 2);
    EXPECT_TRUE(host.calls.empty()) << "choosing a rate sends nothing before Modify";
    click("baudModify");

    EXPECT_EQ(host.calls, Calls({"serial frame BA 03 18 03 00 02 DA"}));
}

TEST_F(SetupDialogTest, AddressModifySendsTheNewAddressToEveryDevice) {
    open(3);
    find<QLineEdit>("newAddressEdit")->setText("5");
    click("addressModify");

    EXPECT_EQ(host.calls, Calls({"frame BA FF 16 03 00 05 D7"}));
    EXPECT_TRUE(host.recorder.prompts.empty());
}

class AddressModifyRefusalTest : public SetupDialogTest,
                                 public ::testing::WithParamInterface<const char*> {};

// The request goes to every device on the line, so an address nobody typed must never go out.
TEST_P(AddressModifyRefusalTest, ShowsTheRangePromptFocusesTheEditAndSendsNothing) {
    open();
    auto* edit = find<QLineEdit>("newAddressEdit");
    edit->setText(QString::fromUtf8(GetParam()));
    click("addressModify");

    EXPECT_TRUE(host.calls.empty());
    ASSERT_EQ(host.recorder.prompts.size(), 1u);
    EXPECT_EQ(host.recorder.prompts[0], platform::Prompt::box("Brisvane", kRangeOneToEight,
                                                              platform::PromptIcon::Exclamation));
    EXPECT_EQ(dialog->focusWidget(), edit);
    EXPECT_EQ(edit->text(), QString::fromUtf8(GetParam())) << "the entry is left for correction";
}

INSTANTIATE_TEST_SUITE_P(Entries, AddressModifyRefusalTest,
                         ::testing::Values("9", "0", "abc", "", "-1", "4294967296"),
                         [](const auto& info) { return "Typed_" + caseName(info.param); });

struct ExitCase {
    const char* address;
    const char* interval;
    const char* prompt;          // nullptr: closes
    const char* focusedEditName; // where the focus goes after the prompt
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << '"' << c.address << "\", \"" << c.interval << '"';
}

class ExitTest : public SetupDialogTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitTest, ValidatesBothEditsInOrderAndStaysOpenOnTheFirstFailure) {
    const ExitCase& c = GetParam();
    open();
    dialog->show();
    find<QLineEdit>("newAddressEdit")->setText(QString::fromUtf8(c.address));
    find<QLineEdit>("intervalEdit")->setText(QString::fromUtf8(c.interval));
    click("exitButton");

    EXPECT_TRUE(host.calls.empty()) << "Exit sends nothing";
    if (c.prompt == nullptr) {
        EXPECT_TRUE(host.recorder.prompts.empty());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        return;
    }
    ASSERT_EQ(host.recorder.texts(), std::vector<std::string>({c.prompt}));
    EXPECT_EQ(host.recorder.prompts[0].caption, "Brisvane");
    EXPECT_EQ(host.recorder.prompts[0].icon, platform::PromptIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->focusWidget(), find<QLineEdit>(c.focusedEditName));
}

INSTANTIATE_TEST_SUITE_P(Entries, ExitTest,
                         ::testing::Values(ExitCase{"9", "10", kRangeOneToEight, "newAddressEdit"},
                                           ExitCase{"0", "10", kRangeOneToEight, "newAddressEdit"},
                                           ExitCase{"abc", "10", kNotANumber, "newAddressEdit"},
                                           ExitCase{"9", "abc", kRangeOneToEight, "newAddressEdit"},
                                           ExitCase{"8", "x", kNotANumber, "intervalEdit"},
                                           ExitCase{"1", "", kNotANumber, "intervalEdit"},
                                           // Exit checks only that the interval is a number; "Set
                                           // time" keeps the range.
                                           ExitCase{"8", "1000", nullptr, nullptr},
                                           ExitCase{" 1 ", "0", nullptr, nullptr}),
                         [](const auto& info) {
                             return "Address_" + caseName(info.param.address) + "_Interval_" +
                                    caseName(info.param.interval);
                         });

TEST_F(SetupDialogTest, EnterInAnEditRunsExitsChecks) {
    open();
    dialog->show();
    auto* edit = find<QLineEdit>("newAddressEdit");
    edit->setText("9");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);

    EXPECT_EQ(host.recorder.texts(), std::vector<std::string>({kRangeOneToEight}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SetupDialogTest, EscapeAndTheCloseBoxCloseWithoutCheckingTheEdits) {
    for (bool escape : {true, false}) {
        open();
        dialog->show();
        find<QLineEdit>("newAddressEdit")->setText("9");
        find<QLineEdit>("intervalEdit")->setText("abc");
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->close();

        EXPECT_FALSE(dialog->isVisible()) << escape;
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << escape;
        EXPECT_TRUE(host.recorder.prompts.empty()) << escape;
        EXPECT_TRUE(host.calls.empty()) << escape;
    }
}

TEST_F(SetupDialogTest, ReportForTheSelectedChannelFillsTheListsAndSendsNothing) {
    open();
    deliverReport({0x00, 0x77, 0x77, 13, 1, 4});

    EXPECT_EQ(selected("edidList"), 13);
    EXPECT_EQ(selected("cropList"), 1);
    EXPECT_EQ(selected("aspectRatioList"), 4);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SetupDialogTest, ReportForAnotherChannelIsIgnoredUntilThatChannelIsChosen) {
    open();
    chooseEntry(find<QComboBox>("inputChannelList"), 1); // "02"
    EXPECT_EQ(host.calls, Calls({"input 11 FF 01"}));

    deliverReport({0x03, 0, 0, 5, 1, 2});
    for (const char* name : {"edidList", "cropList", "aspectRatioList"})
        EXPECT_EQ(selected(name), -1) << name;

    deliverReport({0x01, 0, 0, 7, 0, 3});
    EXPECT_EQ(selected("edidList"), 7);

    // Choosing "04" asks for its properties and clears what "02" showed.
    chooseEntry(find<QComboBox>("inputChannelList"), 3);
    EXPECT_EQ(host.calls, Calls({"input 11 FF 01", "input 11 FF 03"}));
    for (const char* name : {"edidList", "cropList", "aspectRatioList"})
        EXPECT_EQ(selected(name), -1) << name;

    deliverReport({0x03, 0, 0, 5, 1, 2});
    EXPECT_EQ(selected("edidList"), 5);
    EXPECT_EQ(selected("cropList"), 1);
    EXPECT_EQ(selected("aspectRatioList"), 2);
    EXPECT_EQ(host.calls.size(), 2u);
}

struct ReportCase {
    const char* what;
    std::vector<std::uint8_t> data;
    int edid, crop, aspect; // expected selections; the lists start at 2, 0, 1
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.what;
}

class ReportValuesTest : public SetupDialogTest,
                         public ::testing::WithParamInterface<ReportCase> {};

// Each value is applied or refused on its own, and a short report is used only as far as it goes.
TEST_P(ReportValuesTest, AppliesEachValueTheListHasAndLeavesTheOthers) {
    const ReportCase& c = GetParam();
    open();
    deliverReport({0x00, 0, 0, 2, 0, 1});
    deliverReport(c.data);

    EXPECT_EQ(selected("edidList"), c.edid) << c.what;
    EXPECT_EQ(selected("cropList"), c.crop) << c.what;
    EXPECT_EQ(selected("aspectRatioList"), c.aspect) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportValuesTest,
    ::testing::Values(ReportCase{"EDID 19", {0, 0, 0, 19, 1, 5}, 2, 1, 5},
                      ReportCase{"EDID 18", {0, 0, 0, 18, 1, 5}, 18, 1, 5},
                      ReportCase{"crop 2", {0, 0, 0, 9, 2, 3}, 9, 0, 3},
                      ReportCase{"aspect 6", {0, 0, 0, 9, 1, 6}, 9, 1, 1},
                      ReportCase{"all out of range", {0, 0, 0, 0xFF, 0xFF, 0xFF}, 2, 0, 1},
                      ReportCase{"ends after EDID", {0, 0, 0, 11}, 11, 0, 1},
                      ReportCase{"ends after crop", {0, 0, 0, 11, 1}, 11, 1, 1},
                      ReportCase{"channel only", {0}, 2, 0, 1}, ReportCase{"empty", {}, 2, 0, 1},
                      ReportCase{"trailing bytes", {0, 0, 0, 4, 1, 0, 0x99, 0x98}, 4, 1, 0}),
    [](const auto& info) { return caseName(info.param.what); });

TEST_F(SetupDialogTest, InputPropertyControlsSendForTheSelectedInputChannel) {
    open();
    chooseEntry(find<QComboBox>("inputChannelList"), 31); // "32"
    host.calls.clear();

    chooseEntry(find<QComboBox>("edidList"), 18);
    chooseEntry(find<QComboBox>("cropList"), 1);
    chooseEntry(find<QComboBox>("aspectRatioList"), 5);
    click("adcButton");
    click("readInput");

    EXPECT_EQ(host.calls, Calls({"input 0C 12 1F", "input 0D 01 1F", "input 0E 05 1F",
                                 "input 0F 00 1F", "input 11 FF 1F"}));
}

// A wheel turned over a list without the focus, or the entry a list shows chosen again, sends
// nothing: no frame per notch, no second read of the same channel.
TEST_F(SetupDialogTest, PassingWheelsAndRepeatedChoicesSendNothing) {
    open();
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    find<QLineEdit>("intervalEdit")->setFocus();
    for (const char* list : {"edidList", "cropList", "aspectRatioList", "inputChannelList"}) {
        test_support::turnWheel(find<QComboBox>(list), 1);
        test_support::turnWheel(find<QComboBox>(list), -1);
    }
    test_support::chooseFromList(find<QComboBox>("inputChannelList"), 0);
    EXPECT_TRUE(host.calls.empty());

    test_support::chooseFromList(find<QComboBox>("edidList"), 4);
    test_support::chooseFromList(find<QComboBox>("edidList"), 4);
    EXPECT_EQ(host.calls, Calls({"input 0C 04 00"}));
}

TEST_F(SetupDialogTest, InputPropertyControlsSendNothingWithoutAnInputChannel) {
    open();
    find<QComboBox>("inputChannelList")->setCurrentIndex(-1);
    chooseEntry(find<QComboBox>("edidList"), 3);
    click("adcButton");
    click("readInput");

    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SetupDialogTest, OutputSetButtonsSendTheSliderPositionsAndMovingSendsNothing) {
    host.values.matrixType = kHybrid;
    open();
    chooseEntry(find<QComboBox>("outputChannelList"), 4); // "05"
    find<QSlider>("brightnessSlider")->setValue(1);
    find<QSlider>("contrastSlider")->setValue(200);
    find<QSlider>("saturationSlider")->setValue(254);
    EXPECT_TRUE(host.calls.empty());

    click("brightnessSet");
    click("contrastSet");
    click("saturationSet");

    EXPECT_EQ(host.calls, Calls({"output B1 01 04", "output B2 C8 04", "output B3 FE 04"}));
    EXPECT_EQ(selected("outputChannelList"), 4);
}

TEST_F(SetupDialogTest, ResetAllSendsForTheChannelAndCentresTheSliders) {
    host.values.matrixType = kHybrid;
    open();
    chooseEntry(find<QComboBox>("outputChannelList"), 1);
    find<QSlider>("brightnessSlider")->setValue(10);
    find<QSlider>("saturationSlider")->setValue(250);
    click("resetAll");

    EXPECT_EQ(host.calls, Calls({"output B4 00 01"}));
    for (const char* name : {"brightnessSlider", "contrastSlider", "saturationSlider"})
        EXPECT_EQ(find<QSlider>(name)->value(), 128) << name;
    EXPECT_EQ(selected("outputChannelList"), 1);
}

TEST_F(SetupDialogTest, ResetAllWithoutAChannelStillCentresTheSliders) {
    host.values.matrixType = kHybrid;
    open();
    find<QComboBox>("outputChannelList")->setCurrentIndex(-1);
    find<QSlider>("brightnessSlider")->setValue(10);
    find<QSlider>("contrastSlider")->setValue(20);
    click("resetAll");
    click("brightnessSet");

    EXPECT_TRUE(host.calls.empty());
    for (const char* name : {"brightnessSlider", "contrastSlider", "saturationSlider"})
        EXPECT_EQ(find<QSlider>(name)->value(), 128) << name;
}

TEST_F(SetupDialogTest, AForeignEventOfTheReportTypeIsIgnored) {
    open();
    QEvent stray(InputPropertiesEvent::eventType());
    QCoreApplication::sendEvent(dialog.get(), &stray);
    for (const char* name : {"edidList", "cropList", "aspectRatioList"})
        EXPECT_EQ(selected(name), -1) << name;
}

TEST(InputPropertiesEventTest, CopiesTheDataOfAWholeFrameAndNothingOfAShortOne) {
    const std::uint8_t frame[] = {0xBA, 0x01, 0x1E, 0x07, 0x02, 0x00, 0x00, 0x0D, 0x01, 0x03, 0xF5};
    const auto event = InputPropertiesEvent::fromFrame(frame, sizeof frame);
    EXPECT_EQ(event.type(), static_cast<QEvent::Type>(0x07E8));
    EXPECT_EQ(event.data(), std::vector<std::uint8_t>({0x02, 0x00, 0x00, 0x0D, 0x01, 0x03, 0xF5}));
    EXPECT_TRUE(InputPropertiesEvent::fromFrame(frame, 4).data().empty());
    EXPECT_TRUE(InputPropertiesEvent::fromFrame(nullptr, 11).data().empty());
}

} // namespace
