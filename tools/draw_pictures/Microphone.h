#pragma once

#include <QPainterPath>
#include <QRect>

class QPainter;

// Microphone draws the olive-green cartoon microphone with its face in a
// 128 x 128 design space (the size of the mouth pictures); the splash scales
// the same drawing down. The face's eyes and mouth are drawn separately so
// that the face pictures can swap them while everything else stays identical
// pixel for pixel.
namespace Microphone {

enum class Eyes { Open, Closed, Narrow };

// Rest is the closed smile of the full face, Smile the open laugh of the
// splash; Mic2..Mic13 are the twelve speaking shapes, named after their
// pictures.
enum class Mouth { Rest, Smile, Mic2, Mic3, Mic4, Mic5, Mic6, Mic7, Mic8, Mic9, Mic10, Mic11, Mic12, Mic13 };

// Handle, collar and head, without eyes and mouth. The handle ends at
// handleBottom (design units; 128 runs it off the bottom of the face pictures).
void paintBody(QPainter &painter, qreal handleBottom = 128);
void paintEyes(QPainter &painter, Eyes eyes);
void paintMouth(QPainter &painter, Mouth mouth);

// The outline of everything paintBody covers.
QPainterPath silhouette(qreal handleBottom = 128);

// The pixel areas that the eye and mouth pictures replace; every eye state
// and every mouth shape stays inside its area.
QRect eyeRegion();
QRect mouthRegion();

} // namespace Microphone
