#pragma once

#include "FliteEngine.h"

// FliteEngine on flite's own library: each fragment goes through flite's
// tokeniser, which cuts it into utterances at sentence ends, and comes back
// through its audio stream callback one utterance at a time: the words and
// phones of the utterance become events keyed by sample before its audio.
// flite keeps global state (its lexicon, the voices' features), so every
// call into it runs under one lock and a voice is loaded once per process.
// Only libsonti_flite.so holds this class; its sonti_flite_engine() hands
// out the one instance.
class FliteModule : public FliteEngine
{
public:
    bool loadVoice(const char *voiceLibrary) override;
    SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, const char *voiceLibrary,
                          SynthesisOutput &output) override;
};
