#pragma once

#include "AudioSink.h"
#include "ManualClock.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

// A sink that plays nothing but keeps time like a real device: written
// frames are "heard" at the format's rate, and pause holds the clock. It
// keeps the same two seconds ahead as the real sink. Window and engine
// tests use it to run without a sound server; connect can be made to fail,
// and what was written can be kept for inspection.
//
// By default it runs on the steady clock (times speed), and playback
// stalls when the writer falls behind. With a ManualClock it plays exactly
// as much audio as the test advances the clock by while not paused,
// whenever that audio gets written: time advanced before a stream starts or
// while the writer lags is kept for it, not lost, so a test that advances
// the clock before a synchronous Speak lets it finish.
class NullAudioSink : public AudioSink
{
public:
    explicit NullAudioSink(double speed = 1.0);
    explicit NullAudioSink(std::shared_ptr<ManualClock> clock);

    // What connect() reports from now on (no error by default).
    void setConnectError(const SontiError &error);
    // Keep every byte written (for tests); off by default.
    void setCapture(bool capture);
    QByteArray captured(qint64 tag) const;
    // The tags of the streams started so far, in order.
    QList<qint64> startedTags() const;

    SontiError connect() override;
    SontiError start(qint64 tag, const SpAudioFormat &format) override;
    bool write(QByteArrayView data) override;
    bool drain() override;
    void finish() override;
    void flush(qint64 throughTag) override;
    void setPaused(bool paused) override;
    Position position() override;
    SontiError error() const override;

private:
    using Clock = std::chrono::steady_clock;
    void advanceLocked();
    bool interruptedLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    double m_speed = 1.0;
    std::shared_ptr<ManualClock> m_manualClock;
    qint64 m_manualSeen = 0;   // the manual clock's time when last read
    double m_manualCredit = 0; // microseconds advanced and not yet played
    SontiError m_connectError;
    SontiError m_error;
    SpAudioFormat m_format;
    qint64 m_tag = 0;
    qint64 m_flushedThrough = 0;
    bool m_open = false;
    bool m_paused = false;
    bool m_capture = false;
    qint64 m_written = 0; // frames
    double m_heard = 0;   // frames
    Clock::time_point m_lastAdvance;
    QHash<qint64, QByteArray> m_captured;
    QList<qint64> m_started;
};
