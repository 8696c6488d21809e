#include "IniFile.h"

#include "IniText.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcIniFile, "sonti.settings", QtCriticalMsg)

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{}

IniFile::Load IniFile::load(QByteArray &content) const
{
    content.clear();
    const QFileInfo info(m_path);
    if (!info.exists())
        return info.isSymLink() ? Load::Unusable : Load::Missing;
    // A FIFO or device would block or never end; a directory is not a profile.
    if (!info.isFile() || info.size() > MaxBytes)
        return Load::Unusable;

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Load::Unusable;
    try {
        content = file.read(std::min(file.size(), MaxBytes));
    } catch (const std::bad_alloc &) {
        content.clear();
        return Load::Unusable;
    }
    // A file that grew while we read it is not known whole.
    if (file.error() != QFileDevice::NoError || !file.read(1).isEmpty()) {
        content.clear();
        return Load::Unusable;
    }
    return Load::Loaded;
}

std::optional<QString> IniFile::value(QStringView section, QStringView key) const
{
    QByteArray content;
    if (load(content) != Load::Loaded)
        return std::nullopt;
    return IniText(std::move(content)).value(section, key);
}

IniFile::WriteStatus IniFile::setValue(QStringView section, QStringView key, const QString &value) const
{
    return setValues({{section.toString(), key.toString(), value}});
}

IniFile::WriteStatus IniFile::setValues(const QList<Entry> &entries, QString *errorString) const
{
    for (const Entry &entry : entries) {
        if (!IniText::isStorable(entry.section, entry.key, entry.value))
            return WriteStatus::NotStorable;
    }

    QByteArray content;
    const Load loaded = load(content);
    if (loaded == Load::Unusable) {
        qCDebug(lcIniFile) << "leaving" << m_path << "alone: it cannot be read whole";
        return WriteStatus::LeftAlone;
    }
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (loaded == Load::Loaded && !(QFileInfo(m_path).permissions() & anyWrite))
        return WriteStatus::LeftAlone;

    IniText text(std::move(content));
    for (const Entry &entry : entries)
        text.setValue(entry.section, entry.key, entry.value);
    if (text.content().size() > MaxBytes)
        return WriteStatus::LeftAlone;

    const auto failed = [&](const QSaveFile &file) {
        qCDebug(lcIniFile) << "cannot write" << m_path << file.errorString();
        if (errorString)
            *errorString = file.errorString();
        return WriteStatus::Failed;
    };
    // Unbuffered, so a short write shows here: QSaveFile::commit() does not
    // notice a failed flush of its buffer and would install a truncated file.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file);
    // Not committed on failure: the destructor discards the temporary file.
    if (file.write(text.content()) != text.content().size() || file.error() != QFileDevice::NoError)
        return failed(file);
    if (!file.commit())
        return failed(file);
    return WriteStatus::Written;
}
