#include "SayOptions.h"

#include "SpAudioFormat.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cmath>

namespace {
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}
}

double SayOptions::pitchRatio(int espeakPitch)
{
    return std::pow(2.0, (espeakPitch - 50) / 50.0);
}

SayOptions SayOptions::parse(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Speaks TEXT, the text of a file, or standard input as it arrives, with Sonti's voice: to the speakers, "
        "a sound file or standard output."));
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption version("version", "Show the version.");
    const QCommandLineOption voice({"v", "voice"},
                                   "The voice: a language code (de, en-gb, pt-br), a language, an id or a name, "
                                   "or the start of one.",
                                   "VOICE");
    const QCommandLineOption speed({"s", "speed"}, "Speed in words per minute, 80 and up (default 175).", "WPM");
    const QCommandLineOption pitch({"p", "pitch"}, "Pitch, 0 to 99 (default 50).", "PITCH");
    const QCommandLineOption amplitude({"a", "amplitude"}, "Amplitude, 0 to 200 (default 100).", "AMPLITUDE");
    const QCommandLineOption file({"f", "file"}, "Speak the text of FILE (- is standard input).", "FILE");
    const QCommandLineOption stdinOption("stdin", "Speak standard input (the default without TEXT or -f).");
    const QCommandLineOption wav("w", "Write a sound file instead of playing (as -o).", "FILE");
    const QCommandLineOption output({"o", "output"},
                                    "Write a sound file instead of playing: FLAC for .flac, Ogg Vorbis for .ogg, "
                                    "WAV otherwise; - is standard output.",
                                    "FILE");
    const QCommandLineOption toStdout("stdout", "Write WAV to standard output.");
    const QCommandLineOption xml({"m", "xml"}, "The text is SAPI XML markup.");
    const QCommandLineOption format(
        "format",
        "Output format type: 18 (16 kHz mono), 19 (16 kHz stereo), 22 (22 kHz mono, the default), "
        "23 (22 kHz stereo), or any PCM type from 4 to 39.",
        "TYPE", "22");
    const QCommandLineOption list("list-voices",
                                  "List the voices, or those of language LANG: position, id, "
                                  "language, description.");
    const QCommandLineOption json("json", "With --list-voices: list as JSON.");
    const QCommandLineOption events("events", "Print every event as a JSON line (to standard error with --stdout).");
    parser.addOptions({help, version, voice, speed, pitch, amplitude, file, stdinOption, wav, output, toStdout, xml,
                       format, list, json, events});
    parser.addPositionalArgument("TEXT", "The text to speak (with --list-voices: LANG).", "[TEXT...]");

    SayOptions options;
    options.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return options;
    }
    auto fail = [&error, &options](const QString &message) {
        error = message;
        return options;
    };
    if (parser.isSet(help)) {
        options.action = Action::Help;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = Action::Version;
        return options;
    }
    const QStringList words = parser.positionalArguments();
    if (parser.isSet(list)) {
        options.action = Action::ListVoices;
        options.json = parser.isSet(json);
        if (words.size() > 1)
            return fail(QStringLiteral("--list-voices takes one language, not \"%1\"").arg(words.join(u' ')));
        options.listLanguage = words.value(0);
        return options;
    }
    if (parser.isSet(json))
        return fail(QStringLiteral("--json goes with --list-voices"));

    options.voice = parser.value(voice);
    const QStringList outputs = parser.values(wav) + parser.values(output);
    if (outputs.size() + (parser.isSet(toStdout) ? 1 : 0) > 1)
        return fail(QStringLiteral("give one output: -w, -o or --stdout"));
    options.outputPath = parser.isSet(toStdout) ? QStringLiteral("-") : outputs.value(0);
    if (parser.isSet(output) && options.outputPath.isEmpty())
        return fail(QStringLiteral("-o needs a file name"));
    if (parser.isSet(file) && !words.isEmpty())
        return fail(QStringLiteral("give the text either as words or with -f, not both"));
    options.inputFile = parser.value(file);
    options.words = words;
    options.markup = parser.isSet(xml);
    options.events = parser.isSet(events);

    if (parser.isSet(speed)) {
        const std::optional<int> wpm = wholeNumber(parser.value(speed), 0, 100000);
        if (!wpm)
            return fail(QStringLiteral("-s needs a speed in words per minute, not \"%1\"").arg(parser.value(speed)));
        options.prosody.speed = double(std::max(*wpm, 1)) / NormalWordsPerMinute;
    }
    if (parser.isSet(pitch)) {
        const std::optional<int> value = wholeNumber(parser.value(pitch), 0, 99);
        if (!value)
            return fail(QStringLiteral("-p needs a pitch from 0 to 99, not \"%1\"").arg(parser.value(pitch)));
        options.prosody.pitch = pitchRatio(*value);
    }
    if (parser.isSet(amplitude)) {
        const std::optional<int> value = wholeNumber(parser.value(amplitude), 0, 200);
        if (!value)
            return fail(QStringLiteral("-a needs an amplitude from 0 to 200, not \"%1\"").arg(parser.value(amplitude)));
        options.prosody.volume = *value / 100.0;
    }
    const std::optional<int> type = wholeNumber(parser.value(format), 4, 39);
    if (!type || !SpAudioFormat::isSupported(*type))
        return fail(QStringLiteral("unknown format \"%1\" (use a PCM type from 4 to 39, such as 18, 19, 22 or 23)")
                        .arg(parser.value(format)));
    options.format = *type;
    return options;
}
