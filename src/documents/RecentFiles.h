#pragma once

#include <QString>
#include <QStringList>

// The recent-files list (the window's colMRU): full paths, newest first, at
// most four. The window shows entry i in menu item mnuMRU(i) with caption(i)
// and makes the separator above them visible once the list is not empty.
class RecentFiles
{
public:
    static constexpr int MaxEntries = 4;

    // Puts path at the head. Only the first entry equal to it (exact,
    // case-sensitive) is removed first; the oldest falls out beyond four.
    void add(const QString &path);

    // Replaces the list with stored entries as they are (repeats and empty
    // entries kept), keeping the first four.
    void restore(const QStringList &stored);

    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Entry index, 1-based; empty outside 1..count().
    QString entry(int index) const;
    const QStringList &entries() const { return m_entries; }

    // "&" index " " path, with each "&" of the path doubled so that the menu
    // shows it instead of taking it as an access-key marker.
    static QString caption(int index, const QString &path);

private:
    QStringList m_entries;
};
