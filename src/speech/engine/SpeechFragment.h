#pragma once

#include <QList>
#include <QString>

// The speaker's own speed, pitch and volume as multiples of the voice's
// normal ones: a speaking-rate factor, a frequency ratio and an amplitude
// factor, which any synthesiser can honour. The SAPI values of SpeechState
// act on top of them. Markup never changes them; the voice's owner sets
// them (sonti-say's -s, -p and -a), beyond the reach of SAPI's scales.
struct Prosody
{
    double speed = 1.0;  // > 0: 2 speaks twice as fast
    double pitch = 1.0;  // > 0: 2 is an octave higher
    double volume = 1.0; // 0..2: 2 is twice the amplitude

    bool operator==(const Prosody &) const = default;
};

// One piece of a Speak request as the synthesiser receives it: plain text, or
// what XML markup asked for (silence, a bookmark, a pronunciation), together
// with the voice state in force. The markup parser produces a list of these;
// plain text is a single Text fragment.
struct SpeechState
{
    // SAPI scales. rate and pitch: -10..10, 0 = the voice's default (each
    // rate step a factor of 3^(1/10), each pitch step 2^(1/24)); volume:
    // 0..100 percent of the default.
    int rate = 0;
    int pitch = 0;
    int volume = 100;
    bool emphasis = false;
    bool spell = false;
    // Voice chosen by <voice>/<lang>; empty = the voice set with SpVoice::setVoice.
    QString voiceId;
    // Hints the synthesiser may use: <partofsp part=…>, <context id=…>.
    QString partOfSpeech;
    QString context;
    Prosody baseline;

    bool operator==(const SpeechState &) const = default;
};

struct SpeechFragment
{
    enum class Kind { Text, Silence, Bookmark, Pronounce };

    Kind kind = Kind::Text;
    // Text: the characters to speak, entities already decoded.
    // Pronounce: the text the pronunciation replaces (may be empty).
    QString text;
    // For each UTF-16 unit of text, its offset in the string given to Speak,
    // plus one trailing entry for the end of the last unit; so a word
    // text[i, j) lies at sourceOffsets[i] .. sourceOffsets[j] in the original.
    // Empty means identity: text is the original string itself from
    // sourceBase on (plain text, which needs no table).
    QList<qsizetype> sourceOffsets;
    qsizetype sourceBase = 0;
    // A text read piecewise carries the part of the original its offsets
    // point into, which begins at sourceBase; empty when it needs none or
    // the whole string is at hand.
    QString source;
    // Silence: milliseconds.
    int msec = 0;
    // Bookmark: the mark's name. Pronounce: SAPI phoneme symbols ("h eh 1 l ow").
    QString argument;
    SpeechState state;
};
