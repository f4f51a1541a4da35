#include "ui/file_name_text.h"

#include <cstdint>

#include "base/utf8_sequence.h"

namespace velmaro {

namespace {

constexpr char16_t kByteEscape = 0xDC00;  // + the byte, 0x80 to 0xFF
constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace

QString FileNameText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(bytes, codePoint);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kByteEscape + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
        } else {
            text += QChar(static_cast<char16_t>(codePoint));
        }
        bytes.remove_prefix(length);
    }
    return text;
}

std::string FileNameBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[i + 1]));
            ++i;
        } else if (unit.unicode() >= kByteEscape + 0x80 && unit.unicode() <= kByteEscape + 0xFF) {
            bytes.push_back(static_cast<char>(unit.unicode() - kByteEscape));
        } else {
            AppendUtf8(bytes, unit.isSurrogate() ? kReplacement : unit.unicode());
        }
    }
    return bytes;
}

std::string Utf8Text(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

}  // namespace velmaro
