#include "FakeSynthesizer.h"

#include <cmath>
#include <vector>

namespace {
VoiceDescription voice(const char *id, const char *name, const char *language, const char *gender)
{
    return {QString::fromLatin1(id),     QString::fromLatin1(name), QString::fromLatin1(language),
            QString::fromLatin1(gender), QStringLiteral("Adult"),   QStringLiteral("Fake")};
}

// Chunks of 10 ms, like a real engine's small buffers.
bool emitSamples(SynthesisOutput &output, std::vector<qint16> &samples, std::vector<SynthesisEvent> &events, int chunk)
{
    size_t at = 0;
    do {
        const size_t n = std::min(samples.size() - at, size_t(chunk));
        if (!output.deliver(std::span(samples.data() + at, n),
                            at == 0 ? std::span(events) : std::span<SynthesisEvent>()))
            return false;
        at += n;
    } while (at < samples.size());
    samples.clear();
    events.clear();
    return true;
}
}

FakeSynthesizer::FakeSynthesizer(int sampleRate, int wordMs, int gapMs)
    : m_sampleRate(sampleRate)
    , m_wordMs(wordMs)
    , m_gapMs(gapMs)
    , m_voices({voice("fake/en-US", "English (America)", "en-US", "Female"),
                voice("fake/en-GB", "English (Great Britain)", "en-GB", "Male"),
                voice("fake/de", "German", "de", "Male")})
{}

void FakeSynthesizer::setVoices(QList<VoiceDescription> voices)
{
    std::lock_guard lock(m_mutex);
    m_voices = std::move(voices);
}

void FakeSynthesizer::setError(const SontiError &error)
{
    std::lock_guard lock(m_mutex);
    m_error = error;
}

QList<FakeSynthesizer::Spoken> FakeSynthesizer::spoken() const
{
    std::lock_guard lock(m_mutex);
    return m_spoken;
}

QStringList FakeSynthesizer::prepared() const
{
    std::lock_guard lock(m_mutex);
    return m_prepared;
}

void FakeSynthesizer::prepare(const QString &voiceId)
{
    std::lock_guard lock(m_mutex);
    m_prepared.append(voiceId);
}

QList<VoiceDescription> FakeSynthesizer::voices()
{
    std::lock_guard lock(m_mutex);
    return m_voices;
}

SontiError FakeSynthesizer::synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output)
{
    {
        std::lock_guard lock(m_mutex);
        m_spoken.append({fragment, voiceId});
        if (m_error.isError())
            return m_error;
    }
    const int chunk = m_sampleRate / 100;
    const qint64 wordSamples = qint64(m_wordMs) * m_sampleRate / 1000;
    const qint64 gapSamples = qint64(m_gapMs) * m_sampleRate / 1000;
    const double amplitude = 8000.0 * fragment.state.volume / 100.0;
    const QString &text = fragment.text;
    std::vector<qint16> samples;
    std::vector<SynthesisEvent> events;
    qint64 sample = 0;
    qsizetype i = 0;
    const bool oneWord = fragment.kind == SpeechFragment::Kind::Pronounce;
    while (i < text.size()) {
        if (text.at(i).isSpace() && !oneWord) {
            samples.assign(size_t(gapSamples), 0);
            events.push_back({SynthesisEvent::Type::Viseme, sample, 0, 0, 0, 0});
            sample += gapSamples;
            ++i;
            if (!emitSamples(output, samples, events, chunk))
                return {};
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && (oneWord || !text.at(end).isSpace()))
            ++end;
        events.push_back({SynthesisEvent::Type::Word, sample, int(i), int(end - i), 0, 0});
        events.push_back({SynthesisEvent::Type::Viseme, sample, 0, 0, int(1 + i % 21), 0});
        events.push_back({SynthesisEvent::Type::Viseme, sample + wordSamples / 2, 0, 0, int(1 + (i + 7) % 21), 0});
        for (qint64 n = 0; n < wordSamples; ++n)
            samples.push_back(qint16(amplitude * std::sin(2 * M_PI * 440.0 * double(n) / m_sampleRate)));
        sample += wordSamples;
        i = end;
        if (!emitSamples(output, samples, events, chunk))
            return {};
    }
    return {};
}
