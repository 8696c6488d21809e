#pragma once

#include "Synthesizer.h"

#include <QStringList>

#include <mutex>

// A scripted synthesiser for tests of the engine and of the window, with no
// speech engine involved. Every run of non-blank characters is a word that
// lasts wordMs: a Word event at its start, then visemes (cycling through 1..21
// from the word's position, two per word), and a tone whose loudness follows
// the fragment's volume; each blank adds gapMs of silence. Pronounce
// fragments speak their text as one word. It records what it was asked to
// speak and can be told to fail.
class FakeSynthesizer : public Synthesizer
{
public:
    struct Spoken
    {
        SpeechFragment fragment;
        QString voiceId;
    };

    explicit FakeSynthesizer(int sampleRate = 16000, int wordMs = 100, int gapMs = 20);

    // Three voices by default: "fake/en-US" (American English, female),
    // "fake/en-GB" (British English, male) and "fake/de" (German, male).
    void setVoices(QList<VoiceDescription> voices);
    void setError(const SontiError &error);
    QList<Spoken> spoken() const;
    // The voices prepare() was asked to load, in order.
    QStringList prepared() const;

    QList<VoiceDescription> voices() override;
    int sampleRate(const QString &) const override { return m_sampleRate; }
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;
    void prepare(const QString &voiceId) override;

private:
    int m_sampleRate;
    int m_wordMs;
    int m_gapMs;
    mutable std::mutex m_mutex;
    QList<VoiceDescription> m_voices;
    SontiError m_error;
    QList<Spoken> m_spoken;
    QStringList m_prepared;
};
