#pragma once

#include "Synthesizer.h"

// flite's CMU voices for US English: kal (8 kHz), kal16, slt, rms and awb
// (16 kHz). Each fragment goes through flite's tokeniser, which cuts it into
// utterances at sentence ends, and comes back through its audio stream
// callback one utterance at a time: the words and phones of the utterance
// become events keyed by sample before its audio. flite keeps global state
// (its lexicon, the voices' features), so every call into it runs under one
// lock and a voice is loaded once per process, on the synthesis thread.
class FliteSynthesizer : public Synthesizer
{
public:
    FliteSynthesizer() = default;

    // "Flite 2.2".
    static QString engineVersion();

    QList<VoiceDescription> voices() override;
    int sampleRate(const QString &voiceId) const override;
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) override;
};
