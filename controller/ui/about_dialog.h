#pragma once

#include <QDialog>

namespace controller {

// "About Brisvane": the application icon, the name and version lines, and "OK".
// objectNames: "aboutIcon", "aboutName", "aboutVersion", "okButton".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace controller
