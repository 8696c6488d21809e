#include "OpenDialogRequest.h"

#include "FileDlg.h"

QStringList FileFilter::globs() const
{
    QStringList result;
    for (const QString &part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString glob = part.trimmed();
        if (glob == u"*.*")
            result.append(QStringLiteral("*"));
        else if (!glob.isEmpty())
            result.append(glob);
    }
    return result;
}

QString FileFilter::qtNameFilter() const
{
    return description + QStringLiteral(" (") + globs().join(u' ') + u')';
}

bool OpenDialogRequest::fileMustExist() const
{
    return flags & FileDlg::OFN_FILEMUSTEXIST;
}

bool OpenDialogRequest::hideReadOnly() const
{
    return flags & FileDlg::OFN_HIDEREADONLY;
}

QStringList OpenDialogRequest::qtNameFilters() const
{
    QStringList result;
    for (const FileFilter &filter : filters)
        result.append(filter.qtNameFilter());
    return result;
}

QString OpenDialogRequest::initialQtNameFilter() const
{
    if (filters.isEmpty())
        return QString();
    const bool inRange = filterIndex >= 1 && filterIndex <= filters.size();
    return filters.at(inRange ? filterIndex - 1 : 0).qtNameFilter();
}
