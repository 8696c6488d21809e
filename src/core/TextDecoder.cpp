#include "TextDecoder.h"

#include <QStringDecoder>

namespace {

const QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

// 0x80-0x9F of Windows-1252; the rest of the page equals Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Stateless, so a sequence cut off at the end counts as an error instead of
// waiting for more input; the byte-order mark is ours to remove.
QStringDecoder strictUtf8()
{
    return QStringDecoder(QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
}

} // namespace

QString TextDecoder::decode(QByteArrayView bytes)
{
    const QByteArrayView body = bytes.startsWith(kUtf8Bom) ? bytes.sliced(kUtf8Bom.size()) : bytes;
    QStringDecoder utf8 = strictUtf8();
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    text = QString(); // free the failed attempt before a large file is decoded again
    return fromWindows1252(bytes);
}

bool TextDecoder::isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8 = strictUtf8();
    const QString ignored = utf8.decode(bytes);
    return !utf8.hasError();
}

QString TextDecoder::fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}
