#include "widgets/ip_address_edit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

namespace widgets {

namespace {

constexpr int kMaxDigits = 3;
constexpr int kMaxValue = 255;
constexpr int kFrameMargin = 2;

// Digits only, at most three, at most 255: anything else never reaches the field.
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.size() > kMaxDigits)
            return Invalid;
        for (const QChar c : input) {
            if (c < u'0' || c > u'9')
                return Invalid;
        }
        if (!input.isEmpty() && input.toInt() > kMaxValue)
            return Invalid;
        return Acceptable;
    }
};

QString fieldName(int index) {
    return IpAddressEdit::tr("Field %1 of %2").arg(index + 1).arg(IpAddressEdit::kFieldCount);
}

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    layout->setContentsMargins(frame + kFrameMargin, frame, frame + kFrameMargin, frame);
    layout->setSpacing(0);

    auto* validator = new OctetValidator(this);
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000"));
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAccessibleName(QString()); // the separators carry no information
            layout->addWidget(dot);
        }
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("field%1").arg(i));
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(kMaxDigits);
        edit->setValidator(validator);
        edit->setFixedWidth(fieldWidth);
        edit->setAccessibleName(fieldName(i));
        edit->setAccessibleDescription(tr("A number from 0 to 255"));
        // The whole control is one tab stop; the fields after the first are reached by typing.
        edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i] { onFieldEdited(i); });
        layout->addWidget(edit);
        m_fields[static_cast<std::size_t>(i)] = edit;
    }
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_fields[0]);
    setAccessibleName(tr("IP address"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IpAddressEdit::setText(const QString& dotted) {
    if (dotted.trimmed().isEmpty())
        clear();
    else
        setAddress(ipv4FromText(dotted.toStdString()));
}

void IpAddressEdit::setAddress(const Ipv4Bytes& bytes) {
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(QString::number(bytes[i]));
}

void IpAddressEdit::clear() {
    for (QLineEdit* edit : m_fields)
        edit->clear();
}

QString IpAddressEdit::text() const {
    return QString::fromStdString(formatIpv4(bytes()));
}

Ipv4Bytes IpAddressEdit::bytes() const {
    Ipv4Bytes out{};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        // The validator keeps every field within 0..255; a blank one reads as 0.
        out[i] = static_cast<std::uint8_t>(m_fields[i]->text().toUInt());
    }
    return out;
}

bool IpAddressEdit::isBlank() const {
    for (const QLineEdit* edit : m_fields) {
        if (!edit->text().isEmpty())
            return false;
    }
    return true;
}

void IpAddressEdit::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    for (QLineEdit* edit : m_fields)
        edit->setReadOnly(readOnly);
    applyReadOnlyLook();
    update();
}

QLineEdit* IpAddressEdit::field(int index) const {
    if (index < 0 || index >= kFieldCount)
        return nullptr;
    return m_fields[static_cast<std::size_t>(index)];
}

QSize IpAddressEdit::sizeHint() const {
    ensurePolished();
    QSize hint = layout()->sizeHint();
    hint.setHeight(std::max(hint.height(), fontMetrics().height() + 2 * kFrameMargin + 4));
    return hint;
}

void IpAddressEdit::onFieldEdited(int index) {
    QLineEdit* edit = m_fields[static_cast<std::size_t>(index)];
    const QString text = edit->text();
    emit fieldChanged(index, text.isEmpty() ? -1 : text.toInt());
    if (text.size() == kMaxDigits && edit->cursorPosition() == kMaxDigits &&
        index + 1 < kFieldCount)
        focusField(index + 1, true);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index >= 0 && event->type() == QEvent::KeyPress)
        return handleFieldKey(index, static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool IpAddressEdit::handleFieldKey(int index, QKeyEvent* key) {
    QLineEdit* edit = m_fields[static_cast<std::size_t>(index)];
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    const bool hasNext = index + 1 < kFieldCount;
    const bool hasPrevious = index > 0;
    if (key->text() == QStringLiteral(".")) {
        // A dot right after a field filled itself and moved on must not skip a field.
        if (!edit->text().isEmpty() && hasNext)
            focusField(index + 1, true);
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart && hasPrevious) {
            focusField(index - 1, false);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (atStart && hasPrevious && key->modifiers() == Qt::NoModifier) {
            focusField(index - 1, false);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (atEnd && hasNext && key->modifiers() == Qt::NoModifier) {
            focusField(index + 1, false);
            m_fields[static_cast<std::size_t>(index + 1)]->setCursorPosition(0);
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

void IpAddressEdit::focusField(int index, bool selectAll) {
    QLineEdit* edit = m_fields[static_cast<std::size_t>(index)];
    edit->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        edit->selectAll();
    else
        edit->end(false);
}

int IpAddressEdit::indexOf(QObject* watched) const {
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_fields[static_cast<std::size_t>(i)] == watched)
            return i;
    }
    return -1;
}

void IpAddressEdit::applyReadOnlyLook() {
    // A read-only address sits on the window colour, like a read-only edit of the platform.
    QPalette look;
    if (m_readOnly)
        look.setColor(QPalette::Base, palette().color(QPalette::Window));
    for (QLineEdit* edit : m_fields)
        edit->setPalette(look);
}

void IpAddressEdit::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyReadOnlyLook();
}

void IpAddressEdit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = rect();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (m_readOnly)
        option.state |= QStyle::State_ReadOnly;
    option.palette = palette();
    if (m_readOnly)
        option.palette.setColor(QPalette::Base, palette().color(QPalette::Window));
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
}

} // namespace widgets
