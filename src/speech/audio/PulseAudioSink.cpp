#include "PulseAudioSink.h"

#include "EngineError.h"

#include <pulse/pulseaudio.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <utility>

Q_LOGGING_CATEGORY(lcPulse, "sonti.speech.pulse", QtCriticalMsg)

namespace {
// The server's queue: how long our feeding thread may be starved (by a busy
// machine) before a gap is heard. Cork and disconnect silence it at once,
// and the clock counts it, so its depth costs neither Pause nor the events.
constexpr pa_usec_t ServerQueue = 250 * PA_USEC_PER_MSEC;
// With early requests this is also the latency asked of the device: what it
// renders ahead, and so how late the first sample of a stream is heard.
constexpr pa_usec_t RequestSize = 10 * PA_USEC_PER_MSEC;
// Playback starts (and restarts after running dry) once this much is queued;
// the first write of a stream holds more.
constexpr pa_usec_t StartAfter = 10 * PA_USEC_PER_MSEC;
// The clock's reports (PlaybackClock) are asked for this often while playing.
constexpr pa_usec_t TimingInterval = 4 * PA_USEC_PER_MSEC;
// A server that does not answer (stopped, or a socket nobody serves) is
// given up on after this long, whether connecting or opening a stream; a
// playing stream the server has not asked to feed for StallLimit, unless
// paused, has failed.
constexpr pa_usec_t AnswerTimeout = 1000 * PA_USEC_PER_MSEC;
constexpr pa_usec_t StallLimit = 2000 * PA_USEC_PER_MSEC;
constexpr int SecondsAhead = 2;
// espeak-ng begins an utterance with 12 ms of digital silence: that much,
// and a little more, is not played, so speech is heard that much sooner.
// No longer, so that a pause the text asks for at its start stays whole.
constexpr pa_usec_t LeadToSkip = 20 * PA_USEC_PER_MSEC;

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

void release(pa_stream *stream)
{
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        pa_stream_set_state_callback(stream, &endWhenCreated, nullptr);
    } else {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
}

pa_sample_spec specOf(const SpAudioFormat &format)
{
    pa_sample_spec spec;
    spec.format = format.bitsPerSample() == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = uint32_t(format.sampleRate());
    spec.channels = uint8_t(format.channels());
    return spec;
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
        dropSpareLocked();
        dropContextLocked();
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void PulseAudioSink::onContextState(pa_context *context, void *self)
{
    auto *sink = static_cast<PulseAudioSink *>(self);
    if (sink->m_pendingSpare && pa_context_get_state(context) == PA_CONTEXT_READY)
        sink->keepSpareLocked(*std::exchange(sink->m_pendingSpare, std::nullopt));
    pa_threaded_mainloop_signal(sink->m_loop, 0);
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
    sink->askTimingLocked();
    pa_threaded_mainloop_signal(sink->m_loop, 0);
}

void PulseAudioSink::onTiming(pa_stream *stream, int success, void *self)
{
    auto *sink = static_cast<PulseAudioSink *>(self);
    if (stream != sink->m_stream)
        return;
    sink->m_timingAsked = false;
    if (!success)
        return;
    sink->reportTimingLocked();
    // Until the clock knows whether the server moves in steps, reports
    // follow each other at once: two within a step show it.
    if (sink->m_clock.playing() && !sink->m_clock.settled())
        sink->askTimingLocked(true);
}

void PulseAudioSink::askTimingLocked(bool atOnce)
{
    if (m_timingAsked || !m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    const pa_usec_t now = pa_rtclock_now();
    if (!atOnce && now < m_timingAskedAt + TimingInterval)
        return;
    if (pa_operation *op = pa_stream_update_timing_info(m_stream, &PulseAudioSink::onTiming, this)) {
        pa_operation_unref(op);
        m_timingAsked = true;
        m_timingAskedAt = now;
    }
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
    m_pendingSpare.reset();
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

bool PulseAudioSink::answeringLocked() const
{
    return m_paused || pa_rtclock_now() < m_answeredAt + StallLimit;
}

bool PulseAudioSink::stalledLocked()
{
    if (answeringLocked())
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

void PulseAudioSink::prepare(const SpAudioFormat &format)
{
    Locker lock(m_loop);
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY) {
        keepSpareLocked(format);
        return;
    }
    if (!m_context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))) {
        if (beginConnectLocked().isError()) {
            // connect tries again and says why.
            dropContextLocked();
            return;
        }
    }
    // Opened as soon as the server answers (onContextState).
    m_pendingSpare = format;
}

SontiError PulseAudioSink::beginConnectLocked()
{
    if (m_context) {
        // The server went away; start over with a new connection.
        dropStreamLocked();
        dropSpareLocked();
        dropContextLocked();
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Sonti");
    pa_context_set_state_callback(m_context, &PulseAudioSink::onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Connecting to the sound server"));
    return {};
}

SontiError PulseAudioSink::connectLocked()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return {};
    SontiError failure;
    // A connection prepare began is waited for like a new one.
    if (!m_context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        failure = beginConnectLocked();
    if (!failure.isError()) {
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
    if (m_drained || m_lastHeard > 0) {
        m_previousTag = m_tag;
        m_previousFrames = m_drained ? writtenFramesLocked() : m_lastHeard;
    }
    m_tag = tag;
    m_format = format;
    m_error = {};
    m_writtenBytes = 0;
    m_leadBytes = 0;
    // Silence is zero only in signed samples.
    m_leading = format.bitsPerSample() == 16;
    m_lastHeard = 0;
    m_drained = false;
    m_ringStart = m_ringSize = 0;
    if (tag <= m_flushedThrough)
        return m_error = interruptedError();
    if (SontiError failure = connectLocked(); failure.isError())
        return m_error = failure;

    const pa_sample_spec spec = specOf(format);
    m_ring.resize(size_t(pa_bytes_per_second(&spec)) * SecondsAhead);
    if (m_spare && m_spareFormat == format && PA_STREAM_IS_GOOD(pa_stream_get_state(m_spare))) {
        m_stream = std::exchange(m_spare, nullptr);
        m_corked = true;
    } else {
        dropSpareLocked();
        m_stream = openLocked(format, m_paused);
        m_corked = m_paused;
        if (!m_stream)
            return m_error;
    }
    pa_stream_set_write_callback(m_stream, &PulseAudioSink::onWritable, this);
    pa_stream_set_underflow_callback(m_stream, &PulseAudioSink::onUnderflow, this);
    m_clock.restart();
    m_timingAsked = false;
    m_timingAskedAt = 0;

    const pa_usec_t deadline = pa_rtclock_now() + AnswerTimeout;
    for (;;) {
        if (interruptedLocked())
            return m_error = interruptedError();
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY) {
            m_answeredAt = pa_rtclock_now();
            // A spare, or a pause or resume while the server created it.
            corkLocked(m_paused);
            // The server asked for audio before it had a write callback.
            feedLocked();
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

pa_stream *PulseAudioSink::openLocked(const SpAudioFormat &format, bool corked)
{
    const pa_sample_spec spec = specOf(format);
    pa_stream *stream = pa_stream_new(m_context, "Speech", &spec, nullptr);
    if (!stream) {
        m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Creating the stream"));
        return nullptr;
    }
    pa_stream_set_state_callback(stream, &PulseAudioSink::onStreamState, this);

    // Early requests: the device is asked for RequestSize of latency only,
    // while the stream's own queue (tlength) stays deep. (Adjusting the
    // latency instead would ask the device for half the queue.)
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(ServerQueue, &spec));
    attr.prebuf = uint32_t(pa_usec_to_bytes(StartAfter, &spec));
    attr.minreq = uint32_t(pa_usec_to_bytes(RequestSize, &spec));
    attr.fragsize = uint32_t(-1);
    // No interpolation by libpulse: its clock runs from the stream's
    // creation, not from its first sample, so a spare's would run ahead.
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_EARLY_REQUESTS
                                         | (corked ? PA_STREAM_START_CORKED : 0));
    if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        m_error = EngineError::fromPulse(pa_context_errno(m_context), QStringLiteral("Opening the stream"));
        release(stream);
        return nullptr;
    }
    return stream;
}

void PulseAudioSink::keepSpareLocked(const SpAudioFormat &format)
{
    if (m_spare && m_spareFormat == format && PA_STREAM_IS_GOOD(pa_stream_get_state(m_spare)))
        return;
    dropSpareLocked();
    if (!m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return;
    const SontiError error = m_error;
    m_spare = openLocked(format, true);
    m_spareFormat = format;
    // A spare that cannot be had is no failure of the stream played.
    m_error = error;
}

void PulseAudioSink::dropSpareLocked()
{
    if (m_spare)
        release(std::exchange(m_spare, nullptr));
}

void PulseAudioSink::corkLocked(bool cork)
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY || m_corked == cork)
        return;
    m_corked = cork;
    if (pa_operation *op = pa_stream_cork(m_stream, cork ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
}

bool PulseAudioSink::interruptedLocked()
{
    return m_tag <= m_flushedThrough || !m_stream;
}

bool PulseAudioSink::write(QByteArrayView data)
{
    Locker lock(m_loop);
    const size_t skipped = skipLeadLocked(data);
    const char *from = data.data() + skipped;
    size_t left = size_t(data.size()) - skipped;
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
    const bool playedWell = m_drained && m_stream;
    dropStreamLocked();
    // Only after a stream the server played to its end: one that failed or
    // stalled says the server may not answer a new one either.
    if (playedWell)
        keepSpareLocked(m_format);
}

void PulseAudioSink::dropStreamLocked()
{
    if (m_stream)
        release(std::exchange(m_stream, nullptr));
}

void PulseAudioSink::flush(qint64 throughTag)
{
    Locker lock(m_loop);
    m_flushedThrough = std::max(m_flushedThrough, throughTag);
    if (m_tag <= m_flushedThrough && m_stream) {
        // Disconnecting silences the stream at once and drops its buffer.
        const bool wasPlaying = pa_stream_get_state(m_stream) == PA_STREAM_READY && answeringLocked();
        dropStreamLocked();
        m_ringStart = m_ringSize = 0;
        if (wasPlaying)
            keepSpareLocked(m_format);
    }
    pa_threaded_mainloop_signal(m_loop, 0);
}

void PulseAudioSink::setPaused(bool paused)
{
    Locker lock(m_loop);
    m_paused = paused;
    // The server owes no requests while corked: the stall clock starts over.
    m_answeredAt = pa_rtclock_now();
    corkLocked(paused);
}

qint64 PulseAudioSink::writtenFramesLocked() const
{
    const int block = m_format.blockAlign();
    return block > 0 ? (m_leadBytes + m_writtenBytes) / block : 0;
}

qint64 PulseAudioSink::unplayedLead() const
{
    Locker lock(m_loop);
    const int block = m_format.blockAlign();
    return block > 0 ? m_leadBytes / block : 0;
}

size_t PulseAudioSink::skipLeadLocked(QByteArrayView data)
{
    if (!m_leading)
        return 0;
    const int block = m_format.blockAlign();
    const pa_sample_spec spec = specOf(m_format);
    const auto room = qint64(pa_usec_to_bytes(LeadToSkip, &spec)) - m_leadBytes;
    const qint64 limit = std::min<qint64>(data.size(), room) / block * block;
    qint64 zeros = 0;
    while (zeros < limit && data[zeros] == 0)
        ++zeros;
    zeros = zeros / block * block;
    m_leadBytes += zeros;
    // Sound, or as much silence as is skipped: the rest is played.
    if (zeros < data.size())
        m_leading = false;
    return size_t(zeros);
}

bool PulseAudioSink::reportTimingLocked()
{
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    if (!timing || timing->read_index_corrupt)
        return false;
    // Where the server was reading when it reported, less what the device
    // still held then.
    const pa_usec_t read =
        pa_bytes_to_usec(uint64_t(std::max<int64_t>(timing->read_index, 0)), pa_stream_get_sample_spec(m_stream));
    m_clock.report(pa_timeval_load(&timing->timestamp), int64_t(read) - int64_t(timing->sink_usec),
                   timing->playing && !m_corked);
    return true;
}

AudioSink::Position PulseAudioSink::position()
{
    Locker lock(m_loop);
    Position result;
    result.tag = m_tag;
    if (m_drained) {
        result.frames = writtenFramesLocked();
    } else if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        if (reportTimingLocked()) {
            timeval now;
            pa_gettimeofday(&now);
            const int64_t usec = m_clock.heardAt(pa_timeval_load(&now), !m_corked);
            qint64 frames = qint64(usec * m_format.sampleRate() / int64_t(PA_USEC_PER_SEC));
            // The silence left unplayed counts as heard with the first
            // sample played.
            if (frames > 0)
                frames += m_leadBytes / m_format.blockAlign();
            // Never past what was written: the sink cannot play what it
            // was not given.
            m_lastHeard = std::max(m_lastHeard, std::min(frames, writtenFramesLocked()));
        }
        askTimingLocked();
        result.frames = m_lastHeard;
        result.playing = !m_paused;
    } else {
        result.frames = m_lastHeard;
    }
    if (!m_drained && m_lastHeard == 0) {
        // Until its first sample sounds, the stream heard is still the one
        // before: the device may take a while to start (or resume), and an
        // event at the stream's first frame must wait for it.
        result.tag = m_previousTag;
        result.frames = m_previousFrames;
        result.playing = false;
    }
    return result;
}

SontiError PulseAudioSink::error() const
{
    Locker lock(m_loop);
    return m_error;
}
