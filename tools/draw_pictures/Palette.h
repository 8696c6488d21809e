#pragma once

#include <QColor>

// The colours every picture shares, so the face, the splash and the icons
// read as one family.
namespace Palette {

inline const QColor outline(0x2c, 0x33, 0x0b);
inline const QColor skinHighlight(0xd8, 0xe4, 0x8a);
inline const QColor skinLight(0xa9, 0xbb, 0x48);
inline const QColor skin(0x86, 0x98, 0x2e);
inline const QColor skinShadow(0x55, 0x62, 0x18);
inline const QColor grille(0x3e, 0x4a, 0x0c, 90);
inline const QColor brow(0x47, 0x52, 0x12);
inline const QColor cheek(0xff, 0x6e, 0x78, 120);

inline const QColor collarDark(0x2e, 0x33, 0x12);
inline const QColor collarLight(0x8b, 0x94, 0x58);
inline const QColor handleDark(0x26, 0x2a, 0x10);
inline const QColor handleLight(0x6a, 0x72, 0x3a);

inline const QColor eyeWhiteShade(0xdc, 0xe0, 0xd2);
inline const QColor iris(0x4a, 0x30, 0x18);
inline const QColor pupil(0x14, 0x0c, 0x06);

inline const QColor mouthInside(0x4a, 0x12, 0x14);
inline const QColor mouthDeep(0x2a, 0x06, 0x08);
inline const QColor tongue(0xe0, 0x62, 0x6e);
inline const QColor tongueShade(0xb0, 0x3c, 0x4a);
inline const QColor teeth(0xfb, 0xfa, 0xf2);
inline const QColor teethShade(0xd2, 0xd0, 0xc4);
inline const QColor lip(0x6c, 0x7a, 0x20);

// The picture box behind the face, and the colour that marks what is not
// part of a picture.
inline const QColor faceBackground(0x40, 0x40, 0x40);
inline const QColor mask(0xff, 0x00, 0xff);

} // namespace Palette
