#pragma once

#include <QDialog>

namespace controller {

// "About Brisvane": the application icon, the name and version lines, the settings file in use,
// and "OK". objectNames: "aboutIcon", "aboutName", "aboutVersion", "aboutSettings", "okButton".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(const QString& settingsPath = QString(), QWidget* parent = nullptr);
};

} // namespace controller
