#include "EngineError.h"

#include <espeak-ng/speak_lib.h>
#include <pulse/def.h>
#include <pulse/error.h>

SontiError EngineError::fromEspeak(int status, const QString &doing)
{
    QString what;
    switch (status) {
    case EE_OK: return {};
    case EE_BUFFER_FULL: what = QStringLiteral("the speech buffer is full"); break;
    case EE_NOT_FOUND: what = QStringLiteral("not found"); break;
    default: what = QStringLiteral("internal error %1").arg(status); break;
    }
    return SontiError(SontiError::SpeechFailure, QStringLiteral("eSpeak NG"),
                      QStringLiteral("%1: %2").arg(doing, what));
}

SontiError EngineError::fromPulse(int paError, const QString &doing)
{
    if (paError == PA_OK)
        return {};
    return SontiError(SontiError::AudioFailure, QStringLiteral("PulseAudio"),
                      QStringLiteral("%1: %2").arg(doing, QString::fromUtf8(pa_strerror(paError))));
}

SontiError EngineError::fromSoxr(const char *soxrError, const QString &doing)
{
    if (!soxrError)
        return {};
    return SontiError(SontiError::SpeechFailure, QStringLiteral("libsoxr"),
                      QStringLiteral("%1: %2").arg(doing, QString::fromUtf8(soxrError)));
}
