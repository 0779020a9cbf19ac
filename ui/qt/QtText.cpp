#include "ui/qt/QtText.h"

#include <QStringDecoder>
#include <array>

namespace {

// The characters of the cp1252 bytes 0x80 to 0x9F; 0 where cp1252 has none.
constexpr std::array<char16_t, 32> HighCp1252 = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

bool IsValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString unused = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

QString FromCp1252(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const char16_t mapped = c >= 0x80 && c < 0xA0 ? HighCp1252[c - 0x80] : 0;
        out.append(QChar(mapped != 0 ? mapped : static_cast<char16_t>(c)));
    }
    return out;
}

// The cp1252 bytes of `text`; false when a character has none.
bool ToCp1252(const QString& text, std::string& out) {
    out.clear();
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        std::size_t i = 0;
        while (i < HighCp1252.size() && HighCp1252[i] != c) ++i;
        if (i == HighCp1252.size()) return false;
        out.push_back(static_cast<char>(0x80 + i));
    }
    return true;
}

}  // namespace

QString ToQ(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromCp1252(bytes);
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
