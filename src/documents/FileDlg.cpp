#include "FileDlg.h"

#include "OpenDialogRunner.h"

#include <QFileInfo>

namespace FileDlg {

QString MakeFilter(const QList<FileFilter> &filters)
{
    QString text;
    for (const FileFilter &filter : filters)
        text += filter.description + QChar(0) + filter.pattern + QChar(0);
    return text + QChar(0);
}

QList<FileFilter> ParseFilter(const QString &filter)
{
    // The list ends at the first empty text, which the double NUL makes.
    QList<FileFilter> filters;
    const QStringList parts = filter.split(QChar(0));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty() || parts.at(i + 1).isEmpty())
            break;
        filters.append({parts.at(i), parts.at(i + 1)});
    }
    return filters;
}

QString ShowOpen(OpenDialogRunner &owner, const QString &filter, qint16 filterIndex, const QString &defaultExtension,
                 quint32 flags, const QString &title)
{
    OpenDialogRequest request;
    request.title = title;
    request.filters = ParseFilter(filter);
    request.filterIndex = filterIndex;
    request.defaultExtension = defaultExtension;
    request.flags = flags | OFN_EXPLORER;
    return TrimNull(owner.run(request));
}

QString FileTitle(const QString &path)
{
    return TrimNull(QFileInfo(path).fileName());
}

QString TrimNull(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace FileDlg
