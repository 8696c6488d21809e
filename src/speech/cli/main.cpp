// sonti-say: speaks text with Sonti's voice, to the speakers or to a WAV
// file, for people who script and for the benchmarks.

#include "DocumentReader.h"
#include "EspeakSynthesizer.h"
#include "EventPrinter.h"
#include "SoundFileSink.h"
#include "SpVoice.h"
#include "TextDecoder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {
int fail(const QString &message)
{
    std::fprintf(stderr, "sonti-say: %s\n", qPrintable(message));
    return 1;
}

SpObjectToken findVoice(const SpObjectTokens &voices, const QString &name)
{
    for (const SpObjectToken &token : voices) {
        if (token.Id().compare(name, Qt::CaseInsensitive) == 0
            || token.GetDescription().compare(name, Qt::CaseInsensitive) == 0
            || token.voice().id.compare(name, Qt::CaseInsensitive) == 0
            || token.voice().name.compare(name, Qt::CaseInsensitive) == 0)
            return token;
    }
    return {};
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sonti-say"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Speaks TEXT, or the file given with -f, or standard input, with Sonti's voice."));
    parser.addHelpOption();
    const QCommandLineOption fileOption({"f", "file"}, "Speak the text of FILE.", "FILE");
    const QCommandLineOption outputOption({"o", "output"}, "Write a WAV file instead of playing.", "FILE.wav");
    const QCommandLineOption voiceOption("voice", "The voice: its description, id or name.", "NAME");
    const QCommandLineOption formatOption(
        "format",
        "Output format type: 18 (16 kHz mono), 19 (16 kHz stereo), 22 (22 kHz mono, the default), "
        "23 (22 kHz stereo), or any PCM type from 4 to 39.",
        "TYPE", "22");
    const QCommandLineOption xmlOption("xml", "Read the text as SAPI XML markup.");
    const QCommandLineOption listOption("list-voices", "List the voices: position, id, description.");
    const QCommandLineOption eventsOption("events", "Print every event as a JSON line.");
    parser.addOptions({fileOption, outputOption, voiceOption, formatOption, xmlOption, listOption, eventsOption});
    parser.addPositionalArgument("TEXT", "The text to speak.", "[TEXT...]");
    parser.process(app);

    try {
        std::unique_ptr<SpVoice> voice;
        if (parser.isSet(outputOption)) {
            QFile probe(parser.value(outputOption));
            if (!probe.open(QIODevice::WriteOnly))
                return fail(QStringLiteral("cannot write %1: %2").arg(probe.fileName(), probe.errorString()));
            voice = std::make_unique<SpVoice>(std::make_unique<EspeakSynthesizer>(),
                                              std::make_unique<SoundFileSink>(probe.fileName(), SpAudioFormat()));
        } else {
            voice = std::make_unique<SpVoice>();
        }

        const SpObjectTokens voices = voice->GetVoices();
        if (parser.isSet(listOption)) {
            int position = 0;
            for (const SpObjectToken &token : voices)
                std::printf("%d\t%s\t%s\n", position++, qPrintable(token.Id()), qPrintable(token.GetDescription()));
            return 0;
        }
        if (parser.isSet(voiceOption)) {
            const SpObjectToken token = findVoice(voices, parser.value(voiceOption));
            if (token.isNull())
                return fail(QStringLiteral("unknown voice \"%1\" (see --list-voices)").arg(parser.value(voiceOption)));
            voice->setVoice(token);
        }
        bool numeric = false;
        const int format = parser.value(formatOption).toInt(&numeric);
        if (!numeric || !SpAudioFormat::isSupported(format))
            return fail(QStringLiteral("unknown format \"%1\" (use 18, 19, 22 or 23)").arg(parser.value(formatOption)));
        voice->setAllowAudioOutputFormatChangesOnNextSet(false);
        voice->AudioOutputStream()->Format().setType(format);
        voice->setAudioOutputStream(voice->AudioOutputStream());

        QString text;
        if (parser.isSet(fileOption)) {
            // The window's reader: PDF, EPUB, office documents, HTML and
            // Markdown give their text, anything else is decoded as text.
            const LoadedDocument document = DocumentReader::read(parser.value(fileOption));
            if (!document.ok())
                return fail(
                    QStringLiteral("cannot read %1: %2").arg(parser.value(fileOption), document.error.description()));
            text = document.text;
        } else if (!parser.positionalArguments().isEmpty()) {
            text = parser.positionalArguments().join(u' ');
        } else {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly))
                return fail(QStringLiteral("cannot read standard input"));
            text = TextDecoder::decode(in.readAll());
        }

        std::unique_ptr<EventPrinter> printer;
        if (parser.isSet(eventsOption)) {
            voice->setEventInterests(SVEAllEvents);
            printer = std::make_unique<EventPrinter>(*voice, voice->AudioOutputStream()->Format().blockAlign(), stdout);
        } else {
            voice->setEventInterests(SVEEndInputStream);
        }
        QObject::connect(voice.get(), &SpVoice::EndStream, &app, [] { QCoreApplication::quit(); });
        voice->Speak(text, SVSFlagsAsync | (parser.isSet(xmlOption) ? SVSFIsXML : SVSFIsNotXML));
        const int status = app.exec();
        std::fflush(stdout);
        return status;
    } catch (const SontiError &error) {
        return fail(error.description());
    }
}
