#include "AMeter.h"

#include "DrawSurface.h"
#include "SontiError.h"

#include <limits>

namespace {

const QString errorSource = QStringLiteral("AMeter");

[[noreturn]] void fail(int number, const char *description)
{
    throw SontiError(number, errorSource, QString::fromLatin1(description));
}

// The meter's quantities are 16-bit integers; a result outside their range
// is an overflow error rather than a wrapped value.
qint16 checked(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        fail(SontiError::Overflow, "Overflow");
    return qint16(value);
}

void failNotSet()
{
    fail(SontiError::ObjectNotSet, "Object variable or With block variable not set");
}

} // namespace

const std::array<AMeter::Member, 10> &AMeter::members()
{
    static const std::array<Member, 10> table = {{
        {"BarBackColor", "Bar Background Color"},
        {"BarForeColor", "Bar Foreground Color"},
        {"BarGap", "Distance between two bars. (Default 3)"},
        {"BarHeight", "Height of the each Bar. (Default 1)"},
        {"BarWidth", "Bar Width. (Default 20)."},
        {"Draw", "Call this method to Draw the Bar. Value Range 0-100."},
        {"NumBars", "Numbers of Bers. (Default 10)"},
        {"Surface", "Usually a PictureBox object on which Bar(s) are drawn."},
        {"SurfaceColor", "Background Color of Surface (aka PictureBox)."},
        {"Xleft", "Left Margin. (Default 7)."},
    }};
    return table;
}

QString AMeter::description(const QString &memberName)
{
    for (const Member &member : members()) {
        if (memberName == QLatin1String(member.name))
            return QString::fromLatin1(member.description);
    }
    return {};
}

DrawSurface *AMeter::surface() const
{
    if (m_surfaceIsObject && !m_surfaceObject)
        return nullptr;
    return m_Surface;
}

void AMeter::setSurface(DrawSurface *vData)
{
    m_Surface = vData;
    m_surfaceObject = dynamic_cast<QObject *>(vData);
    m_surfaceIsObject = !m_surfaceObject.isNull();
    // Our surfaces always measure in pixels and draw 1-pixel lines, so
    // preparing a new surface comes down to erasing it.
    if (!m_Surface)
        failNotSet();
    m_Surface->setBackColor(m_SurfaceColor);
}

void AMeter::setSurfaceColor(quint32 vData)
{
    m_SurfaceColor = vData;
    DrawSurface *target = surface();
    if (!target)
        failNotSet();
    target->setBackColor(m_SurfaceColor);
}

void AMeter::Draw(qint32 NewVal)
{
    const qint16 last = m_NumBars;
    for (int i = 0; i <= last; ++i) {
        const qint16 scaled = checked(i * 100);
        if (m_NumBars == 0)
            fail(SontiError::DivisionByZero, "Division by zero");
        const qint16 q = checked(scaled / m_NumBars);
        const qint16 threshold = checked(100 - q);
        const bool lit = NewVal >= threshold && NewVal != 0;

        const qint16 x1 = m_Xleft;
        const qint16 y1 = checked(m_Xleft + checked(m_BarGap * i));
        const qint16 x2 = checked(m_Xleft + m_BarWidth);
        const qint16 y2 = checked(y1 + m_BarHeight);

        DrawSurface *target = surface();
        if (!target)
            failNotSet();
        target->fillBox(x1, y1, x2, y2, lit ? m_BarForeColor : m_BarBackColor);
    }
}
