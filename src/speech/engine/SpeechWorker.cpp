#include "SpeechWorker.h"

#include "AudioSink.h"
#include "EventScheduler.h"
#include "FormatConverter.h"
#include "SapiMarkupReader.h"
#include "SapiTypes.h"
#include "Synthesizer.h"
#include "TimingMark.h"
#include "WrittenWords.h"

#include <QLoggingCategory>

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>

Q_LOGGING_CATEGORY(lcWorker, "sonti.speech.worker", QtCriticalMsg)

namespace {
// The worker whose synthesis thread this is, if any.
thread_local const SpeechWorker *t_worker = nullptr;

constexpr int LevelBlocksPerSecond = 20;
// A text read as it is spoken goes to the synthesiser in fragments of about
// this many units, cut after a sentence: short enough that the synthesiser,
// the word finder and the offset tables never hold much of a long document.
constexpr qsizetype FragmentLength = 1000;

// 0..100 from a block's loudness: -60 dBFS and below is 0, full scale 100.
int levelOf(std::span<const qint16> block)
{
    if (block.empty())
        return 0;
    double sum = 0;
    for (const qint16 s : block)
        sum += double(s) * s;
    const double rms = std::sqrt(sum / double(block.size())) / 32768.0;
    if (rms <= 0)
        return 0;
    return std::clamp(int(std::lround((20.0 * std::log10(rms) + 60.0) * 100.0 / 60.0)), 0, 100);
}
}

// The state of one stream while it is synthesised: where the output is,
// the viseme waiting for its successor, the level block being filled.
class SpeechWorker::StreamRun : public SynthesisOutput
{
public:
    StreamRun(SpeechWorker &worker, const SpeechJob &job)
        : m_worker(worker)
        , m_job(job)
        , m_converter(worker.m_synthesizer.sampleRate(job.voiceId), job.format)
        , m_blockFrames(std::max(job.format.sampleRate() / LevelBlocksPerSecond, 1))
        , m_levels(job.wantedEvents & SVEAudioLevel)
    {
        Q_ASSERT(worker.onSynthesisThread());
    }

    bool cancelled() const { return m_failed || m_job.stream <= m_worker.m_purgedThrough.load(); }
    // The first failure stands; the stream goes on with what it can speak.
    void fail(const SontiError &error)
    {
        if (!m_error.isError())
            m_error = error;
    }
    // The first failure: the sink's, or a fragment the synthesiser could not speak.
    SontiError error() const { return m_error; }
    const SontiError &converterError() const { return m_converter.error(); }
    qint64 framesOut() const { return m_framesOut; }

    void speak(const SpeechFragment &fragment, const QString &voiceId)
    {
        Q_ASSERT(m_worker.onSynthesisThread());
        // Copies (shared, so cheap) rather than pointers: the caller's
        // fragment is a temporary. A whole fragment without offsets is a
        // source of its own; a piece of a longer text is not.
        const bool ownSource = fragment.sourceOffsets.isEmpty() && fragment.sourceBase == 0;
        m_words.emplace(fragment.text, fragment.sourceOffsets,
                        fragment.source.isEmpty() ? m_job.source : fragment.source, ownSource ? 0 : m_wordsThrough,
                        fragment.sourceBase);
        m_fragmentStart = m_inputSamples;
        switch (fragment.kind) {
        case SpeechFragment::Kind::Text:
        case SpeechFragment::Kind::Pronounce: {
            // Each engine speaks at its own rate; silence keeps the last one.
            useRate(m_worker.m_synthesizer.sampleRate(voiceId));
            const SontiError error = m_worker.m_synthesizer.synthesize(fragment, voiceId, *this);
            if (error.isError()) {
                qCWarning(lcWorker) << error.toString();
                if (!m_error.isError())
                    m_error = error;
            }
            break;
        }
        case SpeechFragment::Kind::Silence: {
            const qint64 total = qint64(std::max(fragment.msec, 0)) * m_converter.inputRate() / 1000;
            const std::vector<qint16> zeros(4096, 0);
            for (qint64 done = 0; done < total && !cancelled(); done += qint64(zeros.size()))
                deliver(std::span(zeros.data(), size_t(std::min<qint64>(total - done, qint64(zeros.size())))), {});
            break;
        }
        case SpeechFragment::Kind::Bookmark: {
            SpeechEvent e = eventAt(SpeechEvent::Kind::Bookmark, m_converter.outputFrameOf(m_inputSamples));
            e.mark = fragment.argument;
            e.markId = fragment.argument.trimmed().toInt();
            push(e);
            break;
        }
        }
    }

    bool deliver(std::span<const qint16> samples, std::span<const SynthesisEvent> events) override
    {
        // The synthesiser calls back on the thread that called it.
        Q_ASSERT(m_worker.onSynthesisThread());
        if (cancelled())
            return false;
        for (const SynthesisEvent &event : events) {
            const qint64 frame = m_converter.outputFrameOf(m_fragmentStart + event.sample);
            if (event.type == SynthesisEvent::Type::Word)
                word(frame, event.position, event.length);
            else
                viseme(frame, event.viseme, event.feature);
        }
        m_inputSamples += qint64(samples.size());
        m_bytes.clear();
        m_converter.convert(samples, m_bytes, levelBuffer());
        return writeOut();
    }

    void finish()
    {
        Q_ASSERT(m_worker.onSynthesisThread());
        if (!cancelled()) {
            m_bytes.clear();
            m_converter.finish(m_bytes, levelBuffer());
            writeOut();
        }
        if (!m_mono.empty())
            level(m_mono.size());
        // The meter falls to 0 with the end of the sound, whatever the last
        // block held.
        SpeechEvent silent = eventAt(SpeechEvent::Kind::AudioLevel, m_framesOut);
        push(silent);
        if (m_pendingViseme)
            flushViseme(m_framesOut, 0);
        releaseAll();
    }

    SpeechEvent eventAt(SpeechEvent::Kind kind, qint64 frame) const
    {
        SpeechEvent e;
        e.kind = kind;
        e.stream = m_job.stream;
        e.frame = frame;
        e.position = frame * m_job.format.blockAlign();
        e.sampleRate = m_job.format.sampleRate();
        return e;
    }

    // Events wait here until no earlier one can follow: a viseme is only
    // pushed once its successor is known, and a level once its block is
    // full, so a sink that hears what is written at once (a sound file) could
    // otherwise have a later event delivered first. The end goes straight
    // through, after everything held.
    void push(const SpeechEvent &e)
    {
        if (!wanted(e.kind))
            return;
        if (e.kind == SpeechEvent::Kind::EndStream) {
            releaseAll();
            m_worker.m_scheduler.push(e);
            return;
        }
        SpeechEvent held = e;
        // An event later than the synthesiser promised is heard where the
        // stream already is.
        if (held.frame < m_released) {
            held.frame = m_released;
            held.position = m_released * m_job.format.blockAlign();
        }
        const auto at = std::upper_bound(m_held.begin(), m_held.end(), held.frame,
                                         [](qint64 frame, const SpeechEvent &x) { return frame < x.frame; });
        m_held.insert(at, held);
    }

private:
    void useRate(int rate)
    {
        if (rate == m_converter.inputRate() || cancelled())
            return;
        m_bytes.clear();
        m_converter.setInputRate(rate, m_bytes, levelBuffer());
        if (m_converter.error().isError() && !m_error.isError())
            m_error = m_converter.error();
        writeOut();
    }

    // Hands the scheduler every held event up to frame, in order; no later
    // event may come before it.
    void release(qint64 frame)
    {
        const auto end = std::upper_bound(m_held.begin(), m_held.end(), frame,
                                          [](qint64 f, const SpeechEvent &x) { return f < x.frame; });
        for (auto it = m_held.begin(); it != end; ++it)
            m_worker.m_scheduler.push(*it);
        m_held.erase(m_held.begin(), end);
        m_released = std::max(m_released, frame);
    }

    void releaseAll()
    {
        if (!m_held.empty())
            release(m_held.back().frame);
    }

    bool wanted(SpeechEvent::Kind kind) const
    {
        switch (kind) {
        case SpeechEvent::Kind::Word: return m_job.wantedEvents & SVEWordBoundary;
        case SpeechEvent::Kind::Viseme: return m_job.wantedEvents & SVEViseme;
        case SpeechEvent::Kind::AudioLevel: return m_job.wantedEvents & SVEAudioLevel;
        case SpeechEvent::Kind::Bookmark: return m_job.wantedEvents & SVEBookmark;
        default: return true;
        }
    }

    bool writeOut()
    {
        m_framesOut += m_bytes.size() / m_job.format.blockAlign();
        size_t offset = 0;
        while (m_mono.size() - offset >= size_t(m_blockFrames)) {
            level(size_t(m_blockFrames), offset);
            offset += size_t(m_blockFrames);
        }
        m_mono.erase(m_mono.begin(), m_mono.begin() + qsizetype(offset));
        // What comes next: the next level block, the viseme waiting for its
        // successor, the synthesiser's events from the next chunk on.
        qint64 safe = m_converter.outputFrameOf(m_inputSamples);
        if (m_levels)
            safe = std::min(safe, m_levelFrame);
        if (m_pendingViseme)
            safe = std::min(safe, m_pendingViseme->frame);
        release(safe);
        if (!m_bytes.isEmpty() && !std::exchange(m_wroteAny, true))
            TimingMark::log("first-sample");
        if (!m_bytes.isEmpty() && !m_worker.m_sink.write(m_bytes)) {
            m_failed = true;
            m_error = m_worker.m_sink.error();
            return false;
        }
        ++m_worker.m_progress;
        return !cancelled();
    }

    // Levels are measured only for a listener: a file written without
    // events has no use for them, nor for a copy of its audio to measure.
    std::vector<qint16> *levelBuffer() { return m_levels ? &m_mono : nullptr; }

    void level(size_t count, size_t offset = 0)
    {
        SpeechEvent e = eventAt(SpeechEvent::Kind::AudioLevel, m_levelFrame);
        e.level = levelOf(std::span(m_mono.data() + offset, count));
        push(e);
        m_levelFrame += qint64(count);
    }

    void word(qint64 frame, int position, int length)
    {
        if (!m_words || !wanted(SpeechEvent::Kind::Word))
            return;
        const std::optional<TextSpan> span = m_words->next({position, length});
        m_wordsThrough = m_words->reportedThrough();
        if (!span)
            return;
        SpeechEvent e = eventAt(SpeechEvent::Kind::Word, frame);
        e.wordPosition = span->position;
        e.wordLength = span->length;
        push(e);
    }

    void viseme(qint64 frame, int id, int feature)
    {
        if (m_pendingViseme && m_pendingViseme->viseme == id && m_pendingViseme->feature == feature)
            return;
        if (m_pendingViseme)
            flushViseme(frame, id);
        SpeechEvent e = eventAt(SpeechEvent::Kind::Viseme, frame);
        e.viseme = std::clamp(id, 0, 21);
        e.feature = feature;
        m_pendingViseme = e;
    }

    void flushViseme(qint64 untilFrame, int next)
    {
        SpeechEvent e = *m_pendingViseme;
        e.duration = int(std::max<qint64>(untilFrame - e.frame, 0) * 1000 / std::max(e.sampleRate, 1));
        e.nextViseme = next;
        push(e);
        m_pendingViseme.reset();
    }

    SpeechWorker &m_worker;
    const SpeechJob &m_job;
    FormatConverter m_converter;
    const int m_blockFrames;
    const bool m_levels;                 // audio levels are wanted: m_mono holds the output to measure
    std::optional<WrittenWords> m_words; // of the fragment being spoken
    int m_wordsThrough = 0;              // the source offset words were reported up to
    qint64 m_inputSamples = 0;
    qint64 m_fragmentStart = 0;
    qint64 m_framesOut = 0;
    qint64 m_levelFrame = 0;
    bool m_failed = false;
    bool m_wroteAny = false;
    SontiError m_error;
    QByteArray m_bytes;
    std::vector<qint16> m_mono;
    std::optional<SpeechEvent> m_pendingViseme;
    std::vector<SpeechEvent> m_held; // in frame order
    qint64 m_released = 0;           // every event up to here has been pushed
};

SpeechWorker::SpeechWorker(Synthesizer &synthesizer, AudioSink &sink, EventScheduler &scheduler)
    : m_synthesizer(synthesizer)
    , m_sink(sink)
    , m_scheduler(scheduler)
{
    // A plain loop rather than queued calls: the thread spends its time
    // blocked inside the synthesiser's callback while the sink is full, and
    // must still see a purge at once, which an atomic flag gives. A
    // std::thread, because its join is one ThreadSanitizer can see
    // (QThread::wait synchronises through Qt's own futex-based mutex).
    m_thread = std::thread([this] {
        t_worker = this;
        pthread_setname_np(pthread_self(), "SontiSynthesis");
        run();
    });
}

bool SpeechWorker::onSynthesisThread() const
{
    return t_worker == this;
}

SpeechWorker::~SpeechWorker()
{
    Q_ASSERT(!onSynthesisThread());
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_purgedThrough = std::numeric_limits<int>::max();
    }
    cancelTexts(std::numeric_limits<int>::max());
    m_sink.flush(std::numeric_limits<int>::max());
    m_changed.notify_all();
    m_thread.join();
}

void SpeechWorker::enqueue(SpeechJob job)
{
    Q_ASSERT(!onSynthesisThread());
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_changed.notify_all();
}

void SpeechWorker::prepare(const QString &voiceId)
{
    Q_ASSERT(!onSynthesisThread());
    {
        std::lock_guard lock(m_mutex);
        m_toPrepare = voiceId;
    }
    m_changed.notify_all();
}

void SpeechWorker::purgeThrough(int throughStream)
{
    Q_ASSERT(!onSynthesisThread());
    {
        std::lock_guard lock(m_mutex);
        m_purgedThrough = std::max(m_purgedThrough.load(), throughStream);
        std::erase_if(m_queue, [throughStream](const SpeechJob &job) { return job.stream <= throughStream; });
    }
    cancelTexts(throughStream);
    m_changed.notify_all();
}

// A running text may be waiting for its owner to hand over a slice; the
// text takes its own lock, so never under ours.
void SpeechWorker::cancelTexts(int throughStream)
{
    std::shared_ptr<SpeechText> running;
    {
        std::lock_guard lock(m_mutex);
        if (m_runningStream <= throughStream)
            running = m_runningText;
    }
    if (running)
        running->cancel();
}

bool SpeechWorker::waitFor(int stream, std::chrono::milliseconds stallLimit)
{
    Q_ASSERT(!onSynthesisThread());
    using Clock = std::chrono::steady_clock;
    const auto progress = [this] {
        const AudioSink::Position heard = m_sink.position();
        return std::tuple(heard.tag, heard.frames, m_progress.load());
    };
    auto seen = progress();
    auto lastChange = Clock::now();
    std::unique_lock lock(m_mutex);
    const auto ended = [&] { return m_stopping || m_finishedThrough >= stream || m_purgedThrough >= stream; };
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(100), ended)) {
        // The sink takes its own lock: never under ours.
        lock.unlock();
        const auto now = progress();
        lock.lock();
        if (now != seen) {
            seen = now;
            lastChange = Clock::now();
        } else if (Clock::now() - lastChange >= stallLimit) {
            return false;
        }
    }
    return true;
}

void SpeechWorker::run()
{
    Q_ASSERT(onSynthesisThread());
    for (;;) {
        SpeechJob job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty() || !m_toPrepare.isEmpty(); });
            if (m_stopping)
                return;
            if (m_queue.empty()) {
                const QString voiceId = std::exchange(m_toPrepare, QString());
                lock.unlock();
                m_synthesizer.prepare(voiceId);
                continue;
            }
            // Loading another voice after this stream would only undo its own.
            m_toPrepare.clear();
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_runningText = job.text;
            m_runningStream = job.stream;
        }
        StreamRun run(*this, job);
        if (!run.cancelled()) {
            SontiError started = run.converterError();
            if (!started.isError())
                started = m_sink.start(job.stream, job.format);
            if (started.isError()) {
                qCWarning(lcWorker) << started.toString();
                SpeechEvent end = run.eventAt(SpeechEvent::Kind::EndStream, 0);
                end.immediate = true;
                end.error = started;
                if (!run.cancelled())
                    run.push(end);
            } else {
                run.push(run.eventAt(SpeechEvent::Kind::StartStream, 0));
                // A text is read and parsed here, a fragment at a time.
                std::optional<SapiMarkupReader> reader;
                if (job.text) {
                    reader.emplace(
                        [text = job.text](qsizetype from, qsizetype count) { return text->slice(from, count); },
                        job.markup, SpeechState(), job.resolver, FragmentLength);
                }
                qsizetype listed = 0;
                const auto nextFragment = [&]() -> std::optional<SpeechFragment> {
                    if (reader)
                        return reader->next();
                    if (listed < job.fragments.size())
                        return job.fragments[listed++];
                    return std::nullopt;
                };
                while (!run.cancelled()) {
                    const std::optional<SpeechFragment> next = nextFragment();
                    if (!next)
                        break;
                    const SpeechFragment &fragment = *next;
                    SpeechFragment adjusted = fragment;
                    adjusted.state.baseline = job.prosody;
                    adjusted.state.rate = std::clamp(fragment.state.rate + job.rate, -10, 10);
                    adjusted.state.volume =
                        std::clamp(fragment.state.volume, 0, 100) * std::clamp(job.volume, 0, 100) / 100;
                    run.speak(adjusted, fragment.state.voiceId.isEmpty() ? job.voiceId : fragment.state.voiceId);
                }
                if (reader && reader->error().isError()) {
                    qCWarning(lcWorker) << reader->error().toString();
                    run.fail(reader->error());
                }
                run.finish();
                const bool played = !run.cancelled() && m_sink.drain();
                SpeechEvent end = run.eventAt(SpeechEvent::Kind::EndStream, run.framesOut());
                end.immediate = !played;
                // A purge is no failure; a sink that broke, or a fragment
                // left unspoken, is.
                if (job.stream > m_purgedThrough.load()) {
                    end.error = run.error();
                    if (!end.error.isError() && !played)
                        end.error = m_sink.error();
                    if (end.error.isError())
                        qCWarning(lcWorker) << end.error.toString();
                    run.push(end);
                }
                m_sink.finish();
            }
        }
        ++m_progress;
        {
            std::lock_guard lock(m_mutex);
            m_finishedThrough = job.stream;
            m_runningText.reset();
        }
        m_changed.notify_all();
    }
}
