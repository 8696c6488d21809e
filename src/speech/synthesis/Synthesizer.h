#pragma once

#include "SontiError.h"
#include "SpeechFragment.h"
#include "VoiceDescription.h"

#include <QList>

#include <span>

// What a synthesiser reports besides audio. sample counts mono samples at
// the synthesiser's rate from the start of the fragment being spoken.
struct SynthesisEvent
{
    enum class Type { Word, Viseme };
    Type type = Type::Word;
    qint64 sample = 0;
    // Word: UTF-16 offset and length in the fragment's text.
    int position = 0;
    int length = 0;
    // Viseme: 0..21 (SpeechVisemeType) and a SpeechVisemeFeature.
    int viseme = 0;
    int feature = 0;
};

// Receives the output of one synthesis as it is produced.
class SynthesisOutput
{
public:
    virtual ~SynthesisOutput() = default;
    // One chunk of 16-bit mono audio with the events that fall within it (or
    // before it). Return false to stop the synthesis at once.
    virtual bool deliver(std::span<const qint16> samples, std::span<const SynthesisEvent> events) = 0;
};

// A speech synthesiser: the voices it offers and the synthesis of one Text
// or Pronounce fragment with every field of its SpeechState. All calls
// except voices() come from one worker thread; the call blocks until the
// fragment is spoken or the output asked to stop.
class Synthesizer
{
public:
    virtual ~Synthesizer() = default;

    // In a stable order; the first is the engine's preferred voice.
    virtual QList<VoiceDescription> voices() = 0;
    // Of the mono audio a voice produces; voiceId is a VoiceDescription::id.
    virtual int sampleRate(const QString &voiceId) const = 0;
    // voiceId is a VoiceDescription::id. An error leaves nothing half-done
    // that the next call would hear.
    virtual SontiError synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output) = 0;
    // Loads ahead, from any thread, what the voice's first fragment would
    // wait for (espeak-ng's dictionary), so that it starts at once.
    virtual void prepare(const QString &voiceId) { Q_UNUSED(voiceId); }
};
