#include "StoredSettings.h"

#include "INIReadWrite.h"
#include "IniText.h"

#include <limits>

namespace {

const QString General = QStringLiteral("General");
const QString Voice = QStringLiteral("Voice");
const QString Menu = QStringLiteral("Menu");
const QString Files = QStringLiteral("Files");

std::optional<qint16> narrowed(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

} // namespace

StoredSettings StoredSettings::read(int defaultLeft, int defaultTop)
{
    using namespace INIReadWrite;
    StoredSettings settings;
    settings.left = ReadINIInt(General, QStringLiteral("Left"), defaultLeft);
    settings.top = ReadINIInt(General, QStringLiteral("Top"), defaultTop);
    settings.speaker = narrowed(ReadINIInt(Voice, QStringLiteral("Speaker"), 0));
    settings.format = narrowed(ReadINIInt(Voice, QStringLiteral("Format"), 2));
    settings.xml = narrowed(ReadINIInt(Voice, QStringLiteral("XML"), 1));
    settings.style = ReadINIInt(Menu, QStringLiteral("Style"), 0);

    const int count = std::clamp(ReadINIInt(Files, QStringLiteral("Count"), 0), 0, MaxRecentFiles);
    for (int i = 1; i <= count; ++i)
        settings.recentFiles.append(ReadINIStringWhole(Files, QString::number(i)));
    return settings;
}

IniFile::WriteStatus StoredSettings::write(QString *errorString) const
{
    using namespace INIReadWrite;
    QList<IniFile::Entry> entries{
        {General, QStringLiteral("Left"), formatNumber(left)},
        {General, QStringLiteral("Top"), formatNumber(top)},
    };
    if (speaker)
        entries.append({Voice, QStringLiteral("Speaker"), QString::number(*speaker)});
    if (format)
        entries.append({Voice, QStringLiteral("Format"), QString::number(*format)});
    if (xml)
        entries.append({Voice, QStringLiteral("XML"), QString::number(*xml)});
    entries.append({Menu, QStringLiteral("Style"), QString::number(style)});

    // A path that cannot be stored on one line (a file name with a lone line
    // break) is left out, so Count never covers a key holding something else.
    QStringList storable;
    for (const QString &path : recentFiles) {
        const QString text = encodeValue(path);
        if (storable.size() < MaxRecentFiles && IniText::isStorable(Files, QStringLiteral("1"), text))
            storable << text;
    }
    entries.append({Files, QStringLiteral("Count"), QString::number(storable.size())});
    for (int i = 1; i <= storable.size(); ++i)
        entries.append({Files, QString::number(i), storable.at(i - 1)});
    return WriteINIValues(entries, errorString);
}
