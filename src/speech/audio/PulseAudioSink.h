#pragma once

#include "AudioSink.h"
#include "PlaybackClock.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;

// Plays through PulseAudio (or PipeWire's PulseAudio server) with libpulse's
// threaded main loop. The two seconds ahead of playback wait in our own
// ring; the server holds a deep queue of them (a quarter second), so a busy
// machine that starves our feeding thread for a while is not heard, while
// the device itself is asked for little latency, so audio starts at once
// and a cork or a disconnect silences it at once. The clock is the server's
// report of where it reads, asked for every few milliseconds while playing
// and moved on by the time since (PlaybackClock), which tracks the sample
// being heard to about a millisecond on PulseAudio, and never runs ahead of
// it on PipeWire, however much is queued.
//
// A stream that ended well leaves a corked, empty spare of its format
// behind, which the next start of that format takes up: opening a stream
// costs PipeWire's server about 12 ms. prepare opens the first spare (and
// the connection, if need be) without waiting, so a program's first Speak
// is as quick as its later ones. A corked stream plays nothing and keeps
// no device awake.
//
// Every member touching libpulse holds the main loop's lock; the loop's
// callbacks only feed the ring and wake waiters.
class PulseAudioSink : public AudioSink
{
public:
    PulseAudioSink();
    ~PulseAudioSink() override;
    PulseAudioSink(const PulseAudioSink &) = delete;
    PulseAudioSink &operator=(const PulseAudioSink &) = delete;

    SontiError connect() override;
    void prepare(const SpAudioFormat &format) override;
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
    // The frames of silence the last stream began with that were not
    // played: they were heard with its first sample played.
    qint64 unplayedLead() const;

private:
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);
    static void onUnderflow(pa_stream *stream, void *self);
    static void onTiming(pa_stream *stream, int success, void *self);
    static void onTimer(pa_mainloop_api *api, pa_time_event *event, const struct timeval *when, void *self);

    SontiError connectLocked();
    // Starts connecting without waiting; fails only when libpulse refuses.
    SontiError beginConnectLocked();
    void dropContextLocked();
    // Waits for a callback, or until the deadline (PA_USEC_INVALID: none).
    void waitLocked(std::uint64_t deadline);
    // Whether the server has asked for audio lately, unless paused.
    bool answeringLocked() const;
    bool stalledLocked();
    std::uint64_t stallDeadlineLocked() const;
    bool interruptedLocked();
    void feedLocked();
    // Asks the server where it is playing, unless asked just now.
    void askTimingLocked(bool atOnce = false);
    // Gives the clock the stream's last report; false if it has none.
    bool reportTimingLocked();
    void dropStreamLocked();
    // Opens a stream of that format without waiting for the server.
    pa_stream *openLocked(const SpAudioFormat &format, bool corked);
    // Keeps a corked spare of that format, opening one unless it has it.
    void keepSpareLocked(const SpAudioFormat &format);
    void dropSpareLocked();
    void corkLocked(bool cork);
    qint64 writtenFramesLocked() const;
    // What of data to leave unplayed at the start of a stream.
    size_t skipLeadLocked(QByteArrayView data);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // Whether the server was last told to cork m_stream.
    bool m_corked = false;
    SpAudioFormat m_format;
    pa_stream *m_spare = nullptr;
    SpAudioFormat m_spareFormat;
    // The spare prepare asked for while the connection was being made.
    std::optional<SpAudioFormat> m_pendingSpare;
    qint64 m_tag = 0;
    qint64 m_flushedThrough = 0;
    bool m_paused = false;
    bool m_drained = false;
    bool m_drainDone = false;
    pa_time_event *m_timer = nullptr;
    // When the server last asked for audio, or playing (re)started.
    std::uint64_t m_answeredAt = 0;
    qint64 m_writtenBytes = 0;
    // The digital silence a stream began with, left unplayed (skipLeadLocked).
    qint64 m_leadBytes = 0;
    bool m_leading = false;
    qint64 m_lastHeard = 0;
    PlaybackClock m_clock;
    // The stream heard before m_tag, and how much of it.
    qint64 m_previousTag = 0;
    qint64 m_previousFrames = 0;
    bool m_timingAsked = false;
    std::uint64_t m_timingAskedAt = 0;
    SontiError m_error;
    std::atomic<int> m_underruns = 0;
    // The ring of audio not yet handed to the server.
    std::vector<char> m_ring;
    size_t m_ringStart = 0;
    size_t m_ringSize = 0;
};
