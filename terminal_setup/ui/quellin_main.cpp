// Quellin: finds serial-to-Ethernet terminals and sets their network parameters.
// The list window is still being written; until then the program only starts and ends.

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
