#include "terminal_setup/protocol/gbk_text.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace terminal_setup {

namespace {

constexpr const char* kCodecName = "GBK";
constexpr unsigned char kEuroByte = 0x80;
constexpr char16_t kEuroSign = 0x20AC;
constexpr char16_t kReplacement = 0xFFFD;
constexpr const char* kReplacementUtf8 = "\xEF\xBF\xBD";

bool isLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool isTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// The character of one lead and trail byte, or nothing when GBK has none there.
std::optional<QString> decodePair(QStringDecoder& decoder, const char* pair) {
    if (!decoder.isValid())
        return std::nullopt;
    decoder.resetState();
    const QString text = decoder.decode(QByteArrayView(pair, 2));
    if (decoder.hasError() || text.isEmpty() || text.contains(QChar(kReplacement)))
        return std::nullopt;
    return text;
}

} // namespace

bool gbkAvailable() {
    return QStringDecoder(kCodecName).isValid() && QStringEncoder(kCodecName).isValid();
}

std::string decodeGbk(std::string_view bytes) {
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    std::string shown;
    shown.reserve(bytes.size() * 3);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            shown += static_cast<char>(byte);
            ++i;
            continue;
        }
        if (byte == kEuroByte) {
            shown += QString(QChar(kEuroSign)).toStdString();
            ++i;
            continue;
        }
        if (isLeadByte(byte) && i + 1 < bytes.size() &&
            isTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            if (const auto character = decodePair(decoder, bytes.data() + i)) {
                shown += character->toStdString();
                i += 2;
                continue;
            }
        }
        shown += kReplacementUtf8;
        ++i;
    }
    return shown;
}

std::optional<std::string> encodeGbk(std::string_view utf8, std::size_t maxBytes) {
    QStringDecoder fromUtf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = fromUtf8.decode(QByteArrayView(utf8.data(), utf8.size()));
    if (fromUtf8.hasError())
        return std::nullopt;
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    std::string out;
    bool full = false;
    for (qsizetype i = 0; i < text.size();) {
        // One character at a time, a surrogate pair as one, so that the cut knows where
        // characters end.
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString character = text.mid(i, length);
        i += length;
        QByteArray bytes;
        if (character.size() == 1 && character[0].unicode() < 0x80) {
            bytes = character.toLatin1();
        } else {
            if (!encoder.isValid() || character[0] == QChar(kReplacement))
                return std::nullopt;
            encoder.resetState();
            bytes = encoder.encode(character);
            if (encoder.hasError() || bytes.isEmpty())
                return std::nullopt;
        }
        // Every character is checked, also those the cut leaves out: a name the terminal
        // cannot hold is refused as a whole.
        if (!full && out.size() + static_cast<std::size_t>(bytes.size()) <= maxBytes)
            out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        else
            full = true;
    }
    return out;
}

} // namespace terminal_setup
