#include "ZipArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

struct ArchiveCloser
{
    void operator()(archive *a) const { archive_read_free(a); }
};
using Archive = std::unique_ptr<archive, ArchiveCloser>;

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *local = archive_entry_pathname(entry))
        return QString::fromLocal8Bit(local);
    return QString();
}

} // namespace

ZipArchive::ZipArchive(const QByteArray &zip, const ExtractionControl &control)
    : m_zip(zip)
    , m_control(control)
{}

bool ZipArchive::fail(const QString &description, int number)
{
    m_error = SontiError(number, QStringLiteral("OpenDocument"), description);
    return false;
}

QHash<QString, QByteArray> ZipArchive::read(const QSet<QString> &wanted)
{
    QHash<QString, QByteArray> found;
    if (m_error.isError())
        return found;
    Archive a(archive_read_new());
    if (!a || archive_read_support_format_zip_streamable(a.get()) != ARCHIVE_OK
        || archive_read_open_memory(a.get(), m_zip.constData(), size_t(m_zip.size())) != ARCHIVE_OK) {
        fail(QStringLiteral("Not a readable zip archive"));
        return {};
    }

    constexpr qsizetype Block = 64 * 1024;
    QByteArray discard(Block, Qt::Uninitialized);
    archive_entry *entry = nullptr;
    for (int count = 0;; ++count) {
        const int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN) {
            fail(QStringLiteral("Broken zip archive: %1").arg(QString::fromLocal8Bit(archive_error_string(a.get()))));
            return {};
        }
        if (count >= MaxEntries) {
            fail(QStringLiteral("Too many entries in the archive"), SontiError::OutOfMemory);
            return {};
        }
        const QString name = entryName(entry);
        const bool keep = wanted.contains(name) && !found.contains(name);
        // An entry of known size is skipped without inflating it; one whose
        // size comes after its data has to be read through to find its end.
        if (!keep && archive_entry_size_is_set(entry)) {
            if (archive_read_data_skip(a.get()) < ARCHIVE_WARN) {
                fail(QStringLiteral("Broken zip archive"));
                return {};
            }
            continue;
        }
        if (keep && archive_entry_is_encrypted(entry)) {
            fail(QStringLiteral("The document is encrypted"));
            return {};
        }
        QByteArray data;
        for (;;) {
            if (m_control.stopped()) {
                m_error = m_control.stopError(QStringLiteral("OpenDocument"));
                return {};
            }
            char *target = discard.data();
            if (keep) {
                data.resize(data.size() + Block);
                target = data.data() + data.size() - Block;
            }
            const la_ssize_t got = archive_read_data(a.get(), target, size_t(Block));
            if (got < 0) {
                fail(QStringLiteral("Broken zip entry %1: %2")
                         .arg(name, QString::fromLocal8Bit(archive_error_string(a.get()))));
                return {};
            }
            if (keep)
                data.resize(data.size() - Block + got);
            if (got == 0)
                break;
            m_totalRead += got;
            if (qint64(data.size()) > MaxEntryBytes || m_totalRead > MaxTotalBytes) {
                fail(QStringLiteral("The archive unpacks to too much data"), SontiError::OutOfMemory);
                return {};
            }
            m_control.report(archive_filter_bytes(a.get(), -1), m_zip.size());
        }
        if (keep)
            found.insert(name, data);
    }
    return found;
}
