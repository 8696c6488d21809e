#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

// Builds the zips of the tests with libarchive, the library that reads them.
class ZipBuilder
{
public:
    ZipBuilder &add(const QString &name, const QByteArray &data)
    {
        m_entries.append({name, data});
        return *this;
    }
    // Traditional zip encryption for every entry.
    ZipBuilder &encrypted()
    {
        m_encrypted = true;
        return *this;
    }

    QByteArray bytes() const
    {
        QByteArray out;
        archive *a = archive_write_new();
        archive_write_set_format_zip(a);
        if (m_encrypted) {
            archive_write_set_options(a, "zip:encryption=zipcrypt");
            archive_write_set_passphrase(a, "secret");
        }
        archive_write_open(a, &out, nullptr, write, nullptr);
        for (const auto &[name, data] : m_entries) {
            archive_entry *entry = archive_entry_new();
            archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, data.size());
            archive_write_header(a, entry);
            archive_write_data(a, data.constData(), size_t(data.size()));
            archive_entry_free(entry);
        }
        archive_write_close(a);
        archive_write_free(a);
        return out;
    }

private:
    static la_ssize_t write(archive *, void *out, const void *buffer, size_t length)
    {
        static_cast<QByteArray *>(out)->append(static_cast<const char *>(buffer), qsizetype(length));
        return la_ssize_t(length);
    }

    QList<std::pair<QString, QByteArray>> m_entries;
    bool m_encrypted = false;
};
