#include "SpeechModule.h"

#include "ModulePaths.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#include <dlfcn.h>

Q_LOGGING_CATEGORY(lcModules, "sonti.speech.modules", QtCriticalMsg)

void *SpeechModule::symbol(const QString &fileName, const char *symbol, QString &error)
{
    const QStringList candidates =
        ModulePaths::candidates(fileName, QStringLiteral(SONTI_SPEECH_MODULES_INSTALLED) + u'/' + fileName,
                                QStringLiteral(SONTI_SPEECH_MODULES_BUILT) + u'/' + fileName);
    error = QStringLiteral("%1 is in none of %2").arg(fileName, candidates.join(QStringLiteral(", ")));
    for (const QString &candidate : std::as_const(candidates)) {
        if (!QFileInfo::exists(candidate))
            continue;
        // dlopen counts its references: a module opened twice is loaded once.
        void *handle = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        void *address = handle ? dlsym(handle, symbol) : nullptr;
        if (address) {
            qCDebug(lcModules) << "loaded" << candidate;
            return address;
        }
        error = QStringLiteral("cannot load %1: %2").arg(candidate, QString::fromLocal8Bit(dlerror()));
        qCWarning(lcModules) << error;
    }
    return nullptr;
}
