#pragma once

#include <QComboBox>

namespace terminal_setup {

// The list of network interfaces. It says when it is about to open, so that its owner can list
// what is there now: a card plugged in or switched on since the last look.
class InterfaceComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void popupAboutToShow();
};

} // namespace terminal_setup
