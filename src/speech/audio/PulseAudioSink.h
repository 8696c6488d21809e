#pragma once

#include "AudioSink.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;

// Plays through PulseAudio (or PipeWire's PulseAudio server) with libpulse's
// threaded main loop. The server's buffer is kept small (about 40 ms) so
// audio starts and stops at once; the two seconds ahead of playback wait in
// our own ring and are fed to the server as it asks. The clock is
// pa_stream_get_time with interpolated timing, which tracks the sample being
// heard to about a millisecond. Every member touching libpulse holds the
// main loop's lock; the loop's callbacks only feed the ring and wake waiters.
class PulseAudioSink : public AudioSink
{
public:
    PulseAudioSink();
    ~PulseAudioSink() override;
    PulseAudioSink(const PulseAudioSink &) = delete;
    PulseAudioSink &operator=(const PulseAudioSink &) = delete;

    SontiError connect() override;
    SontiError start(qint64 tag, const SpAudioFormat &format) override;
    bool write(QByteArrayView data) override;
    bool drain() override;
    void finish() override;
    void flush(qint64 throughTag) override;
    void setPaused(bool paused) override;
    Position position() override;
    SontiError error() const override;
    // How often the server ran out of audio in mid-stream since this sink
    // was made: a gap heard, and the clock held while it lasted.
    int underruns() const { return m_underruns.load(); }

private:
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);
    static void onUnderflow(pa_stream *stream, void *self);
    static void onTimer(pa_mainloop_api *api, pa_time_event *event, const struct timeval *when, void *self);

    SontiError connectLocked();
    void dropContextLocked();
    // Waits for a callback, or until the deadline (PA_USEC_INVALID: none).
    void waitLocked(std::uint64_t deadline);
    bool stalledLocked();
    std::uint64_t stallDeadlineLocked() const;
    bool interruptedLocked();
    void feedLocked();
    void dropStreamLocked();
    qint64 writtenFramesLocked() const;

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    SpAudioFormat m_format;
    qint64 m_tag = 0;
    qint64 m_flushedThrough = 0;
    bool m_paused = false;
    bool m_drained = false;
    bool m_drainDone = false;
    pa_time_event *m_timer = nullptr;
    // When the server last asked for audio, or playing (re)started.
    std::uint64_t m_answeredAt = 0;
    qint64 m_writtenBytes = 0;
    qint64 m_lastHeard = 0;
    SontiError m_error;
    std::atomic<int> m_underruns = 0;
    // The ring of audio not yet handed to the server.
    std::vector<char> m_ring;
    size_t m_ringStart = 0;
    size_t m_ringSize = 0;
};
