#include "HandlerGuard.h"

#include "SontiError.h"

#include <exception>

HandlerGuard::HandlerGuard(Report report)
    : m_report(std::move(report))
{}

void HandlerGuard::run(const char *handler, const std::function<void()> &action)
{
    try {
        action();
    } catch (const SontiError &e) {
        report(QStringLiteral("%1:%2").arg(QLatin1String(handler)).arg(e.number()),
               QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number()));
    } catch (const std::exception &e) {
        report(QLatin1String(handler), QString::fromLocal8Bit(e.what()));
    }
}

void HandlerGuard::report(const QString &key, const QString &text)
{
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    m_report(text);
}
