#pragma once

#include "terminal_setup/ui/setup_page_values.h"

#include <QString>

#include <span>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace widgets {
class IpAddressEdit;
}

namespace terminal_setup {

// Building blocks shared by the four setup pages. Every control gets an object name (how tests
// and the dialog find it) and an accessible name (its caption, for assistive technology).

QLabel* pageLabel(const QString& caption, QWidget* buddy);
QGroupBox* pageGroup(const QString& caption, const QString& objectName);
QLineEdit* pageEdit(const QString& objectName, const QString& accessibleName);
widgets::IpAddressEdit* pageAddressEdit(const QString& objectName, const QString& accessibleName);
// A drop-down list of fixed entries, unsorted: an entry's position is its value.
QComboBox* pageDropDown(const QString& objectName, const QString& accessibleName,
                        std::span<const char* const> entries);

// Selects `position`, or nothing when the position is not in the list.
void selectPosition(QComboBox* combo, int position);

// The address the control shows, as text and as bytes.
AddressValue readAddress(const widgets::IpAddressEdit* edit);

} // namespace terminal_setup
