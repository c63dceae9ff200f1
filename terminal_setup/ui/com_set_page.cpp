#include "terminal_setup/ui/com_set_page.h"

#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/ui/setup_page_controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace terminal_setup {

ComSetPage::ComSetPage(const ComSetValues& start, QWidget* parent)
    : QWidget(parent), m_values(start) {
    setObjectName(QStringLiteral("comSetPage"));
    setAccessibleName(QStringLiteral("COM Set"));

    m_baud = pageDropDown(QStringLiteral("baudCombo"), QStringLiteral("Baud:"), kBaudCaptions);

    QGroupBox* serialGroup =
        pageGroup(QStringLiteral("Serial Configuration"), QStringLiteral("serialGroup"));
    auto* serialLayout = new QGridLayout(serialGroup);
    serialLayout->addWidget(pageLabel(QStringLiteral("Baud:"), m_baud), 0, 0);
    serialLayout->addWidget(m_baud, 0, 1);
    serialLayout->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(serialGroup);
    page->addStretch(1);

    selectPosition(m_baud, m_values.baudIndex);
    connect(m_baud, &QComboBox::activated, this, &ComSetPage::onBaudChosen);
}

void ComSetPage::collect() {
    m_values.baudIndex = m_baud->currentIndex();
}

void ComSetPage::onBaudChosen(int position) {
    m_values.baudIndex = position;
}

} // namespace terminal_setup
