#include "terminal_setup/ui/setup_page_controls.h"

#include "widgets/ip_address_edit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace terminal_setup {

QLabel* pageLabel(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setBuddy(buddy);
    return label;
}

QGroupBox* pageGroup(const QString& caption, const QString& objectName) {
    auto* group = new QGroupBox(caption);
    group->setObjectName(objectName);
    group->setAccessibleName(caption);
    return group;
}

QLineEdit* pageEdit(const QString& objectName, const QString& accessibleName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    return edit;
}

widgets::IpAddressEdit* pageAddressEdit(const QString& objectName, const QString& accessibleName) {
    auto* edit = new widgets::IpAddressEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    return edit;
}

QComboBox* pageDropDown(const QString& objectName, const QString& accessibleName,
                        std::span<const char* const> entries) {
    auto* combo = new QComboBox;
    combo->setObjectName(objectName);
    combo->setAccessibleName(accessibleName);
    combo->setEditable(false);
    for (const char* entry : entries)
        combo->addItem(QString::fromUtf8(entry));
    combo->setCurrentIndex(kNoSelection);
    return combo;
}

void selectPosition(QComboBox* combo, int position) {
    combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : kNoSelection);
}

AddressValue readAddress(const widgets::IpAddressEdit* edit) {
    return {edit->text().toStdString(), edit->bytes()};
}

} // namespace terminal_setup
