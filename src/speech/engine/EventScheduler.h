#pragma once

#include "AudioSink.h"
#include "SpeechEvent.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <deque>
#include <mutex>
#include <optional>

// Holds the events the synthesis thread has stamped and hands each one to
// the voice's thread when the sink reports its frame is being heard, so the
// word highlighted is the word heard. It sleeps on a precise timer until the
// next event is due, reading the sink's clock again on every wake (the
// clock stops while paused and when playback stalls). It also carries out
// a pause at the next phoneme or word boundary. Every member but push
// belongs to the thread it lives on, the voice's (asserted in debug builds).
class EventScheduler : public QObject
{
    Q_OBJECT

public:
    explicit EventScheduler(AudioSink &sink, QObject *parent = nullptr);

    // From any thread. Events of one stream may come slightly out of order
    // (a viseme waits for the next to know its duration); they are
    // delivered in frame order.
    void push(const SpeechEvent &event);
    // Forgets every undelivered event of streams up to this number, and
    // every later push for them. ends (the EndStream events of those
    // streams, in order) are delivered instead, before anything else and
    // after the caller has returned, even while delivery is held.
    void dropThrough(int stream, const QList<SpeechEvent> &ends = {});

    // The frame of the next event of this kind in the stream being heard,
    // at most maxAheadMs after the frame heard now.
    std::optional<qint64> nextFrameOf(SpeechEvent::Kind kind, int maxAheadMs);
    // Holds delivery at once and pauses the sink once the frame is heard,
    // so the sound stops at a boundary but nothing more is reported.
    void pauseAt(qint64 tag, qint64 frame);
    // Holds or releases delivery at once (and cancels a pending pauseAt).
    void setHeld(bool held);

Q_SIGNALS:
    void due(const SpeechEvent &event);

private:
    struct PausePoint
    {
        qint64 tag = 0;
        qint64 frame = 0;
        int sampleRate = 0;
    };

    void deliverDue();
    void wake();
    static int sleepUntil(const AudioSink::Position &now, qint64 target, int sampleRate);

    AudioSink &m_sink;
    QTimer m_timer;
    std::mutex m_mutex;
    std::deque<SpeechEvent> m_queue;
    std::deque<SpeechEvent> m_ends; // of dropped streams
    int m_droppedThrough = 0;
    bool m_wakePosted = false;
    bool m_held = false;
    bool m_delivering = false; // a due() handler is running
    std::optional<PausePoint> m_pauseAt;
};
