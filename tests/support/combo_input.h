#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QWheelEvent>

namespace test_support {

// Mouse wheel notches over `w` (down for a positive count).
inline void turnWheel(QWidget* w, int notches) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// As an operator does: opens the list of the shown `combo`, highlights `index`, presses Return.
inline void chooseFromList(QComboBox* combo, int index) {
    combo->showPopup();
    combo->view()->setCurrentIndex(combo->model()->index(index, combo->modelColumn()));
    QTest::keyClick(combo->view(), Qt::Key_Return);
}

} // namespace test_support
