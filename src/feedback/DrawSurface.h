#pragma once

#include <QtGlobal>

// What the level meter needs of the thing it paints on: a background colour
// that erases everything, and solid boxes between two corner points. Both
// corners are in pixels of the surface, y growing downwards; colours are OLE
// colours (0x00BBGGRR). Coordinates may lie outside the surface or in either
// order; what falls outside is clipped.
class DrawSurface
{
public:
    virtual ~DrawSurface() = default;

    // Fills the whole surface with the colour; everything drawn is lost.
    virtual void setBackColor(quint32 oleColor) = 0;
    virtual quint32 backColor() const = 0;

    // Fills the box whose opposite corners are (x1, y1) and (x2, y2), both
    // corners included.
    virtual void fillBox(int x1, int y1, int x2, int y2, quint32 oleColor) = 0;
};
