#pragma once

#include "widgets/ipv4_text.h"

#include <QWidget>

#include <array>

class QLineEdit;

namespace widgets {

// An IPv4 address entry of four fields, 0 to 255 each. A field may be left blank and then reads
// as 0. Typing "." moves on to the next field, and so does filling a field with three digits; a
// value above 255 cannot be typed. The control is one tab stop, as a single edit would be.
class IpAddressEdit : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFieldCount = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    // Shows the address of a dotted text; text that is not an address shows 255.255.255.255.
    // An empty text (blanks only) is an address nobody entered yet, as in a fresh settings file:
    // it leaves the control blank, which reads back as 0.0.0.0, rather than showing the all-ones
    // address, which a later save or send would take for the broadcast address.
    void setText(const QString& dotted);
    void setAddress(const Ipv4Bytes& bytes);
    // Empties every field.
    void clear();

    // "%u.%u.%u.%u", blank fields as 0.
    QString text() const;
    // First number first, blank fields as 0.
    Ipv4Bytes bytes() const;
    // True when every field is empty.
    bool isBlank() const;

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // Field 0 to 3, for labels, tests and assistive technology.
    QLineEdit* field(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // The operator changed a field (never sent when the program sets the address); value is the
    // field's new number, or -1 when the field is now blank.
    void fieldChanged(int field, int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void onFieldEdited(int index);
    bool handleFieldKey(int index, QKeyEvent* key);
    void focusField(int index, bool selectAll);
    int indexOf(QObject* watched) const;
    void applyReadOnlyLook();

    std::array<QLineEdit*, kFieldCount> m_fields{};
    bool m_readOnly = false;
};

} // namespace widgets
