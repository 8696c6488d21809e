#include "RecentFiles.h"

void RecentFiles::add(const QString &path)
{
    m_entries.removeOne(path);
    m_entries.prepend(path);
    while (m_entries.size() > MaxEntries)
        m_entries.removeLast();
}

void RecentFiles::restore(const QStringList &stored)
{
    m_entries = stored.mid(0, MaxEntries);
}

QString RecentFiles::entry(int index) const
{
    if (index < 1 || index > m_entries.size())
        return QString();
    return m_entries.at(index - 1);
}

QString RecentFiles::caption(int index, const QString &path)
{
    QString shown = path;
    return u'&' + QString::number(index) + u' ' + shown.replace(u'&', QStringLiteral("&&"));
}
