#include "controller/session/port_names.h"

#include <QStringDecoder>

namespace controller {

namespace {

// Enough bytes for kMaxLength characters of up to four bytes each, and quotes around them.
constexpr std::size_t kMaxValueBytes = PortNames::kMaxLength * 4 + 2;

std::size_t side(PortKind kind) {
    return kind == PortKind::Input ? 0 : 1;
}

bool inRange(int number) {
    return number >= 1 && number <= PortNames::kMaxPorts;
}

// UTF-8 when the bytes are valid UTF-8, else the GBK of a file edited on a Chinese Windows.
QString decodeValue(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes));
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    if (gbk.isValid())
        return gbk.decode(QByteArrayView(bytes));
    return QString::fromUtf8(bytes);
}

// The profile reader takes a value in matching quotes without them: such a name is written in
// one more pair, so that it reads back as it was.
std::string fileValue(const std::string& name) {
    const bool quoted = name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
                        name.back() == name.front();
    return quoted ? "\"" + name + "\"" : name;
}

} // namespace

PortNames::PortNames(SettingsFile file)
    : m_file(std::move(file)), m_names(std::make_shared<Table>()) {}

std::string PortNames::key(PortKind kind, int number) {
    return (kind == PortKind::Input ? "In" : "Out") + std::to_string(number);
}

std::string PortNames::cleanName(const std::string& name) {
    const QString decoded = QString::fromUtf8(name);
    QString cleaned;
    for (const QChar c : decoded) {
        const bool blank = c.isSpace() || c.category() == QChar::Other_Control ||
                           c.category() == QChar::Separator_Line ||
                           c.category() == QChar::Separator_Paragraph;
        if (blank) {
            if (!cleaned.isEmpty() && !cleaned.endsWith(QLatin1Char(' ')))
                cleaned += QLatin1Char(' ');
        } else {
            cleaned += c;
        }
    }
    cleaned = cleaned.trimmed();
    // Cut by characters, never inside a surrogate pair.
    qsizetype cut = 0;
    for (int characters = 0; cut < cleaned.size() && characters < kMaxLength; ++characters)
        cut += cleaned.at(cut).isHighSurrogate() && cut + 1 < cleaned.size() ? 2 : 1;
    return cleaned.left(cut).trimmed().toStdString();
}

void PortNames::load() {
    for (const PortKind kind : {PortKind::Input, PortKind::Output})
        for (int n = 1; n <= kMaxPorts; ++n) {
            const std::string value = m_file.nameValue(key(kind, n), kMaxValueBytes);
            (*m_names)[side(kind)][static_cast<std::size_t>(n - 1)] =
                cleanName(decodeValue(value).toStdString());
        }
}

std::string PortNames::name(PortKind kind, int number) const {
    return inRange(number) ? (*m_names)[side(kind)][static_cast<std::size_t>(number - 1)]
                           : std::string();
}

bool PortNames::setName(PortKind kind, int number, const std::string& name) {
    if (!inRange(number))
        return false;
    const std::string cleaned = cleanName(name);
    (*m_names)[side(kind)][static_cast<std::size_t>(number - 1)] = cleaned;
    return m_file.writeNameValue(key(kind, number), fileValue(cleaned));
}

bool PortNames::keepName(PortKind kind, int number, const std::string& value) {
    if (!inRange(number))
        return false;
    (*m_names)[side(kind)][static_cast<std::size_t>(number - 1)] =
        cleanName(decodeValue(value).toStdString());
    return true;
}

PortNamer PortNames::namer() const {
    return [names = std::shared_ptr<const Table>(m_names)](PortKind kind, int number) {
        return inRange(number) ? (*names)[side(kind)][static_cast<std::size_t>(number - 1)]
                               : std::string();
    };
}

} // namespace controller
