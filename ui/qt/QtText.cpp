#include "ui/qt/QtText.h"

#include <QStringDecoder>

#include "model/TextConv.h"

namespace {

bool IsValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString unused = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// The cp1252 bytes of `text`; false when a character has none. The five
// bytes cp1252 leaves undefined were shown as their own code points and go
// back as they came.
bool ToCp1252(const QString& text, std::string& out) {
    out.clear();
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        auto byte = UnicodeToCp1252(c);
        if (!byte && c >= 0x80 && c < 0xA0 && Cp1252ToUnicode(static_cast<uint8_t>(c)) == c)
            byte = static_cast<uint8_t>(c);
        if (!byte) return false;
        out.push_back(static_cast<char>(*byte));
    }
    return true;
}

}  // namespace

QString ToQ(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string utf8 = Cp1252ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQ(const QString& text, std::string_view previous) {
    if (!previous.empty() && !IsValidUtf8(previous)) {
        std::string bytes;
        if (ToCp1252(text, bytes)) return bytes;
    }
    return text.toStdString();
}

QString Caption(std::string_view caption) { return ToQ(caption); }

QString LabelText(std::string_view caption) { return ToQ(caption).replace(QStringLiteral("&&"), QStringLiteral("&")); }
