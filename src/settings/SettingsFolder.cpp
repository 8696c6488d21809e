#include "SettingsFolder.h"

#include <QDir>
#include <QFileInfo>

namespace SettingsFolder {

bool isInstalled(const QString &programFolder, const QString &installedBinFolder, const QString &desktopEntry)
{
    const QFileInfo program(programFolder);
    const QString canonical = program.canonicalFilePath();
    if (!installedBinFolder.isEmpty() && !canonical.isEmpty()
        && canonical == QFileInfo(installedBinFolder).canonicalFilePath())
        return true;
    const QDir folder(programFolder);
    return folder.dirName() == QLatin1String("bin")
        && QFileInfo::exists(folder.filePath(QStringLiteral("../share/applications/") + desktopEntry));
}

bool isPortable(const QString &programFolder, const QString &installedBinFolder, const QString &desktopEntry)
{
    const QFileInfo info(programFolder);
    return !programFolder.isEmpty() && info.isDir() && info.isWritable()
        && !isInstalled(programFolder, installedBinFolder, desktopEntry);
}

bool isPortable(const QString &programFolder)
{
    return isPortable(programFolder, QStringLiteral(SONTI_INSTALL_BINDIR),
                      QStringLiteral(SONTI_APP_ID) + QStringLiteral(".desktop"));
}

} // namespace SettingsFolder
