#include "EventScheduler.h"

#include <QPointer>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>

namespace {
// Wake at least this often while events wait, to follow the clock through
// stalls and the gap before a stream starts.
constexpr int MaxSleepMs = 20;
// While the stream to be heard next has not started playing, the clock
// says nothing about when it will: look often, so its first events are not
// late by a whole sleep.
constexpr int StartPollMs = 3;
}

EventScheduler::EventScheduler(AudioSink &sink, QObject *parent)
    : QObject(parent)
    , m_sink(sink)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventScheduler::deliverDue);
}

void EventScheduler::push(const SpeechEvent &event)
{
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        if (event.stream <= m_droppedThrough)
            return;
        // A stream that failed ends at once; what it did not play is not
        // reported as heard.
        if (event.immediate)
            std::erase_if(m_queue, [&event](const SpeechEvent &e) { return e.stream <= event.stream; });
        // Nearly every event belongs at the back: search from there.
        auto at = m_queue.end();
        while (at != m_queue.begin()) {
            const SpeechEvent &before = *std::prev(at);
            if (before.stream < event.stream || (before.stream == event.stream && before.frame <= event.frame))
                break;
            --at;
        }
        const bool atFront = at == m_queue.begin();
        m_queue.insert(at, event);
        if ((atFront || event.immediate) && !m_wakePosted) {
            m_wakePosted = true;
            post = true;
        }
    }
    if (post)
        QMetaObject::invokeMethod(this, &EventScheduler::wake, Qt::QueuedConnection);
}

void EventScheduler::wake()
{
    Q_ASSERT(QThread::currentThread() == thread());
    {
        std::lock_guard lock(m_mutex);
        m_wakePosted = false;
    }
    deliverDue();
}

void EventScheduler::dropThrough(int stream, const QList<SpeechEvent> &ends)
{
    Q_ASSERT(QThread::currentThread() == thread());
    bool pauseNow = false;
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        m_droppedThrough = std::max(m_droppedThrough, stream);
        std::erase_if(m_queue, [stream](const SpeechEvent &e) { return e.stream <= stream; });
        if (m_pauseAt && m_pauseAt->tag <= stream) {
            // The stream it waited for is gone: pause now instead.
            m_pauseAt.reset();
            m_held = true;
            pauseNow = true;
        }
        m_ends.insert(m_ends.end(), ends.begin(), ends.end());
        if (!ends.isEmpty() && !m_wakePosted) {
            m_wakePosted = true;
            post = true;
        }
    }
    // The sink takes its own lock, so never while ours is held.
    if (pauseNow)
        m_sink.setPaused(true);
    // Posted, so the ends arrive after the purging call has returned.
    if (post)
        QMetaObject::invokeMethod(this, &EventScheduler::wake, Qt::QueuedConnection);
}

std::optional<qint64> EventScheduler::nextFrameOf(SpeechEvent::Kind kind, int maxAheadMs)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const AudioSink::Position now = m_sink.position();
    std::lock_guard lock(m_mutex);
    for (const SpeechEvent &e : m_queue) {
        if (e.stream != now.tag || e.kind != kind || e.frame < now.frames)
            continue;
        if ((e.frame - now.frames) * 1000 > qint64(maxAheadMs) * std::max(e.sampleRate, 1))
            return std::nullopt;
        return e.frame;
    }
    return std::nullopt;
}

void EventScheduler::pauseAt(qint64 tag, qint64 frame)
{
    Q_ASSERT(QThread::currentThread() == thread());
    {
        std::lock_guard lock(m_mutex);
        int sampleRate = 0;
        for (const SpeechEvent &e : m_queue) {
            if (e.stream == tag) {
                sampleRate = e.sampleRate;
                break;
            }
        }
        m_pauseAt = PausePoint{tag, frame, sampleRate};
        m_held = true;
    }
    deliverDue();
}

void EventScheduler::setHeld(bool held)
{
    Q_ASSERT(QThread::currentThread() == thread());
    {
        std::lock_guard lock(m_mutex);
        m_held = held;
        m_pauseAt.reset();
    }
    if (held)
        m_timer.stop();
    else
        deliverDue();
}

// How long to sleep until target (a frame of the stream heard now, or -1
// for none), waking at least every MaxSleepMs, and every StartPollMs while
// the stream has not started.
int EventScheduler::sleepUntil(const AudioSink::Position &now, qint64 target, int sampleRate)
{
    if (target < 0 || !now.playing || sampleRate <= 0)
        return StartPollMs;
    return int(std::clamp<qint64>(((target - now.frames) * 1000 + sampleRate - 1) / sampleRate, 1, MaxSleepMs));
}

void EventScheduler::deliverDue()
{
    Q_ASSERT(QThread::currentThread() == thread());
    // A handler that runs a nested event loop (a modal box) would otherwise
    // get the next events inside its own call. A nested call only carries
    // out a pending pause; the events wait until the handler has returned,
    // and the outer call delivers them.
    const bool nested = m_delivering;
    m_delivering = true;
    const QPointer<EventScheduler> alive(this);
    const auto delivered = qScopeGuard([this, &alive, nested] {
        if (alive && !nested)
            m_delivering = false;
    });
    for (;;) {
        const AudioSink::Position now = m_sink.position();
        std::optional<SpeechEvent> event;
        int sleepMs = -1;
        bool pauseNow = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_pauseAt
                && (now.tag > m_pauseAt->tag || (now.tag == m_pauseAt->tag && now.frames >= m_pauseAt->frame))) {
                m_pauseAt.reset();
                pauseNow = true;
            }
            if (!m_ends.empty() && !nested) {
                // Every event still queued belongs to a later stream.
                event = std::move(m_ends.front());
                m_ends.pop_front();
            } else if (!m_held && !m_queue.empty() && !nested) {
                const SpeechEvent &head = m_queue.front();
                const bool isDue =
                    head.immediate || head.stream < now.tag || (head.stream == now.tag && head.frame <= now.frames);
                if (isDue) {
                    event = std::move(m_queue.front());
                    m_queue.pop_front();
                } else {
                    sleepMs = sleepUntil(now, head.stream == now.tag ? head.frame : -1, head.sampleRate);
                }
            }
            // Delivery is held already; the sound plays on to the pause point.
            if (!event && m_pauseAt) {
                const int untilPause =
                    sleepUntil(now, m_pauseAt->tag == now.tag ? m_pauseAt->frame : -1, m_pauseAt->sampleRate);
                sleepMs = sleepMs < 0 ? untilPause : std::min(sleepMs, untilPause);
            }
        }
        if (pauseNow)
            m_sink.setPaused(true);
        if (!event) {
            if (sleepMs < 0)
                m_timer.stop();
            else
                m_timer.start(sleepMs);
            return;
        }
        Q_EMIT due(*event);
        // A handler may have destroyed the voice, and this with it.
        if (!alive)
            return;
    }
}
