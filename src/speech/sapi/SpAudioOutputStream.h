#pragma once

#include "SpAudioFormat.h"

// The voice's audio output stream as callers see it: it carries the format.
// The voice hands out a shared instance, so a caller can change
// AudioOutputStream()->Format() and then assign the stream back, which is
// what puts the new format into effect.
class SpAudioOutputStream
{
public:
    SpAudioFormat &Format() { return m_format; }
    const SpAudioFormat &Format() const { return m_format; }

private:
    SpAudioFormat m_format;
};
