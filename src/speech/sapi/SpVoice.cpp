#include "SpVoice.h"

#include "EngineSet.h"
#include "EventScheduler.h"
#include "PulseAudioSink.h"
#include "SpeechRequest.h"
#include "SpeechText.h"
#include "SpeechWorker.h"
#include "TextDecoder.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace {
// How long a synchronous Speak waits while neither synthesis nor playback
// moves on. However long the text, a stream that plays keeps moving; one
// that stands still this long (a sound server that stopped answering) will
// not end by itself.
constexpr std::chrono::milliseconds SynchronousStallLimit{5000};
// How far ahead Pause looks for a boundary to stop the sound at: about a
// phoneme, leaving room for the sound server to act on the cork.
constexpr int PauseWithinMs = 100;
// A text up to this long is parsed whole as Speak is called, so that markup
// it cannot speak fails the call itself, as SAPI's does; a longer one is read
// and parsed on the synthesis thread as it is spoken (SpeechText), and such
// markup fails its stream where it is met.
constexpr qsizetype ParseWholeUpTo = 32 * 1024;

SontiError voiceError(const QString &description)
{
    return SontiError(SontiError::InvalidProcedureCall, QStringLiteral("SpVoice"), description);
}
}

SpVoice::SpVoice(QObject *parent)
    : SpVoice(EngineSet::installed(), std::make_unique<PulseAudioSink>(), parent)
{}

SpVoice::SpVoice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<AudioSink> sink, QObject *parent)
    : QObject(parent)
    , m_synthesizer(std::move(synthesizer))
    , m_sink(std::move(sink))
{
    QList<SpObjectToken> tokens;
    const QList<VoiceDescription> voices = m_synthesizer->voices();
    for (qsizetype i = 0; i < voices.size(); ++i)
        tokens.append(SpObjectToken(voices[i], i == 0));
    m_tokens = SpObjectTokens(tokens);
    if (m_tokens.Count() > 0)
        m_voice = m_tokens.Item(0);
    m_scheduler = std::make_unique<EventScheduler>(*m_sink);
    connect(m_scheduler.get(), &EventScheduler::due, this, &SpVoice::onDue);
    m_worker = std::make_unique<SpeechWorker>(*m_synthesizer, *m_sink, *m_scheduler);
}

SpVoice::~SpVoice()
{
    Q_ASSERT(QThread::currentThread() == thread());
    // The worker goes first: it uses the scheduler, the sink and the
    // synthesiser until its thread has ended.
    m_worker.reset();
    m_scheduler.reset();
    m_sink.reset();
}

void SpVoice::setRate(int rate)
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_rate = std::clamp(rate, -10, 10);
}

void SpVoice::setVolume(int volume)
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_volume = std::clamp(volume, 0, 100);
}

void SpVoice::setProsody(const Prosody &prosody)
{
    // Speed and pitch stay positive: a synthesiser divides by them or takes
    // their logarithm.
    m_prosody.speed = std::clamp(prosody.speed, 0.01, 100.0);
    m_prosody.pitch = std::clamp(prosody.pitch, 0.01, 100.0);
    m_prosody.volume = std::clamp(prosody.volume, 0.0, 2.0);
}

SpObjectTokens SpVoice::GetVoices(const QString &required, const QString &optional) const
{
    Q_ASSERT(QThread::currentThread() == thread());
    return m_tokens.matching(required, optional);
}

void SpVoice::setVoice(const SpObjectToken &token)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const SpObjectToken known = m_tokens.byId(token.Id());
    if (known.isNull())
        throw voiceError(QStringLiteral("No such voice: \"%1\"").arg(token.Id()));
    m_voice = known;
    if (m_preparing)
        m_worker->prepare(m_voice.voice().id);
}

void SpVoice::setAudioOutputStream(const std::shared_ptr<SpAudioOutputStream> &stream)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!stream)
        throw voiceError(QStringLiteral("No audio output stream"));
    if (!SpAudioFormat::isSupported(stream->Format().Type()))
        throw voiceError(QStringLiteral("Audio format type %1 is not supported").arg(stream->Format().Type()));
    if (m_allowFormatChanges)
        stream->Format().setType(SAFT22kHz16BitMono);
    m_outputStream = stream;
    m_format = stream->Format();
}

int SpVoice::Speak(const QString &text, int flags)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (flags & SVSFIsFilename) {
        QFile file(text);
        if (!file.open(QIODevice::ReadOnly))
            throw SontiError(SontiError::FileNotFound, QStringLiteral("SpVoice"),
                             QStringLiteral("Cannot read %1: %2").arg(text, file.errorString()));
        return speakText(std::make_shared<SpeechText>(TextDecoder::decode(file.readAll())), flags & ~SVSFIsFilename);
    }
    return speakText(std::make_shared<SpeechText>(text), flags);
}

int SpVoice::speakText(const std::shared_ptr<SpeechText> &text, int flags)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const qsizetype size = text->size();
    if (size == 0 && (flags & SVSFPurgeBeforeSpeak)) {
        purge();
        return 0;
    }
    // A synchronous Speak holds its caller anyway, and fails whole.
    if (size <= ParseWholeUpTo || !(flags & SVSFlagsAsync)) {
        const QString whole = text->slice(0, size);
        return speakFragments(SpeechRequest::fragmentsFor(whole, flags, m_tokens), flags, whole);
    }
    SpeechJob job;
    job.text = text;
    job.markup = SpeechRequest::isMarkup(text->slice(0, 1), flags);
    job.resolver = [tokens = m_tokens](const QString &required, const QString &optional) {
        const SpObjectToken token = tokens.byId(tokens.bestMatchId(required, optional));
        return token.isNull() ? QString() : token.voice().id;
    };
    return queue(std::move(job), flags);
}

int SpVoice::speakFragments(const QList<SpeechFragment> &fragments, int flags, const QString &source)
{
    Q_ASSERT(QThread::currentThread() == thread());
    SpeechJob job;
    job.fragments = fragments;
    job.source = source;
    for (SpeechFragment &fragment : job.fragments) {
        if (!fragment.state.voiceId.isEmpty()) {
            const SpObjectToken token = m_tokens.byId(fragment.state.voiceId);
            fragment.state.voiceId = token.isNull() ? QString() : token.voice().id;
        }
    }
    return queue(std::move(job), flags);
}

int SpVoice::queue(SpeechJob job, int flags)
{
    if (flags & SVSFPurgeBeforeSpeak)
        purge();
    const bool async = flags & SVSFlagsAsync;
    if (!async && m_paused)
        throw voiceError(QStringLiteral("The voice is paused: a synchronous Speak would never return"));
    if (SontiError error = m_sink->connect(); error.isError())
        throw error;

    job.stream = ++m_lastStream;
    job.voiceId = m_voice.voice().id;
    job.format = m_format;
    job.rate = m_rate;
    job.volume = m_volume;
    job.prosody = m_prosody;
    // Pause finds its boundary among the scheduled words or visemes.
    job.wantedEvents = m_eventInterests | SVEViseme
        | (m_alertBoundary == SVEWordBoundary || m_alertBoundary == SVESentenceBoundary ? SVEWordBoundary : 0);
    m_openStreams.insert(job.stream);
    const int stream = job.stream;
    m_worker->enqueue(std::move(job));
    if (!async && !m_worker->waitFor(stream, SynchronousStallLimit)) {
        // Nothing will end it: drop it and everything before it, as Stop
        // would, rather than block the caller for good.
        purge();
        throw SontiError(SontiError::AudioFailure, QStringLiteral("SpVoice"),
                         QStringLiteral("The audio output stopped playing for %1 s; the speech was stopped")
                             .arg(SynchronousStallLimit.count() / 1000));
    }
    return stream;
}

void SpVoice::purge()
{
    Q_ASSERT(QThread::currentThread() == thread());
    const AudioSink::Position heard = m_sink->position();
    m_worker->purgeThrough(m_lastStream);
    m_sink->flush(m_lastStream);
    // Every purged stream still ends, after the purging call has returned
    // and before any event of a later stream.
    QList<int> purged = m_openStreams.values();
    std::sort(purged.begin(), purged.end());
    m_endingStreams.unite(m_openStreams);
    m_openStreams.clear();
    QList<SpeechEvent> ends;
    for (const int stream : std::as_const(purged)) {
        SpeechEvent end;
        end.kind = SpeechEvent::Kind::EndStream;
        end.stream = stream;
        end.position = stream == heard.tag ? heard.frames * m_format.blockAlign() : 0;
        end.immediate = true;
        ends.append(end);
    }
    m_scheduler->dropThrough(m_lastStream, ends);
}

void SpVoice::prepare()
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_sink->prepare(m_format);
    m_preparing = true;
    if (!m_voice.isNull())
        m_worker->prepare(m_voice.voice().id);
}

void SpVoice::Pause()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_paused)
        return;
    m_paused = true;
    // The sound stops at the next word boundary, or else phoneme, heard
    // within PauseWithinMs; nothing further is reported either way.
    std::optional<qint64> boundary;
    if (m_alertBoundary == SVEWordBoundary || m_alertBoundary == SVESentenceBoundary)
        boundary = m_scheduler->nextFrameOf(SpeechEvent::Kind::Word, PauseWithinMs);
    if (!boundary)
        boundary = m_scheduler->nextFrameOf(SpeechEvent::Kind::Viseme, PauseWithinMs);
    if (boundary) {
        m_scheduler->pauseAt(m_sink->position().tag, *boundary);
    } else {
        m_sink->setPaused(true);
        m_scheduler->setHeld(true);
    }
}

void SpVoice::Resume()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_paused)
        return;
    m_paused = false;
    m_sink->setPaused(false);
    m_scheduler->setHeld(false);
}

void SpVoice::onDue(const SpeechEvent &e)
{
    Q_ASSERT(QThread::currentThread() == thread());
    switch (e.kind) {
    case SpeechEvent::Kind::StartStream:
        if (m_eventInterests & SVEStartInputStream)
            Q_EMIT StartStream(e.stream, e.position);
        break;
    case SpeechEvent::Kind::EndStream:
        if (!m_openStreams.remove(e.stream) && !m_endingStreams.remove(e.stream))
            break;
        if (e.error.isError())
            Q_EMIT StreamFailed(e.stream, e.error);
        if (m_eventInterests & SVEEndInputStream)
            Q_EMIT EndStream(e.stream, e.position);
        break;
    case SpeechEvent::Kind::Word:
        if (m_eventInterests & SVEWordBoundary)
            Q_EMIT Word(e.stream, e.position, e.wordPosition, e.wordLength);
        break;
    case SpeechEvent::Kind::Viseme:
        if (m_eventInterests & SVEViseme)
            Q_EMIT Viseme(e.stream, e.position, e.duration, e.nextViseme, e.feature, e.viseme);
        break;
    case SpeechEvent::Kind::AudioLevel:
        if (m_eventInterests & SVEAudioLevel)
            Q_EMIT AudioLevel(e.stream, e.position, e.level);
        break;
    case SpeechEvent::Kind::Bookmark:
        if (m_eventInterests & SVEBookmark)
            Q_EMIT Bookmark(e.stream, e.position, e.mark, e.markId);
        break;
    }
}
