#include "widgets/choice_combo_box.h"

#include <QTimer>
#include <QWheelEvent>

namespace widgets {

ChoiceComboBox::ChoiceComboBox(QWidget* parent) : QComboBox(parent) {
    // Tab and click, not the wheel (QComboBox's own default), give it the focus.
    setFocusPolicy(Qt::StrongFocus);
    // Connected first, so that `picked` is settled before anyone else hears of the choice.
    connect(this, &QComboBox::activated, this, &ChoiceComboBox::onActivated);
}

void ChoiceComboBox::showPopup() {
    m_indexAtPopup = currentIndex();
    QComboBox::showPopup();
}

void ChoiceComboBox::hidePopup() {
    QComboBox::hidePopup();
    // A choice from the list is reported while the list closes; a list closed without one must
    // not make a later change by keys look like a repeated choice.
    QTimer::singleShot(0, this, [this] { m_indexAtPopup = kNoPopup; });
}

void ChoiceComboBox::onActivated(int index) {
    // Keys and the wheel report only changes; a choice from the list reports any entry, and it
    // follows the list's opening.
    const bool repick = m_indexAtPopup != kNoPopup && index == m_indexAtPopup;
    m_indexAtPopup = kNoPopup;
    if (!repick)
        emit picked(index);
}

void ChoiceComboBox::wheelEvent(QWheelEvent* e) {
    if (!hasFocus()) {
        e->ignore();
        return;
    }
    QComboBox::wheelEvent(e);
}

} // namespace widgets
