#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

class DrawSurface;

// A column of horizontal bars showing a level from 0 to 100, drawn on a
// surface it is given. The meter stores no level: between two calls of Draw
// its state is only what is painted on the surface, and Draw repaints every
// bar, lit or unlit, without erasing first, so the column is never blank.
//
// Geometry and colour properties only take effect at the next Draw. Draw's
// arithmetic is 16-bit with overflow detection, as the meter was designed;
// its failures are thrown as SontiError:
//   no surface            -> 91 "Object variable or With block variable not set"
//   NumBars 0             -> 11 "Division by zero"
//   a 16-bit overflow     ->  6 "Overflow" (bars already drawn in the call stay)
// Colours are OLE colours (0x00BBGGRR); sizes and positions are in pixels.
class AMeter
{
public:
    struct Member
    {
        const char *name;
        const char *description;
    };

    // Every public member with the description shipped with it, in the
    // meter's own order.
    static const std::array<Member, 10> &members();
    // The description of a member by name; empty for an unknown name.
    static QString description(const QString &memberName);

    AMeter() = default;

    quint32 BarBackColor() const { return m_BarBackColor; }
    void setBarBackColor(quint32 vData) { m_BarBackColor = vData; }
    quint32 BarForeColor() const { return m_BarForeColor; }
    void setBarForeColor(quint32 vData) { m_BarForeColor = vData; }
    qint16 BarGap() const { return m_BarGap; }
    void setBarGap(qint16 vData) { m_BarGap = vData; }
    qint16 BarHeight() const { return m_BarHeight; }
    void setBarHeight(qint16 vData) { m_BarHeight = vData; }
    qint16 BarWidth() const { return m_BarWidth; }
    void setBarWidth(qint16 vData) { m_BarWidth = vData; }

    // Repaints the whole column for NewVal, nominally 0-100: the bars whose
    // threshold NewVal reaches are lit, except that 0 lights none.
    void Draw(qint32 NewVal);

    qint16 NumBars() const { return m_NumBars; }
    void setNumBars(qint16 vData) { m_NumBars = vData; }

    // Stores the surface, then erases it to SurfaceColor. A null surface is
    // stored and then fails with error 91. A surface that is a QObject is
    // tracked: once it is destroyed the meter behaves as if it had none.
    void setSurface(DrawSurface *vData);

    quint32 SurfaceColor() const { return m_SurfaceColor; }
    // Stores the colour, then erases the surface to it (error 91 without one).
    void setSurfaceColor(quint32 vData);

    qint16 Xleft() const { return m_Xleft; }
    void setXleft(qint16 vData) { m_Xleft = vData; }

private:
    DrawSurface *surface() const;

    DrawSurface *m_Surface = nullptr;
    QPointer<QObject> m_surfaceObject;
    bool m_surfaceIsObject = false;
    quint32 m_BarForeColor = 0xC000;
    quint32 m_BarBackColor = 0x4000;
    quint32 m_SurfaceColor = 0;
    qint16 m_NumBars = 10;
    qint16 m_BarWidth = 20;
    qint16 m_BarHeight = 1;
    qint16 m_BarGap = 3;
    qint16 m_Xleft = 7;
};
