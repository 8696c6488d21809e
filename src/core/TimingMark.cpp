#include "TimingMark.h"

#include <QLoggingCategory>

#include <chrono>

Q_DECLARE_LOGGING_CATEGORY(lcTiming)

bool TimingMark::enabled()
{
    return lcTiming().isDebugEnabled();
}

void TimingMark::log(const char *what)
{
    if (!enabled())
        return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    qCDebug(lcTiming, "%s %lld", what,
            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}
