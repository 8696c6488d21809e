#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// A private-profile file on disk: reads one key, or sets keys and replaces the
// file atomically, once for all of them. Nothing is held open between calls.
//
// The file is never damaged by us. Writes go through QSaveFile, so a full disk,
// a crash or a killed process leaves the previous file whole. A file we cannot
// read completely (unreadable, not a regular file, larger than MaxBytes) reads
// as empty, so every key takes its default, and is never written over: its
// contents would be lost. A file whose mode has no write bit at all is taken as
// the user's wish to keep it as it is, even when running as root.
class IniFile
{
public:
    // Far above anything the program writes; bounds memory and time for a
    // corrupt or hostile file.
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;

    enum class WriteStatus {
        Written,
        NotStorable, // names or value cannot be stored on one line
        LeftAlone,   // existing file unreadable, too large or read-only
        Failed,      // folder not writable, disk full, I/O error
    };

    // One key's new value, as stored text (one line).
    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };

    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    std::optional<QString> value(QStringView section, QStringView key) const;
    WriteStatus setValue(QStringView section, QStringView key, const QString &value) const;
    // Sets every entry, in order, and replaces the file once: it holds all of
    // them or, on any failure, stays exactly as it was. When one entry cannot
    // be stored, nothing is written. errorString, when given, receives the
    // system's reason for a Failed write.
    WriteStatus setValues(const QList<Entry> &entries, QString *errorString = nullptr) const;

private:
    enum class Load { Missing, Loaded, Unusable };
    Load load(QByteArray &content) const;

    QString m_path;
};
