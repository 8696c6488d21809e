#pragma once

#include "ExtractionControl.h"
#include "SontiError.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

// The entries of a zip held in memory, read with libarchive and bounded:
// at most MaxEntries entries, MaxEntryBytes uncompressed bytes from any one
// entry and MaxTotalBytes from all reads together (a zip bomb stops there,
// whatever its headers claim), and the control's time limit and cancel
// flag between blocks. Entries inside entries are never opened, so nesting
// cannot go deeper than one.
//
// The zip is read front to back from its local headers, so nothing the
// central directory claims is ever allocated for.
class ZipArchive
{
public:
    static constexpr int MaxEntries = 10'000;
    static constexpr qint64 MaxEntryBytes = qint64(64) * 1024 * 1024;
    static constexpr qint64 MaxTotalBytes = qint64(256) * 1024 * 1024;

    ZipArchive(const QByteArray &zip, const ExtractionControl &control);

    // The contents of the wanted entries (paths inside the zip, as stored)
    // that are there, in one pass. On failure error() is set and the result
    // is empty.
    QHash<QString, QByteArray> read(const QSet<QString> &wanted);

    const SontiError &error() const { return m_error; }

private:
    bool fail(const QString &description, int number = SontiError::InvalidFileFormat);

    const QByteArray &m_zip;
    const ExtractionControl &m_control;
    qint64 m_totalRead = 0;
    SontiError m_error;
};
