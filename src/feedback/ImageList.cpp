#include "ImageList.h"

#include "OleColor.h"
#include "SontiError.h"

#include <QPainter>

namespace {

const QString errorSource = QStringLiteral("ImageList");

// Compare colours without alpha: pictures loaded from 24-bit files come back
// opaque, and an OLE colour has no alpha.
constexpr QRgb rgbOnly = 0x00FFFFFF;

} // namespace

int ImageList::Add(const QImage &picture, const QString &key)
{
    if (picture.isNull())
        throw SontiError(SontiError::InvalidPicture, errorSource, QStringLiteral("Invalid picture"));
    if (!key.isEmpty() && contains(key))
        throw SontiError(SontiError::KeyNotUnique, errorSource, QStringLiteral("Key is not unique in collection"));
    m_entries.push_back(Entry{picture, key, {}});
    return count();
}

QString ImageList::key(int index) const
{
    return entry(index).key;
}

void ImageList::setMaskColor(quint32 oleColor)
{
    if (oleColor == m_maskColor)
        return;
    m_maskColor = oleColor;
    for (const Entry &e : m_entries)
        e.masked = QImage();
}

int ImageList::position(const Ref &ref) const
{
    if (!ref.isKey())
        return ref.index() >= 1 && ref.index() <= count() ? ref.index() - 1 : -1;
    if (ref.key().isEmpty())
        return -1;
    for (int i = 0; i < count(); ++i) {
        if (m_entries[size_t(i)].key == ref.key())
            return i;
    }
    return -1;
}

const ImageList::Entry &ImageList::entry(const Ref &ref) const
{
    const int at = position(ref);
    if (at < 0) {
        if (ref.isKey())
            throw SontiError(SontiError::ElementNotFound, errorSource, QStringLiteral("Element not found"));
        throw SontiError(SontiError::IndexOutOfBounds, errorSource, QStringLiteral("Index out of bounds"));
    }
    return m_entries[size_t(at)];
}

QImage ImageList::image(const Ref &ref) const
{
    return entry(ref).picture;
}

QImage ImageList::maskedImage(const Ref &ref) const
{
    const Entry &e = entry(ref);
    if (e.masked.isNull()) {
        QImage masked = e.picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb mask = OleColor::toQColor(m_maskColor).rgb() & rgbOnly;
        for (int y = 0; y < masked.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(masked.scanLine(y));
            for (int x = 0; x < masked.width(); ++x) {
                if ((line[x] & rgbOnly) == mask)
                    line[x] = 0;
            }
        }
        e.masked = std::move(masked);
    }
    return e.masked;
}

QImage ImageList::overlayImage(const Ref &base, const Ref &over) const
{
    const QImage baseImage = maskedImage(base);
    const QImage overImage = maskedImage(over);
    QImage composite(baseImage.size(), QImage::Format_RGB32);
    composite.fill(OleColor::toQColor(m_backColor));
    QPainter painter(&composite);
    painter.drawImage(0, 0, baseImage);
    painter.drawImage(0, 0, overImage);
    return composite;
}

QPixmap ImageList::Overlay(const Ref &base, const Ref &over) const
{
    return QPixmap::fromImage(overlayImage(base, over));
}
