// Quellin: finds serial-to-Ethernet terminals by multicast and sets their network parameters.

#include "platform/qt/settings_location.h"
#include "terminal_setup/ui/terminal_list_window.h"
#include "widgets/first_paint_exit.h"
#include "widgets/message_box_prompts.h"
#include "widgets/resource_icons.h"

#include <QApplication>
#include <QNetworkProxy>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quellin"));
    // Scans and writes go to terminals on the local network, never through a proxy; asking the
    // system for one before the group socket is bound costs a helper thread and milliseconds of
    // the window's start.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    widgets::initResources();
    widgets::MessageBoxPrompts prompts;
    const QString settingsFolder =
        platform::resolveSettingsLocation(QCoreApplication::applicationDirPath(),
                                          QStringLiteral("Quellin.ini"))
            .folder;
    terminal_setup::TerminalListWindow window(settingsFolder.toStdString(), prompts);
    prompts.setOwner(&window);
    widgets::FirstPaintExit firstPaint(window, "QUELLIN_FIRST_PAINT");
    window.exec();
    return 0;
}
