#include "SplashPicture.h"
#include "Microphone.h"
#include "Palette.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace SplashPicture {

namespace {

constexpr int bandTop = 128;
constexpr qreal micScale = 0.64;
constexpr qreal micTop = 4;
constexpr qreal centreX = width / 2.0;

// A small integer hash: the same grain on every run, without a random
// generator.
int grain(int x, int y)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return int((h ^ (h >> 16)) % 3) - 1;
}

// Light grey linen: a fine weave of threads and a little grain.
void paintBackground(QImage &image)
{
    for (int y = 0; y < bandTop; ++y) {
        for (int x = 0; x < width; ++x) {
            int v = 214 + 3 * grain(x, y);
            if ((x + 2 * y) % 6 == 0)
                v -= 7;
            if ((2 * x - y + 600) % 7 == 0)
                v += 5;
            image.setPixel(x, y, qRgb(v, v, v - 3));
        }
    }
}

void paintStand(QPainter &painter)
{
    // Shadow on the table.
    QRadialGradient shadow(QPointF(centreX + 2, 121), 26);
    shadow.setColorAt(0.0, QColor(0, 0, 0, 70));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(QPointF(centreX + 2, 121), 28, 6);

    const QColor edge(0x8c, 0x8c, 0x88);
    QLinearGradient white(centreX - 22, 0, centreX + 22, 0);
    white.setColorAt(0.0, QColor(0xe6, 0xe6, 0xe2));
    white.setColorAt(0.35, Qt::white);
    white.setColorAt(1.0, QColor(0xc4, 0xc4, 0xc0));
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(white);
    // Base: a flat disc seen from slightly above.
    painter.drawRoundedRect(QRectF(centreX - 21, 112, 42, 8), 4, 4);
    painter.drawEllipse(QRectF(centreX - 21, 108.5, 42, 8));
    // Pole and the clamp that holds the handle.
    QLinearGradient pole(centreX - 3, 0, centreX + 3, 0);
    pole.setColorAt(0.0, QColor(0xd8, 0xd8, 0xd4));
    pole.setColorAt(0.4, Qt::white);
    pole.setColorAt(1.0, QColor(0xb0, 0xb0, 0xac));
    painter.setBrush(pole);
    painter.drawRect(QRectF(centreX - 2.5, 86, 5, 26));
}

// The clamp sits in front of the handle's end, so it is painted after the
// microphone.
void paintClamp(QPainter &painter)
{
    QLinearGradient white(centreX - 8, 0, centreX + 8, 0);
    white.setColorAt(0.0, QColor(0xe0, 0xe0, 0xdc));
    white.setColorAt(0.35, Qt::white);
    white.setColorAt(1.0, QColor(0xb8, 0xb8, 0xb4));
    painter.setPen(QPen(QColor(0x8c, 0x8c, 0x88), 1.0));
    painter.setBrush(white);
    painter.drawRoundedRect(QRectF(centreX - 8, 79.5, 16, 8), 2.5, 2.5);
}

void paintBand(QPainter &painter)
{
    QLinearGradient band(0, bandTop, 0, height);
    band.setColorAt(0.0, QColor(0x4e, 0x59, 0x1a));
    band.setColorAt(1.0, QColor(0x33, 0x3b, 0x0f));
    painter.fillRect(QRect(0, bandTop, width, height - bandTop), band);
    painter.fillRect(QRect(0, bandTop, width, 1), QColor(0x2a, 0x31, 0x0a));

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, bandTop + 1, width, height - bandTop - 1), Qt::AlignCenter, QStringLiteral("Loading..."));
}

} // namespace

QImage paint()
{
    QImage image(width, height, QImage::Format_RGB32);
    paintBackground(image);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintStand(painter);

    painter.save();
    painter.translate(centreX - 58 * micScale, micTop - 3 * micScale);
    painter.scale(micScale, micScale);
    // The handle ends inside the clamp.
    Microphone::paintBody(painter, 128);
    Microphone::paintEyes(painter, Microphone::Eyes::Closed);
    Microphone::paintMouth(painter, Microphone::Mouth::Smile);
    painter.restore();

    paintClamp(painter);
    paintBand(painter);
    return image;
}

} // namespace SplashPicture
