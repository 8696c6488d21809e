#pragma once

#include "SontiError.h"

#include <QString>

// An event of a stream, stamped with the output frame at which it is heard.
struct SpeechEvent
{
    enum class Kind { StartStream, EndStream, Word, Viseme, AudioLevel, Bookmark };

    Kind kind = Kind::Word;
    int stream = 0;
    qint64 frame = 0;       // output frames from the start of the stream
    qint64 position = 0;    // the same point in bytes of the output (SAPI's StreamPosition)
    int sampleRate = 0;     // of the output, to turn frames into time
    bool immediate = false; // due at once (a stream that failed)
    // Word: offset and length in UTF-16 units into the text given to Speak.
    int wordPosition = 0;
    int wordLength = 0;
    // Viseme: duration in ms, the next viseme, feature, this viseme (0..21).
    int duration = 0;
    int nextViseme = 0;
    int feature = 0;
    int viseme = 0;
    // AudioLevel: 0..100.
    int level = 0;
    // Bookmark: the mark and its value as a number (0 when not numeric).
    QString mark;
    int markId = 0;
    // EndStream: why the stream did not play to its end, when it failed.
    SontiError error;
};
