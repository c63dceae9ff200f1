#include "terminal_setup/ui/interface_combo_box.h"

namespace terminal_setup {

void InterfaceComboBox::showPopup() {
    emit popupAboutToShow();
    QComboBox::showPopup();
}

} // namespace terminal_setup
