#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace controller {

// Brisvane's own modal message window: caption "Prompt", one static text set when it opens,
// and "OK". Every operator message of the main window, the links and the replies goes here.
// objectNames: "promptText" (the static text), "okButton".
class PromptDialog : public QDialog {
    Q_OBJECT
public:
    explicit PromptDialog(const QString& text, QWidget* parent = nullptr);

    QString text() const;

private:
    QLabel* m_text;
    QPushButton* m_ok;
};

} // namespace controller
