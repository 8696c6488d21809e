#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct pa_mainloop;
struct pa_context;
struct pa_stream;

// Records a sink's monitor on a real-time thread of its own and dates its
// samples by when the sink plays them: the time the first loud sample after
// arm() was heard, and the last loud one.
//
// A sample is not heard when it is read. A reader starved by a busy machine
// reads late, and a monitor gets each sample when the sink renders it,
// which is ahead of its playing by up to the sink's latency (a null sink
// renders 2 ms ahead of its clock for a 2 ms recorder). The stream's
// latency counts both, signed: the last frame read was heard at the time
// of the read less the latency. Each read so dates the recording's first
// sample; the earliest of these since arm() is kept, but never one before
// the monitor had the sample: the first sample of each read is heard no
// earlier than the read. (A stale timing report can say otherwise, and
// PipeWire's server always does: it reports no latency for a monitor, which
// would date a whole cycle of audio before the sink had it.)
class SinkMonitor
{
public:
    using Clock = std::chrono::steady_clock;

    explicit SinkMonitor(std::string sink);
    ~SinkMonitor();
    SinkMonitor(const SinkMonitor &) = delete;
    SinkMonitor &operator=(const SinkMonitor &) = delete;

    // Starts recording; false, with a message on standard error, if it cannot.
    bool start();
    // A monitor of the test sink (SONTI_TEST_SINK, or sonti_null), recording
    // and in step with the sink; null if it cannot record.
    static std::unique_ptr<SinkMonitor> ofTestSink();
    void arm();
    // The time the first loud sample since arm() was heard; none yet: {}.
    Clock::time_point firstSound();
    // The time the last loud sample so far was heard; none yet: {}.
    Clock::time_point lastSound();
    // How far behind the reader read since arm(), at worst, in ms: what a
    // recorder dating samples by the time it read them would be wrong by.
    double lagMs();

private:
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onRead(pa_stream *stream, size_t bytes, void *self);
    void run();
    void read(pa_stream *stream);
    Clock::time_point heardLocked(int64_t frame) const;

    std::string m_device;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    pa_mainloop *m_loop = nullptr;
    pa_stream *m_record = nullptr;
    // Set once recording or failing, under m_mutex.
    int m_started = 0;
    std::mutex m_mutex;
    int64_t m_frames = 0;
    bool m_armed = false;
    int64_t m_loudFrame = -1;
    int64_t m_lastLoudFrame = -1;
    double m_lagMs = 0;
    Clock::time_point m_start;     // when the recording's first sample was heard
    Clock::time_point m_readStart; // the earliest it can be, by the reads alone
};
