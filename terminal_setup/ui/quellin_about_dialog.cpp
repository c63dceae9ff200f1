#include "terminal_setup/ui/quellin_about_dialog.h"

#include "widgets/resource_icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace terminal_setup {

QuellinAboutDialog::QuellinAboutDialog(const QString& settingsPath, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(widgets::resourceIcon(widgets::kApplicationIconId));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(widgets::resourcePixmap(widgets::kApplicationIconId));
    icon->setAccessibleName(tr("Quellin icon"));
    auto* text = new QLabel(QString::fromUtf8(kText), this);
    text->setObjectName(QStringLiteral("aboutText"));

    auto* settings = new QLabel(QStringLiteral("Settings file: %1").arg(settingsPath), this);
    settings->setObjectName(QStringLiteral("aboutSettings"));
    settings->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->addLayout(row);
    column->addWidget(settings);
    setLayout(column);
    setFixedSize(sizeHint());
}

} // namespace terminal_setup
