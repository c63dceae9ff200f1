#pragma once

#include <QObject>

class QDialog;

namespace widgets {

// A hook for timing scripts and the package check, which start a program and need it to end by
// itself: when the environment variable named at construction is set, the dialog prints
// "first-paint <ns>" (CLOCK_REALTIME) on standard output once it has painted for the first time,
// then closes with result 0. Without the variable it does nothing; an operator never sets it.
class FirstPaintExit : public QObject {
public:
    FirstPaintExit(QDialog& window, const char* variable);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDialog& m_window;
    bool m_reported = false;
};

} // namespace widgets
