#include "NullAudioSink.h"

#include <algorithm>

namespace {
constexpr int SecondsAhead = 2;
}

NullAudioSink::NullAudioSink(double speed)
    : m_speed(speed > 0 ? speed : 1.0)
{}

NullAudioSink::NullAudioSink(std::shared_ptr<ManualClock> clock)
    : m_manualClock(std::move(clock))
    , m_manualSeen(m_manualClock->microseconds())
{}

void NullAudioSink::setConnectError(const SontiError &error)
{
    std::lock_guard lock(m_mutex);
    m_connectError = error;
}

void NullAudioSink::setCapture(bool capture)
{
    std::lock_guard lock(m_mutex);
    m_capture = capture;
}

QByteArray NullAudioSink::captured(qint64 tag) const
{
    std::lock_guard lock(m_mutex);
    return m_captured.value(tag);
}

QList<qint64> NullAudioSink::startedTags() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

SontiError NullAudioSink::connect()
{
    std::lock_guard lock(m_mutex);
    return m_connectError;
}

void NullAudioSink::advanceLocked()
{
    if (m_manualClock) {
        const qint64 now = m_manualClock->microseconds();
        if (!m_paused)
            m_manualCredit += double(now - m_manualSeen);
        m_manualSeen = now;
        const int rate = m_format.sampleRate();
        if (m_open && rate > 0) {
            const double left = double(m_written) - m_heard;
            const double affordable = m_manualCredit * rate / 1e6;
            if (affordable >= left) {
                m_heard = double(m_written);
                m_manualCredit -= left * 1e6 / rate;
            } else {
                m_heard += affordable;
                m_manualCredit = 0;
            }
        }
        return;
    }
    const Clock::time_point now = Clock::now();
    if (m_open && !m_paused) {
        const double seconds = std::chrono::duration<double>(now - m_lastAdvance).count();
        m_heard = std::min(double(m_written), m_heard + seconds * m_format.sampleRate() * m_speed);
    }
    m_lastAdvance = now;
}

bool NullAudioSink::interruptedLocked() const
{
    return !m_open || m_tag <= m_flushedThrough;
}

SontiError NullAudioSink::start(qint64 tag, const SpAudioFormat &format)
{
    std::lock_guard lock(m_mutex);
    m_tag = tag;
    m_format = format;
    m_written = 0;
    m_heard = 0;
    m_lastAdvance = Clock::now();
    m_open = tag > m_flushedThrough && !m_connectError.isError();
    m_error = m_connectError.isError() ? m_connectError
        : m_open                       ? SontiError()
                                       : SontiError(SontiError::AudioFailure, QStringLiteral("NullAudioSink"),
                                                    QStringLiteral("The stream was stopped"));
    if (m_open)
        m_started.append(tag);
    return m_error;
}

bool NullAudioSink::write(QByteArrayView data)
{
    std::unique_lock lock(m_mutex);
    const qint64 frames = data.size() / std::max(m_format.blockAlign(), 1);
    const qint64 ahead = qint64(m_format.sampleRate()) * SecondsAhead;
    for (;;) {
        if (interruptedLocked())
            return false;
        advanceLocked();
        if (m_written - qint64(m_heard) + frames <= ahead || m_written == 0)
            break;
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    if (m_capture)
        m_captured[m_tag].append(data.data(), data.size());
    m_written += frames;
    return true;
}

bool NullAudioSink::drain()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (interruptedLocked())
            return false;
        advanceLocked();
        if (m_heard >= double(m_written))
            return true;
        m_changed.wait_for(lock, std::chrono::milliseconds(2));
    }
}

void NullAudioSink::finish()
{
    std::lock_guard lock(m_mutex);
    advanceLocked();
    m_open = false;
}

void NullAudioSink::flush(qint64 throughTag)
{
    std::lock_guard lock(m_mutex);
    m_flushedThrough = std::max(m_flushedThrough, throughTag);
    if (m_tag <= m_flushedThrough)
        m_open = false;
    m_changed.notify_all();
}

void NullAudioSink::setPaused(bool paused)
{
    std::lock_guard lock(m_mutex);
    advanceLocked();
    m_paused = paused;
    m_changed.notify_all();
}

AudioSink::Position NullAudioSink::position()
{
    std::lock_guard lock(m_mutex);
    advanceLocked();
    return {m_tag, qint64(m_heard), m_open && !m_paused};
}

SontiError NullAudioSink::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}
