#pragma once

#include "Synthesizer.h"

// The espeak-ng synthesiser, in its synchronous mode: the audio and events
// of a fragment come through a callback on the calling thread, chunk by
// chunk, and returning "stop" from it aborts within one chunk (espeak_Cancel
// does not stop a running synthesis). espeak-ng has one global state per
// process, so every instance shares it and calls are serialised.
class EspeakSynthesizer : public Synthesizer
{
public:
    // Throws SontiError when espeak-ng cannot start (no voice data).
    EspeakSynthesizer();
    ~EspeakSynthesizer() override;

    // "eSpeak NG 1.51": the engine and its version.
    static QString engineVersion();

    QList<VoiceDescription> voices() override;
    int sampleRate(const QString &) const override { return m_sampleRate; }
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;

private:
    int m_sampleRate = 0;
};
