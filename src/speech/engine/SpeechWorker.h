#pragma once

#include "SapiTypes.h"

#include "SpAudioFormat.h"
#include "SpeechFragment.h"
#include "SpeechText.h"

#include <QList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class AudioSink;
class EventScheduler;
class Synthesizer;

// One Speak request as the synthesis thread takes it.
struct SpeechJob
{
    int stream = 0;
    QList<SpeechFragment> fragments;
    QString source; // the string given to Speak, where word positions point
    // Instead of fragments: a text read and parsed as it is spoken, as SAPI
    // markup or as it stands. resolver picks the voice (the synthesiser's
    // id) that markup asks for by attributes. A text that turns out not to
    // be speakable stops there, failing the stream.
    std::shared_ptr<SpeechText> text;
    bool markup = false;
    std::function<QString(const QString &required, const QString &optional)> resolver;
    QString voiceId; // the synthesiser's id of the voice to use by default
    SpAudioFormat format;
    int rate = 0;     // the voice's Rate, -10..10, added to each fragment's
    int volume = 100; // the voice's Volume, 0..100, scaling each fragment's
    Prosody prosody;  // the speaker's baseline under every fragment
    // SpeechVoiceEvents bits of the word, viseme, level and bookmark events
    // someone needs (the listener's interests plus what Pause waits for);
    // the others are never stamped or scheduled. Start and end always are.
    int wantedEvents = SVEAllEvents;
};

// The synthesis thread. It takes the queued streams one after the other,
// runs the synthesiser on their fragments, converts the audio to the
// output format, writes it to the sink (which holds it back to about two
// seconds ahead of playback) and stamps every event with its output frame
// for the scheduler: words, visemes with their duration and successor, an
// audio level for every 50 ms of output, bookmarks, start and end.
// The public members come from the voice's thread; the rest runs on the
// synthesis thread (asserted in debug builds).
class SpeechWorker
{
public:
    SpeechWorker(Synthesizer &synthesizer, AudioSink &sink, EventScheduler &scheduler);
    ~SpeechWorker();
    SpeechWorker(const SpeechWorker &) = delete;
    SpeechWorker &operator=(const SpeechWorker &) = delete;

    void enqueue(SpeechJob job);
    // Loads the voice's data (Synthesizer::prepare) on the synthesis thread
    // once nothing is queued, so that a later first fragment starts at once.
    // A stream taken first makes it moot: the voice it speaks is loaded then.
    void prepare(const QString &voiceId);
    // Cancels every stream queued or running, up to and including
    // throughStream; the caller flushes the sink.
    void purgeThrough(int throughStream);
    // Blocks until the stream has been played to its end or purged, or the
    // worker is destroyed (true), or until neither synthesis nor playback
    // has moved on for stallLimit (false: a sound server that stopped
    // answering, say, when the stream could never end).
    bool waitFor(int stream, std::chrono::milliseconds stallLimit);

private:
    class StreamRun;
    void run();
    bool onSynthesisThread() const;

    void cancelTexts(int throughStream);

    Synthesizer &m_synthesizer;
    AudioSink &m_sink;
    EventScheduler &m_scheduler;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SpeechJob> m_queue;
    QString m_toPrepare;
    // The text of the stream being spoken, to cancel a slice it waits for.
    std::shared_ptr<SpeechText> m_runningText;
    int m_runningStream = 0;
    bool m_stopping = false;
    int m_finishedThrough = 0;
    std::atomic<int> m_purgedThrough = 0;
    std::atomic<quint64> m_progress = 0; // counts the synthesis thread's steps
    std::thread m_thread;
};
