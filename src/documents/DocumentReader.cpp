#include "DocumentReader.h"

#include "DocumentFormats.h"
#include "DocumentKind.h"
#include "FileDlg.h"
#include "ModulePaths.h"
#include "TextDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPluginLoader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcDocuments, "sonti.documents", QtCriticalMsg)

namespace {

const QString kSource = QStringLiteral("OpenDocument");

LoadedDocument failure(int number, const QString &description)
{
    LoadedDocument document;
    document.error = SontiError(number, kSource, description);
    return document;
}

// The formats module, loaded once on first need: beside the program, or
// where an install puts it (the library folder, found from the program's
// bin folder, whatever the prefix), else where the build put it.
DocumentFormats *formatsModule()
{
    static DocumentFormats *const formats = [] {
        const QStringList candidates = ModulePaths::candidates(QStringLiteral(SONTI_FORMATS_MODULE_NAME),
                                                               QStringLiteral(SONTI_FORMATS_MODULE_INSTALLED),
                                                               QStringLiteral(SONTI_FORMATS_MODULE_PATH));
        for (const QString &candidate : std::as_const(candidates)) {
            if (!QFileInfo::exists(candidate))
                continue;
            QPluginLoader loader(candidate);
            if (auto *instance = qobject_cast<DocumentFormats *>(loader.instance()))
                return instance;
            qCWarning(lcDocuments) << "cannot load" << candidate << loader.errorString();
        }
        return static_cast<DocumentFormats *>(nullptr);
    }();
    return formats;
}

struct ReadBytes
{
    QByteArray bytes;
    SontiError error;
};

// Reads to the end of the file, never more than maxBytes. Opening without
// blocking and checking what was opened keeps a pipe or device that took the
// file's place after the dialog from stalling the reader.
ReadBytes readBytes(const QString &path, const ExtractionControl &control, qint64 maxBytes)
{
    ReadBytes result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int number = errno == ENOENT ? SontiError::FileNotFound : SontiError::FileAccessError;
        result.error = SontiError(number, kSource, QString::fromLocal8Bit(strerror(errno)));
        return result;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.error = SontiError(SontiError::FileAccessError, kSource, file.errorString());
        return result;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        result.error = SontiError(SontiError::FileAccessError, kSource, QStringLiteral("Not a regular file"));
        return result;
    }
    const qint64 claimed = status.st_size;
    if (claimed > maxBytes) {
        result.error = SontiError(SontiError::OutOfMemory, kSource, QStringLiteral("File too large"));
        return result;
    }

    constexpr qint64 Block = 1 << 20;
    result.bytes.reserve(claimed + 1);
    for (;;) {
        if (control.stopped()) {
            result.error = control.stopError(kSource);
            return result;
        }
        const qint64 room = maxBytes + 1 - result.bytes.size();
        const qint64 size = result.bytes.size();
        result.bytes.resize(size + std::min(Block, room));
        const qint64 got = file.read(result.bytes.data() + size, result.bytes.size() - size);
        if (got < 0) {
            result.error = SontiError(SontiError::FileAccessError, kSource, file.errorString());
            return result;
        }
        result.bytes.resize(size + got);
        if (result.bytes.size() > maxBytes) {
            result.error = SontiError(SontiError::OutOfMemory, kSource, QStringLiteral("File too large"));
            return result;
        }
        if (got == 0)
            return result;
        control.report(result.bytes.size(), claimed);
    }
}

} // namespace

LoadedDocument DocumentReader::read(const QString &path, const ExtractionControl &control, qint64 maxBytes)
{
    if (path.isEmpty())
        return failure(SontiError::FileNotFound, QStringLiteral("File not found"));
    try {
        // Reading the file is the quick part, unless it is slow storage.
        ReadBytes read = readBytes(path, control.phase(0, 20), maxBytes);
        if (read.error.isError()) {
            LoadedDocument document;
            document.error = read.error;
            return document;
        }
        LoadedDocument document;
        document.title = FileDlg::FileTitle(path);
        const DocumentKind kind =
            DocumentKinds::detect(QByteArrayView(read.bytes).first(std::min<qsizetype>(read.bytes.size(), 4096)), path);
        if (kind != DocumentKind::Text) {
            DocumentFormats *formats = formatsModule();
            if (!formats)
                return failure(SontiError::InvalidFileFormat,
                               QStringLiteral("Reading this kind of document is not installed"));
            ExtractedText extracted = formats->extract(read.bytes, kind, control.phase(20, 100));
            if (extracted.recognised) {
                if (extracted.error.isError())
                    return failure(extracted.error.number(), extracted.error.description());
                document.text = std::move(extracted.text);
                return document;
            }
        }
        document.text = TextDecoder::decode(read.bytes);
        return document;
    } catch (const std::bad_alloc &) {
        return failure(SontiError::OutOfMemory, QStringLiteral("Out of memory"));
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
