#include "EngineSet.h"

#include "EspeakSynthesizer.h"
#include "FliteSynthesizer.h"
#include "VoiceOrder.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcEngines, "sonti.speech.engines", QtCriticalMsg)

EngineSet::EngineSet(std::vector<std::unique_ptr<Synthesizer>> engines, const QLocale &locale)
    : m_engines(std::move(engines))
{
    Q_ASSERT(!m_engines.empty());
    QList<VoiceDescription> all;
    for (const std::unique_ptr<Synthesizer> &engine : m_engines) {
        for (const VoiceDescription &voice : engine->voices()) {
            if (m_byId.contains(voice.id))
                continue;
            m_byId.insert(voice.id, engine.get());
            all.append(voice);
        }
    }
    m_voices = VoiceOrder::forLocale(all, locale);
}

std::unique_ptr<EngineSet> EngineSet::installed(const QLocale &locale, const EspeakOptions &espeak)
{
    std::vector<std::unique_ptr<Synthesizer>> engines;
    try {
        engines.push_back(std::make_unique<EspeakSynthesizer>(espeak));
    } catch (const SontiError &error) {
        // Without its voice data espeak-ng is left out; flite's voices are
        // built into its libraries, so there is always one engine.
        qCWarning(lcEngines) << error.toString();
    }
    engines.push_back(std::make_unique<FliteSynthesizer>());
    return std::make_unique<EngineSet>(std::move(engines), locale);
}

QString EngineSet::engineVersions()
{
    return EspeakSynthesizer::engineVersion() + QStringLiteral(", ") + FliteSynthesizer::engineVersion();
}

Synthesizer &EngineSet::engineFor(const QString &voiceId) const
{
    Synthesizer *engine = m_byId.value(voiceId);
    return engine ? *engine : *m_engines.front();
}

int EngineSet::sampleRate(const QString &voiceId) const
{
    return engineFor(voiceId).sampleRate(voiceId);
}

void EngineSet::prepare(const QString &voiceId)
{
    engineFor(voiceId).prepare(voiceId);
}

SontiError EngineSet::synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output)
{
    return engineFor(voiceId).synthesize(fragment, voiceId, output);
}
