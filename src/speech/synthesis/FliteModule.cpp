#include "FliteModule.h"

#include "FliteInput.h"
#include "SapiTypes.h"
#include "VisemeTable.h"

extern "C" {
#include <flite/flite.h>

#include <flite/cst_cg.h>
}

#include <dlfcn.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

Q_LOGGING_CATEGORY(lcFlite, "sonti.speech.flite", QtCriticalMsg)

extern "C" Q_DECL_EXPORT FliteEngine *sonti_flite_engine()
{
    static FliteModule engine;
    return &engine;
}

namespace {
// One synthesis: where its audio and events go, and how far it has got.
struct Run
{
    SynthesisOutput *output = nullptr;
    const FliteInput *input = nullptr; // null: phones, whose words are not flite's
    double gain = 1.0;
    int feature = SVF_None;
    qint64 delivered = 0; // samples of this fragment so far
    qint64 utteranceStart = 0;
    std::vector<SynthesisEvent> events; // of the current utterance, by sample
    size_t nextEvent = 0;
    std::vector<qint16> scaled;
    bool stopped = false;
};

float segmentStart(const cst_item *segment)
{
    const cst_item *previous = item_prev(item_as(segment, "Segment"));
    return previous ? item_feat_float(previous, "end") : 0.0f;
}

// The first and last segment under a word, through its syllables.
const cst_item *firstSegmentOf(const cst_item *word)
{
    const cst_item *syllable = item_daughter(item_as(word, "SylStructure"));
    return syllable ? item_daughter(syllable) : nullptr;
}

const cst_item *lastSegmentOf(const cst_item *word)
{
    const cst_item *syllable = item_last_daughter(item_as(word, "SylStructure"));
    return syllable ? item_last_daughter(syllable) : nullptr;
}

bool onlyPunctuation(const QByteArray &name)
{
    const QString text = QString::fromUtf8(name);
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPunct(); });
}

// The utterance's words and phones as events, once its audio begins.
// A token flite says nothing for (a character it cannot read) is still a
// word, placed where the speech stands at that point.
void collectEvents(Run &run, const cst_utterance *utterance, int rate)
{
    run.events.clear();
    run.nextEvent = 0;
    if (!utterance)
        return;
    const auto sampleAt = [&](float seconds) { return run.utteranceStart + qint64(std::lround(seconds * rate)); };
    if (run.input) {
        float now = 0;
        for (const cst_item *token = relation_head(utt_relation(utterance, "Token")); token; token = item_next(token)) {
            const cst_item *first = nullptr, *last = nullptr;
            for (const cst_item *word = item_daughter(token); word; word = item_next(word)) {
                if (!first)
                    first = firstSegmentOf(word);
                if (const cst_item *segment = lastSegmentOf(word))
                    last = segment;
            }
            const float start = first ? segmentStart(first) : now;
            if (last)
                now = std::max(now, item_feat_float(last, "end"));
            if (!item_feat_present(token, "file_pos") || !item_feat_present(token, "name"))
                continue;
            // A token is a word when something of it is said, or when it is
            // more than punctuation (letters flite cannot say, an emoji); a
            // bracket or a dot alone is none.
            const QByteArray name(item_feat_string(token, "name"));
            if (!first && onlyPunctuation(name))
                continue;
            // file_pos is an int feature: reading it as a string aborts.
            const auto [position, length] = run.input->tokenRange(item_feat_int(token, "file_pos"), name);
            if (length > 0)
                run.events.push_back({SynthesisEvent::Type::Word, sampleAt(start), position, length, 0, 0});
        }
    }
    for (const cst_item *segment = relation_head(utt_relation(utterance, "Segment")); segment;
         segment = item_next(segment)) {
        SynthesisEvent viseme;
        viseme.type = SynthesisEvent::Type::Viseme;
        viseme.sample = sampleAt(segmentStart(segment));
        viseme.viseme = VisemeTable::visemeForCmuPhone(QString::fromLatin1(item_feat_string(segment, "name")));
        viseme.feature = run.feature;
        run.events.push_back(viseme);
    }
    std::stable_sort(run.events.begin(), run.events.end(),
                     [](const SynthesisEvent &a, const SynthesisEvent &b) { return a.sample < b.sample; });
}

int onAudio(const cst_wave *wave, int start, int size, int last, cst_audio_streaming_info *info)
{
    auto *run = static_cast<Run *>(info->userdata);
    if (!run || run->stopped)
        return CST_AUDIO_STREAM_STOP;
    if (start == 0) {
        run->utteranceStart = run->delivered;
        collectEvents(*run, info->utt, wave->sample_rate);
    }
    size = std::clamp(size, 0, std::max(wave->num_samples - start, 0));
    const qint64 end = run->utteranceStart + start + size;
    const size_t from = run->nextEvent;
    while (run->nextEvent < run->events.size() && (last || run->events[run->nextEvent].sample < end))
        ++run->nextEvent;
    const std::span<const SynthesisEvent> events(run->events.data() + from, run->nextEvent - from);

    std::span<const qint16> samples(wave->samples + start, size_t(size));
    if (run->gain != 1.0) {
        run->scaled.resize(samples.size());
        std::transform(samples.begin(), samples.end(), run->scaled.begin(),
                       [run](qint16 s) { return qint16(std::clamp(std::lround(s * run->gain), -32768L, 32767L)); });
        samples = run->scaled;
    }
    run->delivered += size;
    if (!run->output->deliver(samples, events)) {
        run->stopped = true;
        return CST_AUDIO_STREAM_STOP;
    }
    return CST_AUDIO_STREAM_CONT;
}

// flite ends an utterance at a sentence's end only, and speaks nothing of it
// before the whole utterance is analysed: a long text without full stops
// (a list, a transcript) would keep the first sound, and a purge, waiting
// for seconds. So an utterance also ends after a comma once it is long,
// and after a fixed count of tokens.
int breakUtterance(cst_tokenstream *stream, const char *token, cst_relation *tokens)
{
    if (default_utt_break(stream, token, tokens))
        return TRUE;
    int count = 0;
    for (const cst_item *item = relation_head(tokens); item; item = item_next(item))
        ++count;
    const cst_item *last = relation_tail(tokens);
    const char *punctuation = last && item_feat_present(last, "punc") ? item_feat_string(last, "punc") : "";
    return count >= 60 || (count >= 20 && std::strpbrk(punctuation, ",;") != nullptr);
}

// A loaded voice and its own settings, which each synthesis scales.
struct Loaded
{
    cst_voice *voice = nullptr;
    float stretch = 1.0f;
    float f0Mean = 100.0f;
    float f0Stddev = 10.0f;
};

std::mutex &fliteMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Under fliteMutex. Voices stay loaded for the life of the process.
Loaded *loadedVoice(const char *voiceLibrary)
{
    static std::map<QByteArray, Loaded> loaded;
    static bool initialised = false;
    if (!initialised) {
        flite_init();
        initialised = true;
    }
    const QByteArray name(voiceLibrary);
    if (const auto it = loaded.find(name); it != loaded.end())
        return &it->second;
    // Each voice is a library of its own, whose tables take megabytes of
    // memory once loaded. Its entry point, register_<name>(voxdir), is in no
    // header.
    const QByteArray library = "libflite_" + name + ".so.1";
    void *handle = dlopen(library.constData(), RTLD_NOW | RTLD_LOCAL);
    using Register = cst_voice *(*)(const char *);
    const auto load = handle ? reinterpret_cast<Register>(dlsym(handle, ("register_" + name).constData())) : nullptr;
    if (!load) {
        qCWarning(lcFlite) << "cannot load" << library << dlerror();
        return nullptr;
    }
    cst_voice *voice = load(nullptr);
    if (!voice)
        return nullptr;
    Loaded l;
    l.voice = voice;
    l.stretch = get_param_float(voice->features, "duration_stretch", 1.0f);
    // Diphone voices name their pitch; clustergen ones keep it in their model.
    const cst_cg_db *model =
        feat_present(voice->features, "cg_db") ? val_cg_db(feat_val(voice->features, "cg_db")) : nullptr;
    l.f0Mean = get_param_float(voice->features, "int_f0_target_mean", model ? model->f0_mean : 100.0f);
    l.f0Stddev = get_param_float(voice->features, "int_f0_target_stddev", model ? model->f0_stddev : 10.0f);
    cst_audio_streaming_info *streaming = new_audio_streaming_info();
    streaming->asc = onAudio;
    streaming->userdata = nullptr;
    feat_set(voice->features, "streaming_info", audio_streaming_info_val(streaming));
    feat_set(voice->features, "utt_break", breakfunc_val(breakUtterance));
    return &loaded.emplace(name, l).first->second;
}
}

bool FliteModule::loadVoice(const char *voiceLibrary)
{
    std::lock_guard lock(fliteMutex());
    return loadedVoice(voiceLibrary) != nullptr;
}

SontiError FliteModule::synthesize(const SpeechFragment &fragment, const QString &voiceId, const char *voiceLibrary,
                                   SynthesisOutput &output)
{
    std::lock_guard lock(fliteMutex());
    Loaded *voice = loadedVoice(voiceLibrary);
    if (!voice)
        return fliteError(QStringLiteral("Loading voice \"%1\"").arg(voiceId));

    const SpeechState &state = fragment.state;
    const Prosody &base = state.baseline;
    // The same scales as for espeak-ng: a rate step is a factor of 3^(1/10)
    // in speed, a pitch step a 24th of an octave.
    double speed = std::max(base.speed, 0.01) * std::pow(3.0, std::clamp(state.rate, -10, 10) / 10.0);
    double gain = std::clamp(base.volume, 0.0, 2.0) * std::clamp(state.volume, 0, 100) / 100.0;
    double range = 1.0;
    if (state.emphasis) {
        speed *= 0.85;
        range = 1.6;
        gain = std::max(gain, std::min(gain * 1.2, 1.2));
    }
    const double pitch = std::max(base.pitch, 0.01) * std::pow(2.0, std::clamp(state.pitch, -10, 10) / 24.0);
    feat_set_float(voice->voice->features, "duration_stretch", float(std::clamp(voice->stretch / speed, 0.05, 20.0)));
    feat_set_float(voice->voice->features, "int_f0_target_mean", float(std::clamp(voice->f0Mean * pitch, 20.0, 800.0)));
    feat_set_float(voice->voice->features, "int_f0_target_stddev", float(voice->f0Stddev * pitch * range));

    Run run;
    run.output = &output;
    run.gain = gain;
    run.feature = state.emphasis ? SVF_Emphasis : SVF_None;
    const auto streaming = val_audio_streaming_info(feat_val(voice->voice->features, "streaming_info"));
    streaming->userdata = &run;
    struct Detach
    {
        cst_audio_streaming_info *info;
        ~Detach() { info->userdata = nullptr; }
    } detach{streaming};

    if (fragment.kind == SpeechFragment::Kind::Pronounce) {
        // A pronunciation replaces its text: the whole text is its one word.
        if (!fragment.text.isEmpty()) {
            const SynthesisEvent word{SynthesisEvent::Type::Word, 0, 0, int(fragment.text.size()), 0, 0};
            if (!output.deliver({}, std::span(&word, 1)))
                return {};
        }
        const QByteArray phones = FliteInput::phonesFromSapi(fragment.argument);
        if (!phones.isEmpty()) {
            if (cst_utterance *utterance = flite_synth_phones(phones.constData(), voice->voice))
                delete_utterance(utterance);
        }
        return {};
    }

    const FliteInput input = state.spell ? FliteInput::spelled(fragment.text) : FliteInput::plain(fragment.text);
    run.input = &input;
    cst_tokenstream *tokens =
        ts_open_string(input.bytes().constData(), cst_ts_default_whitespacesymbols, cst_ts_default_singlecharsymbols,
                       cst_ts_default_prepunctuationsymbols, cst_ts_default_postpunctuationsymbols);
    if (!tokens)
        return fliteError(QStringLiteral("Reading the text"));
    // Closes the token stream.
    flite_ts_to_speech(tokens, voice->voice, "none");
    qCDebug(lcFlite) << "spoke" << run.delivered << "samples with" << voiceId;
    return {};
}
