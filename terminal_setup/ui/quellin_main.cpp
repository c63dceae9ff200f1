// Quellin: finds serial-to-Ethernet terminals by multicast and sets their network parameters.

#include "terminal_setup/ui/terminal_list_window.h"
#include "widgets/first_paint_exit.h"
#include "widgets/message_box_prompts.h"
#include "widgets/resource_icons.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    widgets::initResources();
    widgets::MessageBoxPrompts prompts;
    terminal_setup::TerminalListWindow window(QCoreApplication::applicationDirPath().toStdString(),
                                              prompts);
    prompts.setOwner(&window);
    widgets::FirstPaintExit firstPaint(window, "QUELLIN_FIRST_PAINT");
    window.exec();
    return 0;
}
