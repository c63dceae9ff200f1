#include "controller/ui/prompt_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace controller {

PromptDialog::PromptDialog(const QString& text, QWidget* parent)
    : QDialog(parent), m_text(new QLabel(this)), m_ok(new QPushButton(QStringLiteral("OK"), this)) {
    setWindowTitle(QStringLiteral("Prompt"));
    setModal(true);
    setObjectName(QStringLiteral("promptDialog"));

    // Reply texts end their lines with CR LF; a label breaks lines on LF alone.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text->setText(shown);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setMinimumWidth(260);
    m_text->setObjectName(QStringLiteral("promptText"));
    m_text->setAccessibleName(shown);

    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_ok->setAccessibleName(QStringLiteral("OK"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

QString PromptDialog::text() const {
    return m_text->text();
}

} // namespace controller
