#pragma once

#include "Synthesizer.h"

// flite itself, behind FliteSynthesizer: the one part of Sonti that calls
// into flite, built as a module of its own (libsonti_flite.so) that
// FliteSynthesizer loads when a flite voice is first prepared or speaks.
// flite and its voices are large libraries with many relocations, so a
// program that only lists voices or speaks with espeak-ng never loads them.
// The module and the programs are built together: the interface is C++.
class FliteEngine
{
public:
    virtual ~FliteEngine() = default;

    // voiceLibrary names a voice's library without its "libflite_" and
    // ".so.1" ("cmu_us_slt"). Loads it once per process; false when it
    // cannot be loaded. Safe from any thread.
    virtual bool loadVoice(const char *voiceLibrary) = 0;
    // As Synthesizer::synthesize; voiceId is the id errors name.
    virtual SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, const char *voiceLibrary,
                                  SynthesisOutput &output) = 0;
};

// The module's one exported function: its engine, which lives as long as
// the process.
#define SONTI_FLITE_ENGINE_ENTRY "sonti_flite_engine"
using FliteEngineEntry = FliteEngine *(*)();

inline SontiError fliteError(const QString &what)
{
    return SontiError(SontiError::SpeechFailure, QStringLiteral("Flite"), what);
}
