#pragma once

#include "widgets/choice_combo_box.h"

#include <functional>

namespace controller {

// The COM list: runs a hook just before its list opens, so that the entries can show the serial
// devices plugged in since they were last looked at. Like every list with effects, it reports
// only choices that change the selection and ignores a wheel turned without focus.
class ComPortCombo : public widgets::ChoiceComboBox {
public:
    using widgets::ChoiceComboBox::ChoiceComboBox;

    void setBeforePopup(std::function<void()> hook) { m_beforePopup = std::move(hook); }
    void showPopup() override;

private:
    std::function<void()> m_beforePopup;
};

} // namespace controller
