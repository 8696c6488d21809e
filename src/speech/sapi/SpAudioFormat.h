#pragma once

#include "SapiTypes.h"

// The format of the voice's audio output, named by a SpeechAudioFormatType
// (the PCM types 4..39: 8 to 48 kHz, 8 or 16 bit, mono or stereo). Setting
// a type the engine cannot produce is refused with a SontiError and leaves
// the format as it was.
class SpAudioFormat
{
public:
    SpAudioFormat() = default;

    int Type() const { return m_type; }
    // Throws SontiError for a type that is not one of the PCM types;
    // SAFTDefault selects the engine's own format, 22 kHz 16-bit mono.
    void setType(int type);

    static bool isSupported(int type);
    int sampleRate() const { return sampleRateOf(m_type); }
    int channels() const { return channelsOf(m_type); }
    int bitsPerSample() const { return bitsOf(m_type); }
    // Bytes per frame (one sample of every channel).
    int blockAlign() const { return channels() * bitsPerSample() / 8; }

    static int sampleRateOf(int type);
    static int channelsOf(int type);
    static int bitsOf(int type);

    bool operator==(const SpAudioFormat &) const = default;

private:
    int m_type = SAFT22kHz16BitMono;
};
