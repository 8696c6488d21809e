#pragma once

#include "AudioSink.h"
#include "SapiTypes.h"
#include "SpAudioOutputStream.h"
#include "SpObjectTokens.h"
#include "SpeechEvent.h"
#include "SpeechFragment.h"
#include "Synthesizer.h"

#include <QObject>
#include <QSet>

#include <memory>

class EventScheduler;
class SpeechText;
class SpeechWorker;
struct SpeechJob;

// The program's voice, with the members and events of the SAPI 5.1
// automation voice (SpVoice through ISpeechVoice) under their SAPI names.
// It lives on the thread that creates it (the UI thread) and raises its
// events there as queued signals, only for the kinds in EventInterests,
// each when its audio is heard. Speaking runs on a synthesis thread and the
// sink's own; Speak returns at once with SVSFlagsAsync.
//
// Failures are thrown as SontiError: Speak without a reachable sound
// server (within about a second), malformed markup, an unreadable file;
// setVoice and setAudioOutputStream with something that cannot be applied,
// which then changes nothing.
class SpVoice : public QObject
{
    Q_OBJECT

public:
    // eSpeak NG and Flite (EngineSet, in the order for the user's locale)
    // through PulseAudio.
    explicit SpVoice(QObject *parent = nullptr);
    // Any synthesiser and sink, such as FakeSynthesizer and NullAudioSink.
    SpVoice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<AudioSink> sink, QObject *parent = nullptr);
    ~SpVoice() override;

    // SpeechVoiceEvents bits; a new voice has every kind but SVEAudioLevel.
    int EventInterests() const { return m_eventInterests; }
    void setEventInterests(int interests) { m_eventInterests = interests; }
    // Where Pause takes effect: SVEPhoneme or SVEWordBoundary (the default);
    // anything else pauses at once.
    int AlertBoundary() const { return m_alertBoundary; }
    void setAlertBoundary(int boundary) { m_alertBoundary = boundary; }
    // -10..10 and 0..100, combined with what markup asks for.
    int Rate() const { return m_rate; }
    void setRate(int rate);
    int Volume() const { return m_volume; }
    void setVolume(int volume);
    // The speaker's speed, pitch and volume beyond SAPI's scales, under Rate,
    // Volume and the markup; out-of-range values are clamped (Prosody).
    Prosody prosody() const { return m_prosody; }
    void setProsody(const Prosody &prosody);

    // Every voice, or those meeting the SAPI attribute strings, in the same
    // order on every call.
    SpObjectTokens GetVoices(const QString &required = {}, const QString &optional = {}) const;
    SpObjectToken Voice() const { return m_voice; }
    void setVoice(const SpObjectToken &token);

    bool AllowAudioOutputFormatChangesOnNextSet() const { return m_allowFormatChanges; }
    void setAllowAudioOutputFormatChangesOnNextSet(bool allow) { m_allowFormatChanges = allow; }
    // The same shared stream on every call; changing its Format() takes
    // effect when it is assigned back with setAudioOutputStream. While
    // format changes are allowed, that assignment resets it to the engine's
    // own format (22 kHz 16-bit mono), as SAPI does.
    std::shared_ptr<SpAudioOutputStream> AudioOutputStream() const { return m_outputStream; }
    void setAudioOutputStream(const std::shared_ptr<SpAudioOutputStream> &stream);

    // Speaks text with SpeechVoiceSpeakFlags and returns the stream number
    // (0 when nothing was queued: an empty text with SVSFPurgeBeforeSpeak
    // only purges). Without SVSFlagsAsync it returns when the stream has been
    // heard to its end or purged; its events then follow. If playback stands
    // still for 5 s meanwhile, everything queued is purged and it throws.
    int Speak(const QString &text, int flags = SVSFDefault);
    // Speak for a text that hands itself out a slice at a time, such as a
    // text box's document: a long one is read and parsed as it is spoken
    // (SpeechText), and markup it cannot speak then fails the stream where
    // it is met (StreamFailed, after what came before was heard) rather
    // than the call. With SVSFlagsAsync cleared it is read whole at once.
    int speakText(const std::shared_ptr<SpeechText> &text, int flags = SVSFDefault);
    // Speaks fragments made elsewhere (the markup parser, tests) from source,
    // the string word positions point into.
    int speakFragments(const QList<SpeechFragment> &fragments, int flags = SVSFDefault, const QString &source = {});
    // Reaches the sound server, opens the output for the current format and
    // loads the current voice in the background, so that the first Speak
    // starts as quickly as later ones; a voice chosen afterwards is loaded
    // ahead too. It never waits and never fails: Speak reports what goes
    // wrong.
    void prepare();
    void Pause();
    void Resume();
    bool isPaused() const { return m_paused; }

Q_SIGNALS:
    // StreamPosition is in bytes of the output format from the stream's start.
    void StartStream(int StreamNumber, qint64 StreamPosition);
    void EndStream(int StreamNumber, qint64 StreamPosition);
    // Pos and length: UTF-16 units into the exact string given to Speak,
    // markup included.
    void Word(int StreamNum, qint64 StreamPos, int Pos, int length);
    // Duration in ms; VisemeId and NextVisemeId 0..21; Feature a SpeechVisemeFeature.
    void Viseme(int StreamNumber, qint64 StreamPosition, int Duration, int NextVisemeId, int Feature, int VisemeId);
    // AudioLevel 0..100 for the next 50 ms of output.
    void AudioLevel(int StreamNumber, qint64 StreamPosition, int AudioLevel);
    void Bookmark(int StreamNumber, qint64 StreamPosition, const QString &Bookmark, int BookmarkId);
    // The stream could not be spoken whole: the sound server or the file
    // failed, or the synthesiser could not speak part of it. Raised whatever
    // EventInterests say, just before the stream's EndStream.
    void StreamFailed(int StreamNumber, const SontiError &error);

private:
    int queue(SpeechJob job, int flags);
    void purge();
    void onDue(const SpeechEvent &event);

    int m_eventInterests = SVEAllEvents & ~SVEAudioLevel;
    int m_alertBoundary = SVEWordBoundary;
    int m_rate = 0;
    int m_volume = 100;
    Prosody m_prosody;
    bool m_allowFormatChanges = true;
    bool m_paused = false;
    bool m_preparing = false; // prepare() was called: voices chosen later load ahead
    int m_lastStream = 0;
    QSet<int> m_openStreams;   // queued or speaking
    QSet<int> m_endingStreams; // purged, their EndStream not yet raised
    SpObjectTokens m_tokens;
    SpObjectToken m_voice;
    SpAudioFormat m_format;
    std::shared_ptr<SpAudioOutputStream> m_outputStream = std::make_shared<SpAudioOutputStream>();
    std::unique_ptr<Synthesizer> m_synthesizer;
    std::unique_ptr<AudioSink> m_sink;
    std::unique_ptr<EventScheduler> m_scheduler;
    std::unique_ptr<SpeechWorker> m_worker;
};
