#pragma once

#include "Synthesizer.h"

// flite's CMU voices for US English: kal (8 kHz), kal16, slt, rms and awb
// (16 kHz). The voice list is Sonti's own; flite itself is in a module
// (FliteEngine) that is loaded, with the voice, when a voice is first
// prepared or speaks, on whichever thread that is.
class FliteSynthesizer : public Synthesizer
{
public:
    FliteSynthesizer() = default;

    // "Flite 2.2".
    static QString engineVersion();

    QList<VoiceDescription> voices() override;
    int sampleRate(const QString &voiceId) const override;
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;
    // Loads flite and the voice ahead of its first fragment.
    void prepare(const QString &voiceId) override;
};
