#include "DocumentReader.h"

#include "TextDecoder.h"
#include "FileDlg.h"

#include <QFile>
#include <QFileInfo>

namespace {

enum ErrorNumber { OutOfMemory = 7, FileNotFound = 53, FileAccessError = 75 };

LoadedDocument failure(int number, const QString &description)
{
    LoadedDocument document;
    document.error = SontiError(number, QStringLiteral("OpenDocument"), description);
    return document;
}

} // namespace

LoadedDocument DocumentReader::read(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return failure(FileNotFound, QStringLiteral("File not found"));
    // A pipe or device could block or never end.
    if (!info.isFile())
        return failure(FileAccessError, QStringLiteral("Not a regular file"));
    if (info.size() > maxBytes)
        return failure(OutOfMemory, QStringLiteral("File too large"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(FileAccessError, file.errorString());

    try {
        // Read no more than the length taken now, however the file changes.
        const qint64 length = std::min(file.size(), maxBytes);
        const QByteArray bytes = file.read(length);
        if (file.error() != QFileDevice::NoError)
            return failure(FileAccessError, file.errorString());
        LoadedDocument document;
        document.text = TextDecoder::decode(bytes);
        document.title = FileDlg::FileTitle(path);
        return document;
    } catch (const std::bad_alloc &) {
        return failure(OutOfMemory, QStringLiteral("Out of memory"));
    }
}

QString DocumentReader::dialogFilter()
{
    return FileDlg::MakeFilter({
        {QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.txt")},
        {QStringLiteral("XML Files (*.xml)"), QStringLiteral("*.xml")},
        {QStringLiteral("All Supported Files (*.txt , *.xml)"), QStringLiteral("*.txt;*.xml")},
        {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")},
    });
}
