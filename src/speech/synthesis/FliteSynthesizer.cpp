#include "FliteSynthesizer.h"

#include "FliteEngine.h"
#include "SpeechModule.h"

extern "C" {
#include <flite/flite_version.h>
}

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFliteVoices, "sonti.speech.flite", QtCriticalMsg)

namespace {
struct VoiceEntry
{
    const char *id;
    const char *library; // libflite_<library>.so.1
    int rate;
    const char *gender;
    const char *description;
};

// The usable voices (not the time-only awb_time), in the order they are offered.
constexpr VoiceEntry Voices[] = {
    {"slt", "cmu_us_slt", 16000, "Female", "English (America) slt"},
    {"rms", "cmu_us_rms", 16000, "Male", "English (America) rms"},
    {"awb", "cmu_us_awb", 16000, "Male", "English (America) awb"},
    {"kal16", "cmu_us_kal16", 16000, "Male", "English (America) kal16"},
    {"kal", "cmu_us_kal", 8000, "Male", "English (America) kal"},
};

const VoiceEntry *entryFor(const QString &id)
{
    for (const VoiceEntry &entry : Voices) {
        if (id == QLatin1String(entry.id))
            return &entry;
    }
    return nullptr;
}

// The module, opened once; null when it cannot be, and then every flite
// voice fails to load, as a voice whose library is missing does.
FliteEngine *engine()
{
    static FliteEngine *const engine = [] {
        QString error;
        const auto entry = reinterpret_cast<FliteEngineEntry>(
            SpeechModule::symbol(QStringLiteral(SONTI_FLITE_MODULE), SONTI_FLITE_ENGINE_ENTRY, error));
        if (!entry)
            qCWarning(lcFliteVoices) << error;
        return entry ? entry() : nullptr;
    }();
    return engine;
}
}

QString FliteSynthesizer::engineVersion()
{
    return QStringLiteral("Flite " FLITE_PROJECT_VERSION);
}

QList<VoiceDescription> FliteSynthesizer::voices()
{
    QList<VoiceDescription> result;
    for (const VoiceEntry &entry : Voices) {
        VoiceDescription d;
        d.id = QLatin1String(entry.id);
        d.name = QLatin1String(entry.id);
        d.description = QLatin1String(entry.description);
        d.language = QStringLiteral("en-US");
        d.languages = {{QStringLiteral("en-us"), 5}, {QStringLiteral("en"), 6}};
        d.gender = QLatin1String(entry.gender);
        d.age = QStringLiteral("Adult");
        d.vendor = QStringLiteral("Flite");
        d.engine = QStringLiteral("Flite");
        result.append(d);
    }
    return result;
}

int FliteSynthesizer::sampleRate(const QString &voiceId) const
{
    const VoiceEntry *entry = entryFor(voiceId);
    return entry ? entry->rate : 16000;
}

void FliteSynthesizer::prepare(const QString &voiceId)
{
    const VoiceEntry *entry = entryFor(voiceId);
    if (FliteEngine *flite = entry ? engine() : nullptr)
        flite->loadVoice(entry->library);
}

SontiError FliteSynthesizer::synthesize(const SpeechFragment &fragment, const QString &voiceId, SynthesisOutput &output)
{
    const VoiceEntry *entry = entryFor(voiceId);
    if (!entry)
        return fliteError(QStringLiteral("Choosing voice \"%1\": not found").arg(voiceId));
    FliteEngine *flite = engine();
    if (!flite)
        return fliteError(QStringLiteral("Loading voice \"%1\"").arg(voiceId));
    return flite->synthesize(fragment, voiceId, entry->library, output);
}
