#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are stored and passed as 32-bit OLE colours, 0x00BBGGRR: red in the
// low byte, blue in the third byte.
namespace OleColor {

constexpr quint32 fromRgb(int red, int green, int blue)
{
    return quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16);
}

inline QColor toQColor(quint32 ole)
{
    return QColor(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

inline quint32 fromQColor(const QColor &color)
{
    return fromRgb(color.red(), color.green(), color.blue());
}

} // namespace OleColor
