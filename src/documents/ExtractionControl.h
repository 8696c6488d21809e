#pragma once

#include "SontiError.h"

#include <QDeadlineTimer>

#include <atomic>
#include <chrono>
#include <functional>

// What a caller keeps in hand while a document is read: a progress callback,
// a cancel flag and a time limit. The reader and every format check stopped()
// between pages, archive entries and read blocks, so a hostile document ends
// within one such step of the limit. Header-only: the formats module shares it.
//
// The window reads on a worker thread: the callback runs there, and the
// window marshals it to its own thread; the flag is set from the window's.
class ExtractionControl
{
public:
    using Progress = std::function<void(int percent)>;

    static constexpr std::chrono::milliseconds DefaultTimeLimit{60'000};

    ExtractionControl() = default;
    explicit ExtractionControl(Progress progress, const std::atomic_bool *cancel = nullptr,
                               std::chrono::milliseconds timeLimit = DefaultTimeLimit)
        : m_progress(std::move(progress))
        , m_cancel(cancel)
        , m_deadline(timeLimit)
    {}

    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }
    bool timedOut() const { return m_deadline.hasExpired(); }
    bool stopped() const { return cancelled() || timedOut(); }

    // The error to give up with once stopped() is true.
    SontiError stopError(const QString &source) const
    {
        return SontiError(SontiError::UserInterrupt, source,
                          cancelled() ? QStringLiteral("Cancelled") : QStringLiteral("Took too long to read"));
    }

    // done of total steps (pages, entries, bytes); nothing when total is unknown.
    void report(qint64 done, qint64 total) const
    {
        if (m_progress && total > 0)
            m_progress(int(std::clamp<qint64>(done * 100 / total, 0, 100)));
    }

    // The same control for one phase of the work, whose 0-100 % show as
    // from-to % of the whole.
    ExtractionControl phase(int from, int to) const
    {
        ExtractionControl part = *this;
        if (m_progress) {
            part.m_progress = [progress = m_progress, from, to](int percent) {
                progress(from + percent * (to - from) / 100);
            };
        }
        return part;
    }

private:
    Progress m_progress;
    const std::atomic_bool *m_cancel = nullptr;
    QDeadlineTimer m_deadline{DefaultTimeLimit};
};
