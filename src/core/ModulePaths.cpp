#include "ModulePaths.h"

#include <QCoreApplication>
#include <QDir>

QStringList ModulePaths::candidates(const QString &fileName, const QString &installed, const QString &built)
{
    QStringList result;
    // Without an application object the program's folder is unknown.
    if (QCoreApplication::instance()) {
        const QString program = QCoreApplication::applicationDirPath() + u'/';
        result << program + fileName << QDir::cleanPath(program + installed);
    }
    result << built;
    return result;
}
