#include "FirstPaintReport.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QObject>
#include <QTimer>

#include <chrono>

// Shared with UiStallReport.
Q_LOGGING_CATEGORY(lcTiming, "sonti.timing", QtCriticalMsg)

namespace {

class PaintWatcher : public QObject
{
public:
    PaintWatcher(QObject *widget, const char *what)
        : QObject(widget)
        , m_what(what)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the paint and the flush that follows it in this pass.
            QTimer::singleShot(0, this, [this] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                qCDebug(lcTiming, "%s %lld", m_what,
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                deleteLater();
            });
        }
        return false;
    }

private:
    const char *m_what;
};

} // namespace

void FirstPaintReport::watch(QObject *widget, const char *what)
{
    if (lcTiming().isDebugEnabled())
        new PaintWatcher(widget, what);
}
