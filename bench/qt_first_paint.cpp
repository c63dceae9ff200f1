// Qt's own start, for the start-up benchmarks to set beside the programs': a QApplication whose
// one window shows nothing, or one caption, and ends after its first paint, printing
// "first-paint <ns>" (CLOCK_REALTIME) as the programs do when their timing hook is set.
//
//   QT_QPA_PLATFORM=offscreen build/bin/qt-first-paint [--size WxH] [caption]
//
// The window is 1010 × 720 pixels (Brisvane's) unless --size says otherwise. A caption is drawn
// in the application's font, so that its run includes the start of Qt's font system, and of its
// fallback to a CJK face when the caption holds full-width characters.

#include "widgets/first_paint_exit.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QRegularExpression>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSize size(1010, 720);
    QString caption;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        if (arguments[k] == QLatin1String("--size") && k + 1 < arguments.size()) {
            const auto match =
                QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(arguments[++k]);
            if (!match.hasMatch()) {
                std::fprintf(stderr, "--size takes WxH, for example 1010x720\n");
                return 2;
            }
            size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
        } else {
            caption = arguments[k];
        }
    }

    QDialog window;
    window.resize(size);
    if (!caption.isEmpty())
        (new QLabel(caption, &window))->move(10, 10);
    qputenv("QT_FIRST_PAINT", "1");
    widgets::FirstPaintExit firstPaint(window, "QT_FIRST_PAINT");
    return window.exec();
}
