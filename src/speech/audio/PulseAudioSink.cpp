#include "PulseAudioSink.h"

#include "EngineError.h"

#include <pulse/pulseaudio.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>

Q_LOGGING_CATEGORY(lcPulse, "sonti.speech.pulse", QtCriticalMsg)

namespace {
constexpr pa_usec_t TargetLatency = 40 * PA_USEC_PER_MSEC;
constexpr pa_usec_t RequestSize = 10 * PA_USEC_PER_MSEC;
// A server that does not answer (stopped, or a socket nobody serves) is
// given up on after this long, whether connecting or opening a stream; a
// playing stream the server has not asked to feed for StallLimit, unless
// paused, has failed.
constexpr pa_usec_t AnswerTimeout = 1000 * PA_USEC_PER_MSEC;
constexpr pa_usec_t StallLimit = 2000 * PA_USEC_PER_MSEC;
constexpr int SecondsAhead = 2;

class Locker
{
public:
    explicit Locker(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~Locker() { pa_threaded_mainloop_unlock(m_loop); }
    Locker(const Locker &) = delete;
    Locker &operator=(const Locker &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

SontiError interruptedError()
{
    return SontiError(SontiError::AudioFailure, QStringLiteral("PulseAudio"), QStringLiteral("The stream was stopped"));
}

// A stream dropped while the server was still creating it cannot be
// disconnected yet (libpulse refuses until the server has answered), and the
// server would keep it once it answers. It keeps our reference and ends
// itself here as soon as it can.
void endWhenCreated(pa_stream *stream, void *)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        pa_stream_disconnect(stream);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_unref(stream);
    }
}
}

PulseAudioSink::PulseAudioSink()
    : m_loop(pa_threaded_mainloop_new())
{
    pa_threaded_mainloop_start(m_loop);
}

PulseAudioSink::~PulseAudioSink()
{
    {
        Locker lock(m_loop);
        dropStreamLocked();
        dropContextLocked();
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void PulseAudioSink::onContextState(pa_context *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseAudioSink *>(self)->m_loop, 0);
}

void PulseAudioSink::onStreamState(pa_stream *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseAudioSink *>(self)->m_loop, 0);
}

void PulseAudioSink::onWritable(pa_stream *, size_t, void *self)
{
    auto *sink = static_cast<PulseAudioSink *>(self);
    sink->m_answeredAt = pa_rtclock_now();
    sink->feedLocked();
    pa_threaded_mainloop_signal(sink->m_loop, 0);
}

void PulseAudioSink::onUnderflow(pa_stream *, void *self)
{
    ++static_cast<PulseAudioSink *>(self)->m_underruns;
}

void PulseAudioSink::onDrained(pa_stream *, int, void *self)
{
    auto *sink = static_cast<PulseAudioSink *>(self);
    sink->m_drainDone = true;
    pa_threaded_mainloop_signal(sink->m_loop, 0);
}

void PulseAudioSink::onTimer(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseAudioSink *>(self)->m_loop, 0);
}

void PulseAudioSink::waitLocked(pa_usec_t deadline)
{
    if (m_context && deadline != PA_USEC_INVALID) {
        if (m_timer)
            pa_context_rttime_restart(m_context, m_timer, deadline);
        else
            m_timer = pa_context_rttime_new(m_context, deadline, &PulseAudioSink::onTimer, this);
    }
    pa_threaded_mainloop_wait(m_loop);
}

void PulseAudioSink::dropContextLocked()
{
    if (!m_context)
        return;
    if (m_timer) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_timer);
        m_timer = nullptr;
    }
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

bool PulseAudioSink::stalledLocked()
{
    if (m_paused || pa_rtclock_now() < m_answeredAt + StallLimit)
        return false;
    m_error = EngineError::fromPulse(PA_ERR_TIMEOUT, QStringLiteral("The sound server stopped answering"));
    return true;
}

pa_usec_t PulseAudioSink::stallDeadlineLocked() const
{
    return m_paused ? PA_USEC_INVALID : m_answeredAt + StallLimit;
}

SontiError PulseAudioSink::connect()
{
    Locker lock(m_loop);
    return connectLocked();
}

SontiError PulseAudioSink::connectLocked()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return {};
    if (m_context) {
        // The server went away; start over with a new connection.
        dropStreamLocked();
        dropContextLocked();
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Sonti");
    pa_context_set_state_callback(m_context, &PulseAudioSink::onContextState, this);
    SontiError failure;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        failure = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Connecting to the sound server"));
    } else {
        const pa_usec_t deadline = pa_rtclock_now() + AnswerTimeout;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY)
                break;
            if (!PA_CONTEXT_IS_GOOD(state)) {
                failure = EngineError::fromPulse(pa_context_errno(m_context),
                                                 QStringLiteral("Connecting to the sound server"));
                break;
            }
            if (pa_rtclock_now() >= deadline) {
                failure = EngineError::fromPulse(PA_ERR_TIMEOUT, QStringLiteral("Connecting to the sound server"));
                break;
            }
            waitLocked(deadline);
        }
    }
    if (failure.isError())
        dropContextLocked();
    return failure;
}

SontiError PulseAudioSink::start(qint64 tag, const SpAudioFormat &format)
{
    Locker lock(m_loop);
    dropStreamLocked();
    m_tag = tag;
    m_format = format;
    m_error = {};
    m_writtenBytes = 0;
    m_lastHeard = 0;
    m_drained = false;
    m_ringStart = m_ringSize = 0;
    if (tag <= m_flushedThrough)
        return m_error = interruptedError();
    if (SontiError failure = connectLocked(); failure.isError())
        return m_error = failure;

    pa_sample_spec spec;
    spec.format = format.bitsPerSample() == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = uint32_t(format.sampleRate());
    spec.channels = uint8_t(format.channels());
    m_ring.resize(size_t(pa_bytes_per_second(&spec)) * SecondsAhead);

    m_stream = pa_stream_new(m_context, "Speech", &spec, nullptr);
    if (!m_stream)
        return m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Creating the stream"));
    pa_stream_set_state_callback(m_stream, &PulseAudioSink::onStreamState, this);
    pa_stream_set_write_callback(m_stream, &PulseAudioSink::onWritable, this);
    pa_stream_set_underflow_callback(m_stream, &PulseAudioSink::onUnderflow, this);

    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(TargetLatency, &spec));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(pa_usec_to_bytes(RequestSize, &spec));
    attr.fragsize = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                         | PA_STREAM_ADJUST_LATENCY | (m_paused ? PA_STREAM_START_CORKED : 0));
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Opening the stream"));
        dropStreamLocked();
        return m_error;
    }
    const pa_usec_t deadline = pa_rtclock_now() + AnswerTimeout;
    for (;;) {
        if (interruptedLocked())
            return m_error = interruptedError();
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY) {
            m_answeredAt = pa_rtclock_now();
            return {};
        }
        if (!PA_STREAM_IS_GOOD(state) || pa_rtclock_now() >= deadline) {
            const int code = PA_STREAM_IS_GOOD(state) ? PA_ERR_TIMEOUT : pa_context_errno(m_context);
            m_error = EngineError::fromPulse(code, QStringLiteral("Opening the stream"));
            dropStreamLocked();
            return m_error;
        }
        waitLocked(deadline);
    }
}

bool PulseAudioSink::interruptedLocked()
{
    return m_tag <= m_flushedThrough || !m_stream;
}

bool PulseAudioSink::write(QByteArrayView data)
{
    Locker lock(m_loop);
    const char *from = data.data();
    size_t left = size_t(data.size());
    for (;;) {
        if (interruptedLocked()) {
            if (!m_error.isError())
                m_error = interruptedError();
            return false;
        }
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
            m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Playing"));
            return false;
        }
        while (left > 0 && m_ringSize < m_ring.size()) {
            const size_t end = (m_ringStart + m_ringSize) % m_ring.size();
            const size_t room = std::min(m_ring.size() - m_ringSize, m_ring.size() - end);
            const size_t n = std::min(room, left);
            std::memcpy(m_ring.data() + end, from, n);
            m_ringSize += n;
            from += n;
            left -= n;
        }
        feedLocked();
        if (left == 0)
            return true;
        if (stalledLocked())
            return false;
        waitLocked(stallDeadlineLocked());
    }
}

void PulseAudioSink::feedLocked()
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    size_t writable = pa_stream_writable_size(m_stream);
    while (writable > 0 && m_ringSize > 0) {
        const size_t n = std::min({writable, m_ringSize, m_ring.size() - m_ringStart});
        if (pa_stream_write(m_stream, m_ring.data() + m_ringStart, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        m_ringStart = (m_ringStart + n) % m_ring.size();
        m_ringSize -= n;
        m_writtenBytes += qint64(n);
        writable -= n;
    }
}

bool PulseAudioSink::drain()
{
    Locker lock(m_loop);
    for (;;) {
        if (interruptedLocked())
            return false;
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
            m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Playing"));
            return false;
        }
        feedLocked();
        if (m_ringSize == 0)
            break;
        if (stalledLocked())
            return false;
        waitLocked(stallDeadlineLocked());
    }
    m_drainDone = false;
    m_answeredAt = pa_rtclock_now();
    pa_operation *op = pa_stream_drain(m_stream, &PulseAudioSink::onDrained, this);
    bool done = false;
    for (;;) {
        if (m_drainDone) {
            done = true;
            break;
        }
        if (interruptedLocked())
            break;
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
            m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Playing"));
            break;
        }
        if (stalledLocked())
            break;
        waitLocked(stallDeadlineLocked());
    }
    if (op) {
        if (!done)
            pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    m_drained = done;
    return done;
}

void PulseAudioSink::finish()
{
    Locker lock(m_loop);
    if (m_drained)
        m_lastHeard = writtenFramesLocked();
    dropStreamLocked();
}

void PulseAudioSink::dropStreamLocked()
{
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
    if (pa_stream_get_state(m_stream) == PA_STREAM_CREATING) {
        pa_stream_set_state_callback(m_stream, &endWhenCreated, nullptr);
    } else {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    m_stream = nullptr;
}

void PulseAudioSink::flush(qint64 throughTag)
{
    Locker lock(m_loop);
    m_flushedThrough = std::max(m_flushedThrough, throughTag);
    if (m_tag <= m_flushedThrough) {
        // Disconnecting silences the stream at once and drops its buffer.
        dropStreamLocked();
        m_ringStart = m_ringSize = 0;
    }
    pa_threaded_mainloop_signal(m_loop, 0);
}

void PulseAudioSink::setPaused(bool paused)
{
    Locker lock(m_loop);
    m_paused = paused;
    // The server owes no requests while corked: the stall clock starts over.
    m_answeredAt = pa_rtclock_now();
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        if (pa_operation *op = pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(op);
    }
}

qint64 PulseAudioSink::writtenFramesLocked() const
{
    const int block = m_format.blockAlign();
    return block > 0 ? m_writtenBytes / block : 0;
}

AudioSink::Position PulseAudioSink::position()
{
    Locker lock(m_loop);
    Position result;
    result.tag = m_tag;
    if (m_drained) {
        result.frames = writtenFramesLocked();
    } else if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        pa_usec_t usec = 0;
        if (pa_stream_get_time(m_stream, &usec) == 0) {
            const qint64 frames = qint64(usec * pa_usec_t(m_format.sampleRate()) / PA_USEC_PER_SEC);
            m_lastHeard = std::max(m_lastHeard, std::min(frames, writtenFramesLocked()));
        }
        result.frames = m_lastHeard;
        result.playing = !m_paused;
    } else {
        result.frames = m_lastHeard;
    }
    return result;
}

SontiError PulseAudioSink::error() const
{
    Locker lock(m_loop);
    return m_error;
}
