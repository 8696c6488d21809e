#pragma once

#include "OpenDialogRequest.h"

#include <QList>
#include <QString>

class OpenDialogRunner;

// The file-dialog module: the Open dialog and the title under which a file is
// shown, as plain routines. The dialog itself sits behind OpenDialogRunner, so
// everything here runs without a window.
namespace FileDlg {

constexpr quint32 OFN_HIDEREADONLY = 0x4;
constexpr quint32 OFN_FILEMUSTEXIST = 0x1000;
constexpr quint32 OFN_EXPLORER = 0x80000;

// Filter text: description and pattern of each entry, each followed by one
// NUL, the whole ended by one more NUL.
QString MakeFilter(const QList<FileFilter> &filters);
// The entries of a filter text; a description without its pattern is dropped.
QList<FileFilter> ParseFilter(const QString &filter);

// Shows the Open dialog through owner with the filters of filter, starting
// on entry filterIndex (1-based) every time, with no file name filled in.
// OFN_EXPLORER is always added to flags. Returns the chosen full path (cut at
// any NUL), or the empty string when cancelled or failed.
QString ShowOpen(OpenDialogRunner &owner, const QString &filter, qint16 filterIndex, const QString &defaultExtension,
                 quint32 flags, const QString &title);

// The file's name without its folder (extensions are always shown here).
QString FileTitle(const QString &path);

// text up to, not including, its first NUL; all of it when there is none.
QString TrimNull(const QString &text);

} // namespace FileDlg
