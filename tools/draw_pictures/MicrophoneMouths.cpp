// The mouths of the microphone face. Most shapes are one parametric lip
// outline with teeth and tongue inside; the sounds whose look is not an
// opening (f v: lower lip under the teeth; s z: clenched teeth; th: tongue
// out) add their own touch on top.

#include "Microphone.h"
#include "Palette.h"

#include <QPainter>
#include <QRadialGradient>

namespace Microphone {

namespace {

const QPointF centre(58, 70);
// The shapes below are drawn in a mouth of this size; the face wears them a
// little larger so they read well at 128 pixels.
constexpr qreal scale = 1.2;

enum class Tongue { None, Low, Raised, Out };

struct Shape
{
    qreal halfWidth = 12;
    qreal up = 4;         // top of the opening above the centre
    qreal down = 6;       // bottom of the opening below the centre
    qreal cornerLift = 1; // corners above the centre: a smile
    qreal spread = 0.6;   // 0.55 round ... 0.95 boxy
    bool oval = false;    // no corners: a rounded "o"
    qreal upperTeeth = 0; // depth of the upper teeth below the top lip
    qreal lowerTeeth = 0;
    Tongue tongue = Tongue::None;
    qreal lipRing = 0;     // width of pursed lips around the opening
    bool clenched = false; // teeth fill the opening, closed on each other
    bool lipUnderTeeth = false;
};

Shape shapeOf(Mouth mouth)
{
    Shape s;
    switch (mouth) {
    case Mouth::Rest: break;
    case Mouth::Smile:
        s = {.halfWidth = 14,
             .up = -1.5,
             .down = 10,
             .cornerLift = 3.5,
             .spread = 0.7,
             .upperTeeth = 4,
             .tongue = Tongue::Low};
        break;
    case Mouth::Mic2: // ow: a round open "o"
        s = {.halfWidth = 8.5,
             .up = 8,
             .down = 10,
             .oval = true,
             .upperTeeth = 3.6,
             .tongue = Tongue::Low,
             .lipRing = 2.6};
        break;
    case Mouth::Mic3: // l: tongue up against the teeth
        s = {.halfWidth = 13.5, .up = 6.5, .down = 9.5, .cornerLift = 1.5, .upperTeeth = 4.2, .tongue = Tongue::Raised};
        break;
    case Mouth::Mic4: // d t n: a little open, both rows of teeth
        s = {.halfWidth = 14.5,
             .up = 2.8,
             .down = 5.5,
             .cornerLift = 1.5,
             .spread = 0.7,
             .upperTeeth = 3.8,
             .lowerTeeth = 3.2,
             .tongue = Tongue::Low};
        break;
    case Mouth::Mic5: // f v: upper teeth resting on the lower lip
        s = {.halfWidth = 13,
             .up = 5,
             .down = 3.5,
             .cornerLift = 0.5,
             .spread = 0.75,
             .upperTeeth = 10,
             .lipUnderTeeth = true};
        break;
    case Mouth::Mic6: // s z: a wide grin with the teeth together
        s = {.halfWidth = 16, .up = 3.5, .down = 5, .cornerLift = 2.5, .spread = 0.75, .clenched = true};
        break;
    case Mouth::Mic7: // sh ch k g: lips pushed forward, teeth apart
        s = {.halfWidth = 10.5,
             .up = 6,
             .down = 7,
             .cornerLift = -0.5,
             .spread = 0.9,
             .upperTeeth = 4.2,
             .lowerTeeth = 3.6,
             .lipRing = 1.6};
        break;
    case Mouth::Mic8: // th: tongue between the teeth
        s = {.halfWidth = 14,
             .up = 4,
             .down = 4.5,
             .cornerLift = 1,
             .spread = 0.7,
             .upperTeeth = 3.6,
             .lowerTeeth = 2.8,
             .tongue = Tongue::Out};
        break;
    case Mouth::Mic9: // w uw oo p b m: pursed, nearly closed
        s = {.halfWidth = 4.5, .up = 2.8, .down = 3.4, .oval = true, .lipRing = 3.4};
        break;
    case Mouth::Mic10: // er: small and squarish
        s = {.halfWidth = 8,
             .up = 4.5,
             .down = 6,
             .cornerLift = -1,
             .spread = 0.85,
             .upperTeeth = 3.4,
             .tongue = Tongue::Low,
             .lipRing = 1.8};
        break;
    case Mouth::Mic11: // ah eh ih: the everyday open vowel
        s = {.halfWidth = 15,
             .up = 6,
             .down = 11,
             .cornerLift = 2,
             .spread = 0.62,
             .upperTeeth = 4.4,
             .tongue = Tongue::Low};
        break;
    case Mouth::Mic12: // ay: wide open
        s = {.halfWidth = 17.5,
             .up = 8,
             .down = 14,
             .cornerLift = 2.5,
             .spread = 0.65,
             .upperTeeth = 5,
             .lowerTeeth = 3.6,
             .tongue = Tongue::Low};
        break;
    case Mouth::Mic13: // aw: open as far as it goes
        s = {.halfWidth = 14,
             .up = 10.5,
             .down = 16.5,
             .cornerLift = 0.5,
             .spread = 0.6,
             .upperTeeth = 5,
             .tongue = Tongue::Low};
        break;
    }
    return s;
}

QPainterPath opening(const Shape &s)
{
    const qreal cx = centre.x();
    const qreal cy = centre.y();
    QPainterPath path;
    if (s.oval) {
        path.moveTo(cx + s.halfWidth, cy);
        path.arcTo(QRectF(cx - s.halfWidth, cy - s.up, 2 * s.halfWidth, 2 * s.up), 0, 180);
        path.arcTo(QRectF(cx - s.halfWidth, cy - s.down, 2 * s.halfWidth, 2 * s.down), 180, 180);
        path.closeSubpath();
        return path;
    }
    // A cubic whose two control points share a height h passes its middle at
    // (end + 3h) / 4; solve for h so the lips peak where the shape says.
    const qreal cornerY = cy - s.cornerLift;
    const qreal topControl = (4 * (cy - s.up) - cornerY) / 3;
    const qreal bottomControl = (4 * (cy + s.down) - cornerY) / 3;
    const qreal dx = s.halfWidth * s.spread;
    path.moveTo(cx - s.halfWidth, cornerY);
    path.cubicTo(cx - dx, topControl, cx + dx, topControl, cx + s.halfWidth, cornerY);
    path.cubicTo(cx + dx, bottomControl, cx - dx, bottomControl, cx - s.halfWidth, cornerY);
    path.closeSubpath();
    return path;
}

void paintTeeth(QPainter &painter, const QPainterPath &hole, const Shape &s)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::teeth);
    if (s.clenched) {
        painter.drawPath(hole);
        // Where the rows meet, following the smile.
        QPainterPath seam;
        seam.moveTo(centre.x() - s.halfWidth, centre.y() - s.cornerLift + 0.5);
        seam.quadTo(centre.x(), centre.y() + 1.8, centre.x() + s.halfWidth, centre.y() - s.cornerLift + 0.5);
        painter.setPen(QPen(Palette::mouthDeep, 1.1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(seam);
        painter.setPen(QPen(Palette::teethShade, 0.8));
        for (const qreal x : {-7.0, 0.0, 7.0})
            painter.drawLine(QPointF(centre.x() + x, centre.y() - 3), QPointF(centre.x() + x, centre.y() + 3.5));
        return;
    }
    if (s.upperTeeth > 0) {
        const QPainterPath upper = hole.subtracted(hole.translated(0, s.upperTeeth));
        painter.setBrush(Palette::teeth);
        painter.drawPath(upper);
        painter.setPen(QPen(Palette::teethShade, 0.8));
        painter.drawLine(QPointF(centre.x(), centre.y() - s.up), QPointF(centre.x(), centre.y() - s.up + s.upperTeeth));
        painter.setPen(Qt::NoPen);
    }
    if (s.lowerTeeth > 0) {
        const QPainterPath lower = hole.subtracted(hole.translated(0, -s.lowerTeeth));
        painter.setBrush(Palette::teethShade.lighter(106));
        painter.drawPath(lower);
    }
}

void paintTongue(QPainter &painter, const Shape &s)
{
    painter.setPen(Qt::NoPen);
    if (s.tongue == Tongue::Low) {
        const QPointF at(centre.x() + 1, centre.y() + s.down);
        QRadialGradient shade(at - QPointF(0, s.down * 0.3), s.halfWidth * 0.7);
        shade.setColorAt(0.0, Palette::tongue);
        shade.setColorAt(1.0, Palette::tongueShade);
        painter.setBrush(shade);
        painter.drawEllipse(at, s.halfWidth * 0.62, s.down * 0.6);
    } else if (s.tongue == Tongue::Raised) {
        painter.setBrush(Palette::tongue);
        QPainterPath tip;
        tip.moveTo(centre.x() - s.halfWidth * 0.55, centre.y() + s.down + 1);
        tip.cubicTo(centre.x() - s.halfWidth * 0.5, centre.y() - s.up, centre.x() + s.halfWidth * 0.5,
                    centre.y() - s.up, centre.x() + s.halfWidth * 0.55, centre.y() + s.down + 1);
        painter.drawPath(tip);
        painter.setPen(QPen(Palette::tongueShade, 0.9));
        painter.drawLine(QPointF(centre.x(), centre.y() + 1), QPointF(centre.x(), centre.y() + s.down));
    }
}

// The tongue of "th" pokes out over the lower lip, so it is drawn after it.
void paintTongueOut(QPainter &painter, const Shape &s)
{
    const QPointF at(centre.x(), centre.y() + s.down - 0.5);
    QPainterPath tip;
    tip.moveTo(at + QPointF(-6.5, -2.5));
    tip.cubicTo(at + QPointF(-6.5, 5), at + QPointF(6.5, 5), at + QPointF(6.5, -2.5));
    tip.closeSubpath();
    painter.setPen(QPen(Palette::outline, 1.3));
    painter.setBrush(Palette::tongue);
    painter.drawPath(tip);
    painter.setPen(QPen(Palette::tongueShade, 0.9));
    painter.drawLine(at + QPointF(0, -1.5), at + QPointF(0, 2));
}

// f v: the lower lip rolls up under the upper teeth.
void paintLipUnderTeeth(QPainter &painter, const Shape &s)
{
    const qreal cx = centre.x();
    const qreal cy = centre.y();
    QPainterPath lip;
    lip.moveTo(cx - s.halfWidth - 1, cy - s.cornerLift + 0.5);
    lip.cubicTo(cx - 6, cy + 1.5, cx + 6, cy + 1.5, cx + s.halfWidth + 1, cy - s.cornerLift + 0.5);
    lip.cubicTo(cx + 8, cy + s.down + 4, cx - 8, cy + s.down + 4, cx - s.halfWidth - 1, cy - s.cornerLift + 0.5);
    lip.closeSubpath();
    QLinearGradient shade(0, cy - 1, 0, cy + s.down + 3);
    shade.setColorAt(0.0, Palette::lip.darker(115));
    shade.setColorAt(1.0, Palette::lip.lighter(120));
    painter.setPen(QPen(Palette::outline, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(shade);
    painter.drawPath(lip);
}

void paintRestMouth(QPainter &painter)
{
    const qreal cx = centre.x();
    const qreal cy = centre.y();
    QPainterPath smile;
    smile.moveTo(cx - 12, cy - 2);
    smile.quadTo(cx, cy + 9, cx + 12, cy - 2);
    painter.setPen(QPen(Palette::outline, 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(smile);
    // Dimples at the corners.
    painter.setPen(QPen(Palette::outline, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(cx - 14, cy - 4), QPointF(cx - 11.5, cy - 0.5));
    painter.drawLine(QPointF(cx + 14, cy - 4), QPointF(cx + 11.5, cy - 0.5));
}

} // namespace

void paintMouth(QPainter &painter, Mouth mouth)
{
    painter.save();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    if (mouth == Mouth::Rest) {
        paintRestMouth(painter);
        painter.restore();
        return;
    }
    const Shape s = shapeOf(mouth);
    const QPainterPath hole = opening(s);

    if (s.lipRing > 0) {
        const QPainterPath ring =
            QPainterPathStroker(QPen(Qt::black, 2 * s.lipRing, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin))
                .createStroke(hole)
                .united(hole);
        QRadialGradient shade(centre + QPointF(-2, 3), s.halfWidth + s.lipRing + 4);
        shade.setColorAt(0.0, Palette::lip.lighter(115));
        shade.setColorAt(1.0, Palette::lip.darker(120));
        painter.setPen(QPen(Palette::outline, 1.4));
        painter.setBrush(shade);
        painter.drawPath(ring);
    }

    QRadialGradient inside(centre + QPointF(0, -s.up * 0.3), s.halfWidth + s.down);
    inside.setColorAt(0.0, Palette::mouthDeep);
    inside.setColorAt(1.0, Palette::mouthInside);
    painter.setPen(Qt::NoPen);
    painter.setBrush(inside);
    painter.drawPath(hole);

    painter.save();
    painter.setClipPath(hole);
    paintTongue(painter, s);
    paintTeeth(painter, hole, s);
    painter.restore();

    painter.setPen(QPen(Palette::outline, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(hole);

    if (s.lipUnderTeeth)
        paintLipUnderTeeth(painter, s);
    if (s.tongue == Tongue::Out)
        paintTongueOut(painter, s);

    // A soft highlight under the lower lip gives it some fullness.
    if (s.lipRing == 0 && !s.lipUnderTeeth && s.down < 12) {
        QPainterPath gleam;
        gleam.moveTo(centre.x() - s.halfWidth * 0.4, centre.y() + s.down + 3);
        gleam.quadTo(centre.x(), centre.y() + s.down + 4.5, centre.x() + s.halfWidth * 0.4, centre.y() + s.down + 3);
        painter.setPen(QPen(QColor(255, 255, 230, 50), 1.4, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(gleam);
    }
    painter.restore();
}

} // namespace Microphone
