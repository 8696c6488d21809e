#include "Icons.h"
#include "Palette.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>

namespace Icons {

namespace {

QImage blank(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void paintSpeaker(QPainter &painter)
{
    const QColor edge(0x16, 0x19, 0x1c);
    QLinearGradient metal(0, 5, 0, 27);
    metal.setColorAt(0.0, QColor(0x7a, 0x82, 0x8c));
    metal.setColorAt(0.5, QColor(0x45, 0x4b, 0x53));
    metal.setColorAt(1.0, QColor(0x26, 0x2a, 0x2f));
    painter.setPen(QPen(edge, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    painter.setBrush(metal);
    painter.drawRoundedRect(QRectF(2.5, 11, 8, 10), 1.5, 1.5);

    QPainterPath cone;
    cone.moveTo(10.5, 11);
    cone.lineTo(17.5, 4);
    cone.lineTo(17.5, 28);
    cone.lineTo(10.5, 21);
    cone.closeSubpath();
    painter.drawPath(cone);
    // The light catches the rim of the cone.
    painter.setPen(QPen(QColor(0xb8, 0xc0, 0xc8), 1.0));
    painter.drawLine(QPointF(16.6, 6), QPointF(16.6, 26));
}

void paintWaves(QPainter &painter, int count, qreal width)
{
    QPen pen(Palette::skin.darker(110), width, Qt::SolidLine, Qt::RoundCap);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const qreal radius = 5.5 + i * (count == 2 ? 6.0 : 4.5);
        pen.setColor(i % 2 == 0 ? Palette::skin.darker(105) : Palette::skinLight);
        painter.setPen(pen);
        painter.drawArc(QRectF(17 - radius, 16 - radius, 2 * radius, 2 * radius), -50 * 16, 100 * 16);
    }
}

void paintLoudspeaker(QPainter &painter, int size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    paintSpeaker(painter);
    // Small icons get fewer, bolder waves so they stay readable.
    if (size <= 16)
        paintWaves(painter, 2, 3.2);
    else
        paintWaves(painter, 3, 2.4);
}

} // namespace

QImage loudspeaker(int size)
{
    QImage image = blank(size);
    QPainter painter(&image);
    paintLoudspeaker(painter, size);
    return image;
}

QByteArray loudspeakerSvg()
{
    QBuffer svg;
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(QSize(128, 128));
    generator.setViewBox(QRect(0, 0, 128, 128));
    generator.setTitle(QStringLiteral("Sonti"));
    generator.setDescription(QStringLiteral("A loudspeaker sending out sound waves"));
    QPainter painter(&generator);
    paintLoudspeaker(painter, 128);
    painter.end();
    return svg.data();
}

QImage openFolder()
{
    QImage image = blank(16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor edge(0x8a, 0x5c, 0x08);

    // The back of the folder with its tab.
    QPainterPath back;
    back.moveTo(0.5, 14.5);
    back.lineTo(0.5, 4.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(4.5, 3.5);
    back.lineTo(5.5, 4.5);
    back.lineTo(10.5, 4.5);
    back.lineTo(10.5, 14.5);
    back.closeSubpath();
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(QColor(0xe0, 0xa8, 0x22));
    painter.drawPath(back);

    // The front cover, swung open.
    QPainterPath front;
    front.moveTo(0.5, 14.5);
    front.lineTo(3.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(12.5, 14.5);
    front.closeSubpath();
    QLinearGradient cover(0, 7.5, 0, 14.5);
    cover.setColorAt(0.0, QColor(0xff, 0xea, 0x7c));
    cover.setColorAt(1.0, QColor(0xf2, 0xc2, 0x30));
    painter.setBrush(cover);
    painter.drawPath(front);

    // The curved arrow, rising out of the folder and bending over to the right.
    QPainterPath arrow;
    arrow.moveTo(7.5, 6.5);
    arrow.quadTo(8.0, 1.8, 12.2, 2.2);
    painter.setPen(QPen(QColor(0x1f, 0x7a, 0x1f), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    QPainterPath head;
    head.moveTo(15.5, 3.0);
    head.lineTo(11.5, 0.0);
    head.lineTo(11.5, 5.5);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x7a, 0x1f));
    painter.drawPath(head);
    return image;
}

QImage exitCross()
{
    QImage image = blank(16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient red(QPointF(6, 5.5), 9);
    red.setColorAt(0.0, QColor(0xff, 0x7a, 0x66));
    red.setColorAt(0.5, QColor(0xdc, 0x24, 0x18));
    red.setColorAt(1.0, QColor(0x9a, 0x0e, 0x08));
    painter.setPen(QPen(QColor(0x70, 0x08, 0x04), 1.0));
    painter.setBrush(red);
    painter.drawEllipse(QPointF(8, 8), 7.4, 7.4);
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(5, 5), QPointF(11, 11));
    painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    return image;
}

} // namespace Icons
