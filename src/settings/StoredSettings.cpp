#include "StoredSettings.h"

#include "INIReadWrite.h"

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

    const int count = int(std::min<qsizetype>(recentFiles.size(), MaxRecentFiles));
    WriteINIValue(Files, QStringLiteral("Count"), count);
    for (int i = 1; i <= count; ++i)
        WriteINIValue(Files, QString::number(i), recentFiles.at(i - 1));
}
