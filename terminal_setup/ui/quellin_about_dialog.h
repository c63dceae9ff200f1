#pragma once

#include <QDialog>

namespace terminal_setup {

// The About box: the program's icon, its name and version, the settings file in use, and "OK".
class QuellinAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "关于 Quellin";
    static constexpr const char* kText = "Quellin 2.1 ";

    explicit QuellinAboutDialog(const QString& settingsPath = QString(), QWidget* parent = nullptr);
};

} // namespace terminal_setup
