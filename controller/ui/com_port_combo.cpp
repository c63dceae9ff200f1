#include "controller/ui/com_port_combo.h"

namespace controller {

void ComPortCombo::showPopup() {
    if (m_beforePopup)
        m_beforePopup();
    widgets::ChoiceComboBox::showPopup();
}

} // namespace controller
