#include "QuietAccessibility.h"

#include <QObject>

namespace {

QPointer<QObject> s_source;
QAccessible::UpdateHandler s_passOn = nullptr;

bool raisedBy(const QObject *object, const QObject *source)
{
    for (; object; object = object->parent())
        if (object == source)
            return true;
    return false;
}

} // namespace

QuietAccessibility::QuietAccessibility(QObject *source)
    : m_outerSource(s_source)
{
    s_source = source;
    m_outerHandler = QAccessible::installUpdateHandler(&QuietAccessibility::filter);
    // A nested scope passes on to what the outer scope passed on to.
    if (m_outerHandler != &QuietAccessibility::filter)
        s_passOn = m_outerHandler;
}

QuietAccessibility::~QuietAccessibility()
{
    QAccessible::installUpdateHandler(m_outerHandler);
    s_source = m_outerSource;
}

void QuietAccessibility::filter(QAccessibleEvent *event)
{
    if (raisedBy(event->object(), s_source))
        return;
    if (s_passOn)
        s_passOn(event);
}
