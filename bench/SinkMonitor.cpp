#include "SinkMonitor.h"

#include <pulse/pulseaudio.h>

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int Rate = 48000;
// The recorder's fragment, which is also the latency it asks of the sink.
constexpr int ChunkFrames = Rate / 500;
constexpr int Loud = 500;

std::chrono::microseconds framesToTime(int64_t frames)
{
    return std::chrono::microseconds(frames * 1000000 / Rate);
}

double msBetween(SinkMonitor::Clock::time_point a, SinkMonitor::Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}
}

SinkMonitor::SinkMonitor(std::string sink)
    : m_device(std::move(sink) + ".monitor")
{}

SinkMonitor::~SinkMonitor()
{
    m_stop = true;
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            if (m_loop)
                pa_mainloop_wakeup(m_loop);
        }
        m_thread.join();
    }
}

bool SinkMonitor::start()
{
    m_thread = std::thread([this] { run(); });
    for (int waited = 0; waited < 30000; waited += 5) {
        {
            std::lock_guard lock(m_mutex);
            if (m_started != 0)
                return m_started > 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::fprintf(stderr, "cannot record %s: the sound server does not answer\n", m_device.c_str());
    return false;
}

std::unique_ptr<SinkMonitor> SinkMonitor::ofTestSink()
{
    const char *sink = std::getenv("SONTI_TEST_SINK");
    auto monitor = std::make_unique<SinkMonitor>(sink && *sink ? sink : "sonti_null");
    if (!monitor->start())
        return nullptr;
    // An idle null sink runs ahead of its monitor until a recorder has been
    // attached for a while; a sound card has no such lag to wait out.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    return monitor;
}

void SinkMonitor::onContextState(pa_context *context, void *self)
{
    auto *monitor = static_cast<SinkMonitor *>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, Rate, 1};
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = ChunkFrames * 2;
        monitor->m_record = pa_stream_new(context, "monitor", &spec, nullptr);
        pa_stream_set_read_callback(monitor->m_record, &SinkMonitor::onRead, monitor);
        pa_stream_set_state_callback(monitor->m_record, &SinkMonitor::onStreamState, monitor);
        const auto flags =
            pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_record(monitor->m_record, monitor->m_device.c_str(), &attr, flags) < 0) {
            std::fprintf(stderr, "cannot record %s: %s\n", monitor->m_device.c_str(),
                         pa_strerror(pa_context_errno(context)));
            std::lock_guard lock(monitor->m_mutex);
            monitor->m_started = -1;
        }
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        std::lock_guard lock(monitor->m_mutex);
        // Not when the recording ends, or has failed already.
        if (monitor->m_started == 0) {
            std::fprintf(stderr, "cannot record %s: %s\n", monitor->m_device.c_str(),
                         pa_strerror(pa_context_errno(context)));
            monitor->m_started = -1;
        }
    }
}

void SinkMonitor::onStreamState(pa_stream *stream, void *self)
{
    auto *monitor = static_cast<SinkMonitor *>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    std::lock_guard lock(monitor->m_mutex);
    if (state == PA_STREAM_READY && monitor->m_started == 0)
        monitor->m_started = 1;
    if (PA_STREAM_IS_GOOD(state))
        return;
    if (monitor->m_started == 0) {
        std::fprintf(stderr, "cannot record %s: %s\n", monitor->m_device.c_str(),
                     pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
    }
    monitor->m_started = -1;
}

void SinkMonitor::onRead(pa_stream *stream, size_t, void *self)
{
    static_cast<SinkMonitor *>(self)->read(stream);
}

void SinkMonitor::run()
{
    sched_param priority{};
    priority.sched_priority = 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "sonti-bench-monitor");
    pa_context_set_state_callback(context, &SinkMonitor::onContextState, this);
    {
        std::lock_guard lock(m_mutex);
        m_loop = loop;
    }
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        std::lock_guard lock(m_mutex);
        m_started = -1;
    }
    while (!m_stop) {
        {
            std::lock_guard lock(m_mutex);
            if (m_started < 0)
                break;
        }
        if (pa_mainloop_iterate(loop, 1, nullptr) < 0)
            break;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_started == 0)
            m_started = -1;
        m_loop = nullptr;
    }
    if (m_record) {
        pa_stream_disconnect(m_record);
        pa_stream_unref(m_record);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
}

void SinkMonitor::read(pa_stream *stream)
{
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(m_mutex);
    const int64_t before = m_frames;
    while (pa_stream_readable_size(stream) > 0) {
        const void *data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            break;
        const auto *samples = static_cast<const int16_t *>(data);
        const int64_t count = int64_t(bytes / 2);
        // A hole (no data) is silence.
        for (int64_t i = 0; samples && i < count; ++i) {
            if (std::abs(int(samples[i])) > Loud) {
                m_lastLoudFrame = m_frames + i;
                if (m_armed) {
                    m_loudFrame = m_lastLoudFrame;
                    m_armed = false;
                }
            }
        }
        m_frames += count;
        pa_stream_drop(stream);
    }
    // The sink plays what it hands the monitor from then on: the first
    // sample read now is heard no earlier than now.
    if (m_frames == before)
        return;
    const Clock::time_point readStart = now - framesToTime(before);
    if (m_readStart == Clock::time_point() || readStart < m_readStart)
        m_readStart = readStart;
    m_lagMs = std::max(m_lagMs, msBetween(m_readStart, readStart));
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &usec, &negative) < 0)
        return;
    const auto latency = std::chrono::microseconds(int64_t(usec)) * (negative ? -1 : 1);
    const Clock::time_point start = now - framesToTime(m_frames) - latency;
    // Nothing is heard before the monitor has it: a stale report that
    // says otherwise is wrong.
    if (start >= m_readStart && (m_start == Clock::time_point() || start < m_start))
        m_start = start;
}

void SinkMonitor::arm()
{
    std::lock_guard lock(m_mutex);
    m_loudFrame = -1;
    m_armed = true;
    m_lagMs = 0;
    // Dated afresh each time: an idle null sink renders ahead of time
    // until it has had a recorder for a while, which would date every
    // later sample too early.
    m_start = m_readStart = {};
}

SinkMonitor::Clock::time_point SinkMonitor::heardLocked(int64_t frame) const
{
    if (frame < 0 || m_readStart == Clock::time_point())
        return {};
    return std::max(m_start, m_readStart) + framesToTime(frame);
}

SinkMonitor::Clock::time_point SinkMonitor::firstSound()
{
    std::lock_guard lock(m_mutex);
    return heardLocked(m_loudFrame);
}

SinkMonitor::Clock::time_point SinkMonitor::lastSound()
{
    std::lock_guard lock(m_mutex);
    return heardLocked(m_lastLoudFrame);
}

double SinkMonitor::lagMs()
{
    std::lock_guard lock(m_mutex);
    return m_lagMs;
}
