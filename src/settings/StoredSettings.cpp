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

void StoredSettings::write() const
{
    using namespace INIReadWrite;
    WriteINIValue(General, QStringLiteral("Left"), left);
    WriteINIValue(General, QStringLiteral("Top"), top);
    if (speaker)
        WriteINIValue(Voice, QStringLiteral("Speaker"), int(*speaker));
    if (format)
        WriteINIValue(Voice, QStringLiteral("Format"), int(*format));
    if (xml)
        WriteINIValue(Voice, QStringLiteral("XML"), int(*xml));
    WriteINIValue(Menu, QStringLiteral("Style"), int(style));

    // A path that cannot be stored on one line (a file name with a lone line
    // break) is left out, so Count never covers a key holding something else.
    QStringList storable;
    for (const QString &path : recentFiles) {
        if (storable.size() < MaxRecentFiles && IniText::isStorable(Files, QStringLiteral("1"), encodeValue(path)))
            storable << path;
    }
    WriteINIValue(Files, QStringLiteral("Count"), int(storable.size()));
    for (int i = 1; i <= storable.size(); ++i)
        WriteINIValue(Files, QString::number(i), storable.at(i - 1));
}
