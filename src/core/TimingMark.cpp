#include "TimingMark.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcTiming)

bool TimingMark::enabled()
{
    return lcTiming().isDebugEnabled();
}

void TimingMark::log(const char *what)
{
    if (enabled())
        log(what, now());
}

void TimingMark::log(const char *what, std::chrono::system_clock::time_point when)
{
    if (!enabled())
        return;
    qCDebug(
        lcTiming, "%s %lld", what,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count()));
}
