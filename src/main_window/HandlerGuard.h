#pragma once

#include <QSet>
#include <QString>

#include <functional>

// Runs the window's handlers that have no error handling of their own. A
// failure never ends the program: it is passed to the report function once,
// and the same failure of the same handler stays quiet until forget() (a
// new Speak), so a fault in a handler of a frequent event does not flood
// the user with message boxes.
class HandlerGuard
{
public:
    using Report = std::function<void(const QString &text)>;

    explicit HandlerGuard(Report report);

    void run(const char *handler, const std::function<void()> &action);
    void forget() { m_reported.clear(); }

private:
    void report(const QString &key, const QString &text);

    Report m_report;
    QSet<QString> m_reported;
};
