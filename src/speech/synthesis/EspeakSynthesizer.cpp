#include "EspeakSynthesizer.h"

#include "EngineError.h"
#include "SapiPhonemes.h"
#include "SapiTypes.h"
#include "VisemeTable.h"

#include <espeak-ng/speak_lib.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

Q_LOGGING_CATEGORY(lcEspeak, "sonti.speech.espeak", QtCriticalMsg)

// libespeak-ng 1.51 asks libpcaudio for an audio device as it starts, in
// every output mode: libpcaudio opens a PulseAudio stream to see whether the
// server is there, which waits 30 s on a server that does not answer, and
// the device is never used in synchronous mode. This definition in the
// program comes before libpcaudio's in the dynamic linker's search, so
// espeak gets no device and the only audio connection is the sink's own.
extern "C" __attribute__((visibility("default"), used)) struct audio_object *
create_audio_device_object(const char *, const char *, const char *)
{
    return nullptr;
}

namespace {
std::mutex &espeakMutex()
{
    static std::mutex mutex;
    return mutex;
}

int s_rate = 0;
QString s_currentVoice;

// Maps espeak's 1-based code-point positions back to UTF-16 offsets in the
// fragment's text. Plain text walks the string with a cursor (positions
// arrive nearly in order), so a long text needs no table; generated input
// such as SSML carries an explicit table.
class PositionMap
{
public:
    explicit PositionMap(const QString &text)
        : m_text(text)
    {}
    PositionMap(const QString &text, std::vector<int> table)
        : m_text(text)
        , m_table(std::move(table))
    {}

    int utf16At(int codePoint)
    {
        if (!m_table.empty())
            return m_table[std::clamp<size_t>(size_t(std::max(codePoint, 0)), 0, m_table.size() - 1)];
        codePoint = std::max(codePoint, 0);
        while (m_codePoint < codePoint && m_utf16 < m_text.size()) {
            m_utf16 += isPair(m_utf16) ? 2 : 1;
            ++m_codePoint;
        }
        while (m_codePoint > codePoint && m_utf16 > 0) {
            m_utf16 -= (m_utf16 >= 2 && isPair(m_utf16 - 2)) ? 2 : 1;
            --m_codePoint;
        }
        return int(m_utf16);
    }

private:
    bool isPair(qsizetype i) const
    {
        return i + 1 < m_text.size() && m_text.at(i).isHighSurrogate() && m_text.at(i + 1).isLowSurrogate();
    }

    const QString &m_text;
    std::vector<int> m_table;
    qsizetype m_utf16 = 0;
    int m_codePoint = 0;
};

struct CallbackContext
{
    SynthesisOutput *output = nullptr;
    PositionMap *positions = nullptr;
    bool wordsFromEngine = true;
    int feature = SVF_None;
    std::vector<SynthesisEvent> events;
    bool stopped = false;
};

// espeak hands back the user_data given to espeak_Synth in every event of
// every callback, the list terminator included, so each call finds its
// synthesis there. A call without one cannot be placed: stop it.
int onSynth(short *wav, int count, espeak_EVENT *event)
{
    auto *context = event ? static_cast<CallbackContext *>(event->user_data) : nullptr;
    if (!context || context->stopped)
        return 1;
    context->events.clear();
    for (; event && event->type != espeakEVENT_LIST_TERMINATED; ++event) {
        SynthesisEvent out;
        out.sample = std::max(event->sample, 0);
        if (event->type == espeakEVENT_WORD && event->length > 0 && context->wordsFromEngine) {
            const int start = context->positions->utf16At(event->text_position - 1);
            const int end = context->positions->utf16At(event->text_position - 1 + event->length);
            out.type = SynthesisEvent::Type::Word;
            out.position = start;
            out.length = std::max(end - start, 0);
        } else if (event->type == espeakEVENT_PHONEME) {
            const char *name = event->id.string;
            out.type = SynthesisEvent::Type::Viseme;
            out.viseme = VisemeTable::visemeForIpa(QString::fromUtf8(name, qstrnlen(name, sizeof event->id.string)));
            out.feature = context->feature;
        } else {
            continue;
        }
        context->events.push_back(out);
    }
    const std::span<const qint16> samples(wav, wav ? size_t(std::max(count, 0)) : 0);
    if (!context->output->deliver(samples, context->events)) {
        context->stopped = true;
        return 1;
    }
    return 0;
}

QString bcp47(QString language)
{
    QStringList parts = language.split(u'-');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 2)
            parts[i] = parts[i].toUpper();
    }
    return parts.join(u'-');
}

// Spelling uses SSML's say-as; every generated character maps to the
// source character it stands for.
QByteArray spelledInput(const QString &text, std::vector<int> &table)
{
    QString ssml = QStringLiteral("<speak><say-as interpret-as=\"characters\">");
    table.assign(size_t(ssml.size()), 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())
            continue;
        QString piece = c == u'<' ? QStringLiteral("&lt;")
            : c == u'>'           ? QStringLiteral("&gt;")
            : c == u'&'           ? QStringLiteral("&amp;")
            : c.isNull()          ? QStringLiteral(" ")
                                  : QString(c);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            piece.append(text.at(i + 1));
        ssml.append(piece);
        for (int n = 0; n < QStringView(piece).toUcs4().size(); ++n)
            table.push_back(int(i));
    }
    const QString tail = QStringLiteral("</say-as></speak>");
    ssml.append(tail);
    table.insert(table.end(), size_t(tail.size()) + 1, int(text.size()));
    return ssml.toUtf8();
}
}

EspeakSynthesizer::EspeakSynthesizer(const EspeakOptions &options)
{
    std::lock_guard lock(espeakMutex());
    if (s_rate == 0) {
        const int phonemes = options.phonemeEvents ? espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_PHONEME_IPA : 0;
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, std::max(options.chunkMs, 0), nullptr,
                                           phonemes | espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0)
            throw EngineError::fromEspeak(EE_INTERNAL_ERROR, QStringLiteral("Starting the speech engine"));
        espeak_SetSynthCallback(onSynth);
        s_rate = rate;
        s_currentVoice.clear();
    }
    m_sampleRate = s_rate;
}

// espeak-ng stays initialised for the life of the process: its voice data
// is loaded once, and a voice created later starts speaking without delay.
EspeakSynthesizer::~EspeakSynthesizer() = default;

QString EspeakSynthesizer::engineVersion()
{
    return QStringLiteral("eSpeak NG ") + QString::fromUtf8(espeak_Info(nullptr));
}

QList<VoiceDescription> EspeakSynthesizer::voices()
{
    QList<VoiceDescription> result;
    std::lock_guard lock(espeakMutex());
    const espeak_VOICE **list = espeak_ListVoices(nullptr);
    for (; list && *list; ++list) {
        const espeak_VOICE *voice = *list;
        VoiceDescription d;
        d.id = QString::fromUtf8(voice->identifier);
        d.name = QString::fromUtf8(voice->name).simplified();
        // The first language entry after its priority byte.
        d.language = voice->languages ? bcp47(QString::fromUtf8(voice->languages + 1)) : QString();
        // A priority byte and a NUL-terminated tag each, up to an empty tag.
        for (const char *entry = voice->languages; entry && entry[0] && entry[1]; entry += 2 + qstrlen(entry + 1))
            d.languages.append({QString::fromUtf8(entry + 1).toLower(), int(static_cast<unsigned char>(entry[0]))});
        d.gender = voice->gender == 2 ? QStringLiteral("Female") : QStringLiteral("Male");
        d.age = QStringLiteral("Adult");
        d.vendor = QStringLiteral("eSpeak NG");
        result.append(d);
    }
    // American English first, as the engine's preferred voice; the rest by
    // name, so the order never depends on how the data files were listed.
    std::stable_sort(result.begin(), result.end(), [](const VoiceDescription &a, const VoiceDescription &b) {
        const bool aFirst = a.id == u"gmw/en-US", bFirst = b.id == u"gmw/en-US";
        if (aFirst != bFirst)
            return aFirst;
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.id < b.id;
    });
    return result;
}

namespace {
// Under the espeak mutex.
SontiError useVoice(const QString &voiceId)
{
    if (voiceId != s_currentVoice) {
        const espeak_ERROR status = espeak_SetVoiceByName(voiceId.toUtf8().constData());
        if (status != EE_OK)
            return EngineError::fromEspeak(status, QStringLiteral("Choosing voice \"%1\"").arg(voiceId));
        s_currentVoice = voiceId;
    }
    return {};
}
}

void EspeakSynthesizer::prepare(const QString &voiceId)
{
    // An unknown voice is reported when it is asked to speak.
    std::lock_guard lock(espeakMutex());
    useVoice(voiceId);
}

SontiError EspeakSynthesizer::synthesize(const SpeechFragment &fragment, const QString &voiceId,
                                         SynthesisOutput &output)
{
    std::lock_guard lock(espeakMutex());
    if (const SontiError error = useVoice(voiceId); error.isError())
        return error;

    const SpeechState &state = fragment.state;
    const Prosody &base = state.baseline;
    // SAPI's rate scale spans a factor of 3 either way around the speaker's
    // speed; espeak ignores anything below 80 words per minute and says
    // nothing intelligible far above a few thousand.
    double wpm = espeakRATE_NORMAL * std::max(base.speed, 0.0) * std::pow(3.0, std::clamp(state.rate, -10, 10) / 10.0);
    double amplitude = 100.0 * std::clamp(base.volume, 0.0, 2.0) * std::clamp(state.volume, 0, 100) / 100.0;
    int range = 50;
    if (state.emphasis) {
        wpm *= 0.85;
        range = 85;
        amplitude = std::max(amplitude, std::min(amplitude * 1.2, 120.0));
    }
    // Each SAPI pitch step is a 24th of an octave; espeak's pitch scale puts
    // its 50 at the voice's own pitch and spans an octave each way over 50.
    const double pitchRatio = std::max(base.pitch, 1e-3) * std::pow(2.0, std::clamp(state.pitch, -10, 10) / 24.0);
    const int pitch = int(std::lround(std::clamp(50.0 + 50.0 * std::log2(pitchRatio), 0.0, 100.0)));
    espeak_SetParameter(espeakRATE, int(std::lround(std::clamp(wpm, double(espeakRATE_MINIMUM), 5000.0))), 0);
    espeak_SetParameter(espeakVOLUME, int(std::lround(std::clamp(amplitude, 0.0, 200.0))), 0);
    espeak_SetParameter(espeakPITCH, pitch, 0);
    espeak_SetParameter(espeakRANGE, range, 0);
    espeak_SetParameter(espeakPUNCTUATION, state.spell ? espeakPUNCT_ALL : espeakPUNCT_NONE, 0);

    QByteArray input;
    unsigned int flags = espeakCHARS_UTF8;
    std::vector<int> table;
    CallbackContext context;
    context.output = &output;
    context.feature = state.emphasis ? SVF_Emphasis : SVF_None;
    if (fragment.kind == SpeechFragment::Kind::Pronounce) {
        input = (QStringLiteral("[[") + SapiPhonemes::toEspeak(fragment.argument) + QStringLiteral("]]")).toUtf8();
        flags |= espeakPHONEMES;
        context.wordsFromEngine = false;
    } else if (state.spell) {
        input = spelledInput(fragment.text, table);
        flags |= espeakSSML;
    } else {
        input = fragment.text.toUtf8();
        input.replace('\0', ' ');
    }
    PositionMap positions = table.empty() ? PositionMap(fragment.text) : PositionMap(fragment.text, std::move(table));
    context.positions = &positions;

    // A pronunciation replaces its text: the whole text is its one word.
    if (!context.wordsFromEngine && !fragment.text.isEmpty()) {
        const SynthesisEvent word{SynthesisEvent::Type::Word, 0, 0, int(fragment.text.size()), 0, 0};
        if (!output.deliver({}, std::span(&word, 1)))
            return {};
    }

    const espeak_ERROR status =
        espeak_Synth(input.constData(), size_t(input.size()) + 1, 0, POS_CHARACTER, 0, flags, nullptr, &context);
    if (status != EE_OK && !context.stopped) {
        qCWarning(lcEspeak) << "espeak_Synth failed" << status;
        return EngineError::fromEspeak(status, QStringLiteral("Speaking"));
    }
    return {};
}
