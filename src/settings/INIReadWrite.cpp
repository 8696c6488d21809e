#include "INIReadWrite.h"

#include "SettingsFolder.h"
#include "SontiError.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace INIReadWrite {

namespace {

QString &fileName()
{
    static QString name;
    return name;
}

IniFile requireFile()
{
    if (fileName().isEmpty()) {
        throw SontiError(SontiError::IniFileNotSet, QStringLiteral("INIReadWrite"),
                         QStringLiteral("Filename(INI) not set"));
    }
    return IniFile(fileName());
}

QString decodeMarkers(QString value)
{
    return value.replace(LineBreakMarker, QStringLiteral("\r\n"));
}

QString chooseConfigFolder()
{
    if (QCoreApplication::instance()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        if (SettingsFolder::isPortable(programFolder))
            return programFolder;
    }
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userFolder);
    return userFolder;
}

} // namespace

QString ConfigFolder()
{
    static const QString folder = chooseConfigFolder();
    return folder;
}

void SetINIFile(const QString &name)
{
    if (QDir::isAbsolutePath(name))
        fileName() = QDir::cleanPath(name);
    else
        SetINIFile(name, ConfigFolder());
}

void SetINIFile(const QString &name, const QString &folder)
{
    fileName() = QDir(folder).filePath(name);
}

QString INIFileName()
{
    return fileName();
}

int leadingInt(QStringView value)
{
    value = value.trimmed();
    bool negative = false;
    if (!value.isEmpty() && (value.front() == u'-' || value.front() == u'+')) {
        negative = value.front() == u'-';
        value = value.sliced(1);
    }
    qint64 magnitude = 0;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            break;
        magnitude = std::min<qint64>(magnitude * 10 + (c.unicode() - u'0'), qint64(1) << 32);
    }
    const qint64 result = negative ? -magnitude : magnitude;
    return int(std::clamp<qint64>(result, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ReadINIInt(const QString &section, const QString &key, int defaultValue)
{
    const std::optional<QString> stored = requireFile().value(section, key);
    if (!stored || stored->isEmpty())
        return defaultValue;
    return leadingInt(*stored);
}

QString ReadINIString(const QString &section, const QString &key, const QString &defaultValue, int size)
{
    const IniFile file = requireFile();
    if (size <= 1)
        return QString();
    QString value = file.value(section, key).value_or(defaultValue);
    if (value.size() >= size) {
        qsizetype keep = size - 1;
        // Never leave half of a surrogate pair behind.
        if (value.at(keep - 1).isHighSurrogate())
            --keep;
        value.truncate(keep);
    }
    return decodeMarkers(std::move(value));
}

QString ReadINIStringWhole(const QString &section, const QString &key, const QString &defaultValue)
{
    return decodeMarkers(requireFile().value(section, key).value_or(defaultValue));
}

QString encodeValue(const QString &value)
{
    QString encoded = value;
    return encoded.replace(QStringLiteral("\r\n"), LineBreakMarker);
}

QString formatNumber(double value)
{
    // Fixed notation keeps the value readable by ReadINIInt's leading digits.
    const char format = std::isfinite(value) && std::abs(value) < 1e15 ? 'f' : 'g';
    return QString::number(value, format, QLocale::FloatingPointShortest);
}

IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, const QString &value)
{
    return requireFile().setValue(section, key, encodeValue(value));
}

IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, int value)
{
    return WriteINIValue(section, key, QString::number(value));
}

IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, qint64 value)
{
    return WriteINIValue(section, key, QString::number(value));
}

IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, double value)
{
    return WriteINIValue(section, key, formatNumber(value));
}

IniFile::WriteStatus WriteINIValues(const QList<IniFile::Entry> &entries, QString *errorString)
{
    return requireFile().setValues(entries, errorString);
}

} // namespace INIReadWrite
