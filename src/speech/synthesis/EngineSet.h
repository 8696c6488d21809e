#pragma once

#include "EspeakSynthesizer.h"
#include "Synthesizer.h"

#include <QHash>
#include <QLocale>

#include <memory>
#include <vector>

// Every speech engine behind one synthesiser: one voice list for all of
// them, in VoiceOrder for the locale, and each synthesis handed to the
// engine whose voice it asks for. An id no engine offers goes to the first
// engine, which reports it.
class EngineSet : public Synthesizer
{
public:
    EngineSet(std::vector<std::unique_ptr<Synthesizer>> engines, const QLocale &locale = QLocale());

    // eSpeak NG and Flite; espeak-ng is left out when it cannot start.
    static std::unique_ptr<EngineSet> installed(const QLocale &locale = QLocale(),
                                                const EspeakOptions &espeak = EspeakOptions());
    // "eSpeak NG 1.51, Flite 2.2".
    static QString engineVersions();

    QList<VoiceDescription> voices() override { return m_voices; }
    int sampleRate(const QString &voiceId) const override;
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;
    void prepare(const QString &voiceId) override;

private:
    Synthesizer &engineFor(const QString &voiceId) const;

    std::vector<std::unique_ptr<Synthesizer>> m_engines;
    QList<VoiceDescription> m_voices; // fixed once made: read from any thread
    QHash<QString, Synthesizer *> m_byId;
};
