#include "UiStallReport.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcTiming)

namespace {

constexpr int IntervalMs = 2;
constexpr qint64 ReportAboveMs = 4;

} // namespace

void UiStallReport::start(QObject *owner)
{
    if (!lcTiming().isDebugEnabled())
        return;
    auto *timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [clock] {
        const qint64 late = clock->restart() - IntervalMs;
        if (late > ReportAboveMs) {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            qCDebug(lcTiming, "stall %lld %lld", static_cast<long long>(late),
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        }
    });
    timer->start(IntervalMs);
}
