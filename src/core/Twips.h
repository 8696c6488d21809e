#pragma once

#include <QRect>

// Geometry is written in twips (1440 per inch) as the window was designed;
// at 96 dots per inch a pixel is 15 twips. Qt scales pixels on high-dpi screens.
namespace Twips {

constexpr int perPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / perPixel;
}
constexpr int fromPixels(int pixels)
{
    return pixels * perPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
