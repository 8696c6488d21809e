#pragma once

#include "Synthesizer.h"

// How espeak-ng starts. It starts once per process, as the first
// instance asks; later instances share it as it is.
struct EspeakOptions
{
    // Phoneme events: visemes, and the boundaries a pause waits for.
    // Off where nothing reads them (a sound file written without
    // events), which spares espeak and the callback their work.
    bool phonemeEvents = true;
    // The audio each callback brings, in ms: 0 is espeak's shortest
    // (about 49 ms), for a quick first sound; a file is written faster
    // in longer chunks. The samples are the same either way.
    int chunkMs = 0;
};

// The espeak-ng synthesiser, in its synchronous mode: the audio and events
// of a fragment come through a callback on the calling thread, chunk by
// chunk, and returning "stop" from it aborts within one chunk (espeak_Cancel
// does not stop a running synthesis). espeak-ng has one global state per
// process, so every instance shares it and calls are serialised.
class EspeakSynthesizer : public Synthesizer
{
public:
    // Throws SontiError when espeak-ng cannot start (no voice data).
    explicit EspeakSynthesizer(const EspeakOptions &options = EspeakOptions());
    ~EspeakSynthesizer() override;

    // "eSpeak NG 1.51": the engine and its version.
    static QString engineVersion();

    QList<VoiceDescription> voices() override;
    int sampleRate(const QString &) const override { return m_sampleRate; }
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;
    void prepare(const QString &voiceId) override;

private:
    int m_sampleRate = 0;
};
