#pragma once

#include <QComboBox>

#include <functional>

namespace controller {

// The COM list: runs a hook just before its list opens, so that the entries can show the serial
// devices plugged in since they were last looked at.
class ComPortCombo : public QComboBox {
public:
    using QComboBox::QComboBox;

    void setBeforePopup(std::function<void()> hook) { m_beforePopup = std::move(hook); }
    void showPopup() override;

private:
    std::function<void()> m_beforePopup;
};

} // namespace controller
