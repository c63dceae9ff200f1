#include "widgets/first_paint_exit.h"

#include <QCoreApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

constexpr const char* kVariable = "FIRST_PAINT_EXIT_TEST";
constexpr int kStillOpen = 99;

TEST(FirstPaintExitTest, endsTheDialogAfterItsFirstPaintOnlyWhenAsked) {
    qputenv(kVariable, "1");
    QDialog asked;
    widgets::FirstPaintExit hook(asked, kVariable);
    // A dialog that never paints would hold the test: close it with another result instead.
    QTimer::singleShot(std::chrono::seconds(20), &asked, [&asked] { asked.done(kStillOpen); });
    testing::internal::CaptureStdout();
    EXPECT_EQ(asked.exec(), 0);
    EXPECT_THAT(testing::internal::GetCapturedStdout(),
                testing::MatchesRegex("first-paint [0-9]+\n"));

    qunsetenv(kVariable);
    QDialog unasked;
    widgets::FirstPaintExit idle(unasked, kVariable);
    unasked.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&unasked));
    QCoreApplication::processEvents();
    EXPECT_TRUE(unasked.isVisible());
}

} // namespace
