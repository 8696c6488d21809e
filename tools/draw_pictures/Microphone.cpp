#include "Microphone.h"
#include "Palette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace Microphone {

namespace {

const QPointF headCentre(58, 50);
constexpr qreal headRadiusX = 45;
constexpr qreal headRadiusY = 47;
const QPointF leftEye(41, 40);
const QPointF rightEye(75, 40);

QPainterPath handlePath(qreal bottom)
{
    QPainterPath path;
    path.moveTo(47, 96);
    path.lineTo(69, 96);
    path.lineTo(66, bottom);
    path.lineTo(50, bottom);
    path.closeSubpath();
    return path;
}

QRectF collarRect()
{
    return QRectF(41, 89, 34, 13);
}

QRectF headRect()
{
    return QRectF(headCentre.x() - headRadiusX, headCentre.y() - headRadiusY, 2 * headRadiusX, 2 * headRadiusY);
}

// A cylinder lit from the left: dark edges, a bright band left of centre.
QLinearGradient cylinderShade(qreal left, qreal right, const QColor &dark, const QColor &light)
{
    QLinearGradient shade(left, 0, right, 0);
    shade.setColorAt(0.0, dark);
    shade.setColorAt(0.3, light);
    shade.setColorAt(0.55, light.darker(115));
    shade.setColorAt(1.0, dark.darker(130));
    return shade;
}

void paintHandle(QPainter &painter, qreal bottom)
{
    painter.setPen(QPen(Palette::outline, 1.6));
    painter.setBrush(cylinderShade(47, 69, Palette::handleDark, Palette::handleLight));
    painter.drawPath(handlePath(bottom));
    // A grip ring part-way down gives the handle some form.
    painter.setPen(QPen(Palette::handleDark.darker(140), 1.4));
    const qreal ringY = 96 + (bottom - 96) * 0.55;
    painter.drawLine(QPointF(48.5, ringY), QPointF(67.5, ringY));
}

void paintCollar(QPainter &painter)
{
    painter.setPen(QPen(Palette::outline, 1.6));
    painter.setBrush(cylinderShade(41, 75, Palette::collarDark, Palette::collarLight));
    painter.drawRoundedRect(collarRect(), 4, 4);
}

void paintHead(QPainter &painter)
{
    QRadialGradient skin(headCentre + QPointF(-14, -18), 72, headCentre + QPointF(-20, -26));
    skin.setColorAt(0.0, Palette::skinHighlight);
    skin.setColorAt(0.38, Palette::skinLight);
    skin.setColorAt(0.78, Palette::skin);
    skin.setColorAt(1.0, Palette::skinShadow);
    painter.setPen(QPen(Palette::outline, 2.0));
    painter.setBrush(skin);
    painter.drawEllipse(headRect());

    // The grille: a cap of mesh holes over the top of the ball, as on a
    // real microphone, ending above the eyebrows at a thin seam.
    painter.save();
    QPainterPath ball;
    ball.addEllipse(headRect().adjusted(2.5, 2.5, -2.5, -2.5));
    QPainterPath seam;
    seam.addEllipse(QRectF(headCentre.x() - 80, -150, 160, 168));
    painter.setClipPath(ball.intersected(seam));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::grille);
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 26; ++column)
            painter.drawEllipse(QPointF(8 + column * 4 + (row % 2) * 2, 3 + row * 3), 0.9, 0.9);
    painter.setClipPath(ball);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Palette::grille, 1.3));
    painter.drawPath(seam);
    painter.restore();

    // Gloss on the upper left.
    QRadialGradient gloss(QPointF(36, 20), 15);
    gloss.setColorAt(0.0, QColor(255, 255, 240, 150));
    gloss.setColorAt(1.0, QColor(255, 255, 240, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gloss);
    painter.save();
    painter.translate(36, 20);
    painter.rotate(-35);
    painter.scale(1.0, 0.6);
    painter.translate(-36, -20);
    painter.drawEllipse(QPointF(36, 20), 15, 15);
    painter.restore();

    // Rosy cheeks.
    for (const qreal x : {26.0, 90.0}) {
        QRadialGradient cheek(QPointF(x, 62), 8);
        cheek.setColorAt(0.0, Palette::cheek);
        QColor clear = Palette::cheek;
        clear.setAlpha(0);
        cheek.setColorAt(1.0, clear);
        painter.setBrush(cheek);
        painter.drawEllipse(QPointF(x, 62), 8, 6);
    }

    // Eyebrows belong to the face, not to the eye pictures: they stay the
    // same whatever the eyes do.
    painter.setBrush(Qt::NoBrush);
    // Softer than the outline, so closed eyes below them still stand out.
    QPen brow(Palette::brow, 2.2, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(brow);
    for (const QPointF &eye : {leftEye, rightEye}) {
        QPainterPath arc;
        arc.moveTo(eye + QPointF(-7, -15));
        arc.quadTo(eye + QPointF(0, -20), eye + QPointF(7, -15.5));
        painter.drawPath(arc);
    }
}

void paintOpenEye(QPainter &painter, const QPointF &centre, bool narrow)
{
    const QRectF white(centre.x() - 7.5, centre.y() - 9.5, 15, 19);
    painter.save();
    if (narrow) {
        // The upper lid comes down to just above the middle of the eye.
        QPainterPath below;
        below.addRect(QRectF(white.left() - 3, centre.y() - 1.5, white.width() + 6, white.height()));
        painter.setClipPath(below);
    }
    QLinearGradient sclera(0, white.top(), 0, white.bottom());
    sclera.setColorAt(0.0, Qt::white);
    sclera.setColorAt(1.0, Palette::eyeWhiteShade);
    painter.setPen(QPen(Palette::outline, 1.6));
    painter.setBrush(sclera);
    painter.drawEllipse(white);

    const QPointF iris = centre + QPointF(0.5, 2);
    QRadialGradient irisShade(iris, 5.2);
    irisShade.setColorAt(0.0, Palette::iris.lighter(160));
    irisShade.setColorAt(1.0, Palette::iris);
    painter.setPen(Qt::NoPen);
    painter.setBrush(irisShade);
    painter.drawEllipse(iris, 5.2, 5.6);
    painter.setBrush(Palette::pupil);
    painter.drawEllipse(iris, 2.8, 3.0);
    painter.setBrush(Qt::white);
    painter.drawEllipse(iris + QPointF(-1.8, -2.0), 1.6, 1.6);
    painter.restore();

    if (narrow) {
        QPainterPath lid;
        lid.moveTo(centre + QPointF(-9, -0.5));
        lid.quadTo(centre + QPointF(0, -3.5), centre + QPointF(9, -0.5));
        painter.setPen(QPen(Palette::outline, 2.8, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(lid);
    }
}

// Closed eyes are happy arcs, bowed upwards.
void paintClosedEye(QPainter &painter, const QPointF &centre)
{
    QPainterPath arc;
    arc.moveTo(centre + QPointF(-7.5, 3));
    arc.cubicTo(centre + QPointF(-5, -5), centre + QPointF(5, -5), centre + QPointF(7.5, 3));
    painter.setPen(QPen(Palette::outline, 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arc);
}

} // namespace

void paintBody(QPainter &painter, qreal handleBottom)
{
    painter.save();
    paintHandle(painter, handleBottom);
    paintCollar(painter);
    paintHead(painter);
    painter.restore();
}

void paintEyes(QPainter &painter, Eyes eyes)
{
    painter.save();
    for (const QPointF &eye : {leftEye, rightEye}) {
        switch (eyes) {
        case Eyes::Open: paintOpenEye(painter, eye, false); break;
        case Eyes::Narrow: paintOpenEye(painter, eye, true); break;
        case Eyes::Closed: paintClosedEye(painter, eye); break;
        }
    }
    painter.restore();
}

QPainterPath silhouette(qreal handleBottom)
{
    // Widened by half the outline pen so the outline's outer edge counts.
    QPainterPath head;
    head.addEllipse(headRect().adjusted(-1, -1, 1, 1));
    QPainterPath collar;
    collar.addRoundedRect(collarRect().adjusted(-0.8, -0.8, 0.8, 0.8), 4, 4);
    const QPainterPath handle = handlePath(handleBottom);
    QPainterPathStroker stroker;
    stroker.setWidth(1.6);
    return head.united(collar).united(handle).united(stroker.createStroke(handle));
}

QRect eyeRegion()
{
    return QRect(28, 27, 60, 27);
}

QRect mouthRegion()
{
    return QRect(32, 54, 52, 43);
}

} // namespace Microphone
