#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One entry of an Open dialog's file-type list: the text shown and its
// patterns in the Windows form ("*.txt;*.xml", "*.*").
struct FileFilter
{
    QString description;
    QString pattern;

    // The patterns as globs for this platform: "*.*" matches every file, as
    // it does on Windows, so it becomes "*".
    QStringList globs() const;

    // QFileDialog's form, "description (glob glob)". With
    // QFileDialog::HideNameFilterDetails the dialog shows the description
    // exactly as given, while filtering by the globs.
    QString qtNameFilter() const;

    bool operator==(const FileFilter &) const = default;
};

// Everything an Open dialog needs to be shown, filled by FileDlg::ShowOpen.
struct OpenDialogRequest
{
    QString title;
    QList<FileFilter> filters;
    int filterIndex = 1;      // 1-based; out of range means the first
    QString defaultExtension; // without the dot; empty when none
    quint32 flags = 0;        // OFN_* values of FileDlg

    bool fileMustExist() const;
    bool hideReadOnly() const;

    QStringList qtNameFilters() const;
    // The entry the dialog starts on; empty when there are no filters.
    QString initialQtNameFilter() const;
};
