#include "controller/link/system_serial_ports.h"
#include "controller/ui/main_window.h"
#include "controller/ui/program_prompts.h"
#include "platform/qt/settings_location.h"
#include "widgets/resource_icons.h"

#include <QApplication>
#include <QEvent>
#include <QNetworkProxy>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// Two hooks for the demo and the timing scripts; an operator never sets them.
//   BRISVANE_SCREENSHOT=path  saves the window to path once the first switch-state reply has
//                             been applied, then ends the program.
//   BRISVANE_FIRST_PAINT=1    prints "first-paint <ns>" (CLOCK_REALTIME) when the window has
//                             painted for the first time, then ends the program.
class FirstPaintReporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            // After this paint has been handled.
            QTimer::singleShot(0, watched, [watched] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("first-paint %lld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                static_cast<QDialog*>(watched)->done(0);
            });
        }
        return false;
    }

private:
    bool m_reported = false;
};

constexpr int kShotTaken = 100;
constexpr int kShotFailed = 101;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisvane"));
    // Datagrams to the matrix never go through a proxy, and asking the system for one before the
    // first socket is bound costs a helper thread and milliseconds of the window's start.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    widgets::initResources();

    controller::ProgramPrompts prompts;
    const QString settingsFolder =
        platform::resolveSettingsLocation(QCoreApplication::applicationDirPath(),
                                          QStringLiteral("Setting.ini"))
            .folder;
    controller::MainWindow window(settingsFolder, prompts, {controller::systemSerialPorts, {}});
    prompts.setOwner(&window);

    const QString screenshot = qEnvironmentVariable("BRISVANE_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        window.setReadBackObserver([&window, screenshot] {
            window.setReadBackObserver({});
            const bool saved = window.grab().save(screenshot);
            std::fprintf(stderr, saved ? "screenshot saved to %s\n" : "cannot save %s\n",
                         qPrintable(screenshot));
            window.done(saved ? kShotTaken : kShotFailed);
        });
    }
    FirstPaintReporter reporter;
    if (qEnvironmentVariableIsSet("BRISVANE_FIRST_PAINT"))
        window.installEventFilter(&reporter);

    // The program ends when its window closes.
    return window.exec() == kShotFailed ? 1 : 0;
}
