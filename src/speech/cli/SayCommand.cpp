#include "SayCommand.h"

#include "EngineSet.h"
#include "EventPrinter.h"
#include "InterruptWatcher.h"
#include "PulseAudioSink.h"
#include "SoundFileSink.h"
#include "SpVoice.h"
#include "TextSource.h"
#include "VoiceChooser.h"
#include "VoiceOrder.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <future>

namespace {
// espeak-ng's chunk, in ms, for a sound file: fewer callbacks and writes.
constexpr int FileChunkMs = 400;

void printLine(std::FILE *out, const QString &text)
{
    std::fputs(qPrintable(text), out);
    std::fputc('\n', out);
}

SpObjectTokens tokensOf(Synthesizer &synthesizer)
{
    QList<SpObjectToken> tokens;
    for (const VoiceDescription &description : synthesizer.voices())
        tokens.append(SpObjectToken(description));
    return SpObjectTokens(tokens);
}

int usageError(const QString &what, const QString &hint)
{
    printLine(stderr, QStringLiteral("sonti-say: ") + what);
    printLine(stderr, hint);
    return SayCommand::Usage;
}
}

SayCommand::SayCommand(SayOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{}

SayCommand::~SayCommand()
{
    // The input reader first: it posts to this object.
    m_source.reset();
    m_printer.reset();
    m_voice.reset();
}

int SayCommand::run()
{
    try {
        if (m_options.action == SayOptions::Action::ListVoices)
            return listVoices();
        if (const int status = prepare(); status != Done)
            return status;
    } catch (const SontiError &error) {
        printLine(stderr, QStringLiteral("sonti-say: ") + error.description());
        return Failed;
    }
    m_interrupts = std::make_unique<InterruptWatcher>();
    connect(m_interrupts.get(), &InterruptWatcher::interrupted, this, &SayCommand::interrupt);
    m_source->start();
    QCoreApplication::exec();
    return m_status;
}

int SayCommand::listVoices()
{
    const std::unique_ptr<EngineSet> engines = EngineSet::installed();
    const QList<VoiceChooser::Listed> listed = VoiceChooser(tokensOf(*engines)).ofLanguage(m_options.listLanguage);
    if (listed.isEmpty() && !m_options.listLanguage.isEmpty()) {
        printLine(stderr, QStringLiteral("sonti-say: no voice speaks language \"%1\"").arg(m_options.listLanguage));
        return Failed;
    }
    if (m_options.json) {
        QJsonArray voices;
        for (const VoiceChooser::Listed &entry : listed) {
            const VoiceDescription &v = entry.token.voice();
            voices.append(QJsonObject{{"position", entry.position},
                                      {"id", entry.token.Id()},
                                      {"language", v.language},
                                      {"name", v.name},
                                      {"description", entry.token.GetDescription()},
                                      {"gender", v.gender},
                                      {"engine", v.vendor}});
        }
        std::fputs(QJsonDocument(voices).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        for (const VoiceChooser::Listed &entry : listed)
            printLine(stdout,
                      QStringLiteral("%1\t%2\t%3\t%4")
                          .arg(entry.position)
                          .arg(entry.token.Id(), entry.token.voice().language, entry.token.GetDescription()));
    }
    if (std::fflush(stdout) != 0) {
        printLine(stderr,
                  QStringLiteral("sonti-say: cannot write the list: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return Failed;
    }
    return Done;
}

int SayCommand::prepare()
{
    // sonti-say never pauses: without --events nothing reads espeak's
    // phonemes. A file has no listener waiting for its first chunk.
    EspeakOptions espeak;
    espeak.phonemeEvents = m_options.events;
    espeak.chunkMs = m_options.outputPath.isEmpty() ? 0 : FileChunkMs;
    // The engines start (espeak-ng reads its voice files) and load the
    // chosen voice on a thread of their own while the sound server is
    // reached here; its errors wait for their turn after the voice's and
    // the input's.
    struct Started
    {
        std::unique_ptr<EngineSet> engines;
        VoiceChooser::Choice choice;
    };
    const QString wanted = m_options.voice;
    std::future<Started> starting = std::async(std::launch::async, [espeak, wanted] {
        Started started{EngineSet::installed(QLocale(), espeak), {0, {}}};
        const SpObjectTokens tokens = tokensOf(*started.engines);
        if (!wanted.isNull())
            started.choice = VoiceChooser(tokens).choose(wanted);
        if (started.choice.position >= 0 && started.choice.position < tokens.Count())
            started.engines->prepare(tokens.Item(started.choice.position).voice().id);
        return started;
    });
    SpAudioFormat format;
    format.setType(m_options.format);
    std::unique_ptr<AudioSink> speakers;
    SontiError speakersError;
    if (m_options.outputPath.isEmpty()) {
        speakers = std::make_unique<PulseAudioSink>();
        speakersError = speakers->connect();
        // The server opens the stream while the engines are still starting.
        if (!speakersError.isError())
            speakers->prepare(format);
    }
    // The engines sort their voices by it once espeak-ng has listed them.
    VoiceOrder::loadCollation(QLocale());
    Started started = starting.get();
    if (started.choice.position < 0)
        return usageError(started.choice.error, QStringLiteral("Try 'sonti-say --list-voices' to see the voices."));
    const int voicePosition = started.choice.position;
    std::unique_ptr<Synthesizer> synthesizer = std::move(started.engines);

    if (!m_options.inputFile.isEmpty() && m_options.inputFile != u"-") {
        SontiError error;
        m_source = TextSource::fromFile(m_options.inputFile, error);
        if (!m_source)
            throw error;
    } else if (!m_options.words.isEmpty()) {
        m_source = TextSource::fromText(m_options.words.join(u' '));
    } else {
        // Markup is read whole: a tag may span many lines.
        m_source = TextSource::fromStandardInput(!m_options.markup);
    }

    std::unique_ptr<AudioSink> sink;
    if (!m_options.outputPath.isEmpty()) {
        auto file = std::make_unique<SoundFileSink>(m_options.outputPath, format);
        if (const SontiError error = file->open(); error.isError())
            throw error;
        m_fileSink = file.get();
        sink = std::move(file);
    } else {
        if (speakersError.isError())
            throw speakersError;
        sink = std::move(speakers);
    }

    m_voice = std::make_unique<SpVoice>(std::move(synthesizer), std::move(sink));
    m_voice->setVoice(m_voice->GetVoices().Item(voicePosition));
    m_voice->setAllowAudioOutputFormatChangesOnNextSet(false);
    m_voice->AudioOutputStream()->Format().setType(m_options.format);
    m_voice->setAudioOutputStream(m_voice->AudioOutputStream());
    m_voice->setProsody(m_options.prosody);
    m_voice->setEventInterests(m_options.events ? SVEAllEvents : SVEEndInputStream);
    if (m_options.events) {
        m_printer = std::make_unique<EventPrinter>(*m_voice, format, m_options.outputPath == u"-" ? stderr : stdout);
        connect(m_printer.get(), &EventPrinter::failed, this,
                [this](const QString &reason) { fail(QStringLiteral("cannot write the events: ") + reason); });
    }
    connect(m_voice.get(), &SpVoice::StreamFailed, this,
            [this](int, const SontiError &error) { fail(error.description()); });
    connect(m_voice.get(), &SpVoice::EndStream, this, &SayCommand::onEndStream);
    connect(m_source.get(), &TextSource::piece, this, &SayCommand::speakPiece);
    connect(m_source.get(), &TextSource::finished, this, &SayCommand::onInputFinished);
    return Done;
}

void SayCommand::speakPiece(const QString &text, qsizetype offset)
{
    if (m_quitting || text.trimmed().isEmpty())
        return;
    try {
        const int stream = m_voice->Speak(text, SVSFlagsAsync | (m_options.markup ? SVSFIsXML : SVSFIsNotXML));
        m_openStreams.insert(stream);
        if (m_printer)
            m_printer->addStream(stream, text, offset);
    } catch (const SontiError &error) {
        fail(error.description());
    }
}

void SayCommand::onEndStream(int stream)
{
    m_openStreams.remove(stream);
    finishIfDone();
}

void SayCommand::onInputFinished(const SontiError &error)
{
    if (error.isError())
        return fail(error.description());
    m_inputDone = true;
    finishIfDone();
}

void SayCommand::finishIfDone()
{
    if (m_quitting || !m_inputDone || !m_openStreams.isEmpty())
        return;
    if (m_fileSink) {
        if (const SontiError error = m_fileSink->commit(); error.isError())
            return fail(error.description());
    }
    quit(Done);
}

void SayCommand::fail(const QString &reason)
{
    if (m_quitting)
        return;
    printLine(stderr, QStringLiteral("sonti-say: ") + reason);
    quit(Failed);
}

void SayCommand::interrupt(int signalNumber)
{
    quit(128 + signalNumber);
}

void SayCommand::quit(int status)
{
    if (m_quitting)
        return;
    m_quitting = true;
    m_status = status;
    m_source->stop();
    // Silence at once; the file, never committed, goes with the sink.
    if (status != Done)
        m_voice->Speak(QString(), SVSFPurgeBeforeSpeak);
    QCoreApplication::exit(status);
}
