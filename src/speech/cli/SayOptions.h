#pragma once

#include "SpeechFragment.h"

#include <QString>
#include <QStringList>

#include <optional>

// sonti-say's command line: espeak-ng's options with espeak-ng's meanings
// (-v, -s, -p, -a, -w, -f, -m, --stdout), and Sonti's own. parse() checks
// every value, so nothing is touched until the whole line makes sense.
struct SayOptions
{
    enum class Action { Speak, ListVoices, Help, Version };

    Action action = Action::Speak;
    QString voice;
    QString outputPath; // empty: play; "-": standard output
    QString inputFile;  // empty: the words, or standard input
    QStringList words;  // the text given on the command line
    bool markup = false;
    bool events = false;
    bool json = false;
    int format = 22; // a SpeechAudioFormatType
    Prosody prosody;
    QString listLanguage; // --list-voices LANG
    QString helpText;

    // espeak-ng's default speed; -s speeds are relative to it.
    static constexpr int NormalWordsPerMinute = 175;

    // The options, or the one line that says what was wrong.
    static SayOptions parse(const QStringList &arguments, QString &error);
    // The frequency ratio of espeak-ng's pitch 0..99, where 50 is the
    // voice's own and 50 steps make an octave.
    static double pitchRatio(int espeakPitch);
};
