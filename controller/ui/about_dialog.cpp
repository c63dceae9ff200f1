#include "controller/ui/about_dialog.h"

#include "widgets/resource_icons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace controller {

AboutDialog::AboutDialog(const QString& settingsPath, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Brisvane"));
    setObjectName(QStringLiteral("aboutDialog"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(widgets::resourcePixmap(widgets::kApplicationIconId));
    icon->setAccessibleName(QStringLiteral("Brisvane"));
    auto* name = new QLabel(QStringLiteral("Brisvane Version 3.5"), this);
    name->setObjectName(QStringLiteral("aboutName"));
    auto* version =
        new QLabel(QStringLiteral("Matrix V3.5 controller for crosspoint switchers"), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    auto* settings = new QLabel(QStringLiteral("Settings file: %1").arg(settingsPath), this);
    settings->setObjectName(QStringLiteral("aboutSettings"));
    settings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(settings, 2, 1, 1, 2);
    layout->addWidget(ok, 0, 2);
    setFixedSize(sizeHint());
}

} // namespace controller
