#pragma once

#include <QComboBox>

namespace widgets {

// A drop-down list for choices that have effects (reopening a port, sending a frame):
//  - the mouse wheel changes it only while it has the keyboard focus; a wheel turned over it on
//    the way to somewhere else goes on to its parent (which may scroll), and it takes no focus
//    from the wheel;
//  - `picked` reports the operator's choice only when it changes the selection: choosing the
//    entry already selected from the list emits `activated` but not `picked`.
// Selections the program makes with setCurrentIndex emit neither.
class ChoiceComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit ChoiceComboBox(QWidget* parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void picked(int index);

protected:
    void wheelEvent(QWheelEvent* e) override;

private:
    void onActivated(int index);

    static constexpr int kNoPopup = -2;
    // The selection when the list was last opened, until a choice from it has been handled.
    int m_indexAtPopup = kNoPopup;
};

} // namespace widgets
