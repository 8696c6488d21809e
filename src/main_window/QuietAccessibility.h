#pragma once

#include <QAccessible>
#include <QPointer>

class QObject;

// Keeps the accessibility events that one widget (or its children) raises
// while this object lives from reaching assistive technology. For changes the
// program makes on its own that a screen reader must not read out, such as
// the selection Sonti sets in the text box when a stream ends: announced, it
// would read the whole text again over the voice that just finished.
//
// Qt hands every event to one update handler in place of the platform's
// bridge, so for the scope of a change this installs a handler that drops
// the widget's events and passes the others on to a handler installed before
// it. Without an earlier handler other events raised within the scope are
// lost too; keep the scope to the one call that makes the change. Scopes may
// nest. Only the UI thread raises accessibility events.
class QuietAccessibility
{
public:
    explicit QuietAccessibility(QObject *source);
    ~QuietAccessibility();

    QuietAccessibility(const QuietAccessibility &) = delete;
    QuietAccessibility &operator=(const QuietAccessibility &) = delete;

private:
    static void filter(QAccessibleEvent *event);

    QPointer<QObject> m_outerSource;
    QAccessible::UpdateHandler m_outerHandler = nullptr;
};
