#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// The text of a private-profile file held in memory, as raw bytes. It finds the
// value of one key and produces the text with one key set, and it never touches
// a byte it does not have to: comments, unknown keys, blank lines, odd line
// endings and even undecodable junk stay exactly as they were.
//
// Reading rules: a section is a line "[name]"; a key line is "key=value".
// Section and key names match case-insensitively with blanks around them
// ignored; the first matching section and, within it, the first matching key
// win. Lines starting with ';' or '#' are comments. A value loses its
// surrounding blanks and then one pair of surrounding double quotes. Text is
// UTF-8 (an initial byte-order mark is skipped); invalid bytes read as U+FFFD.
//
// All functions are total: any byte sequence is accepted, which makes this the
// entry point for fuzzing the profile parser.
class IniText
{
public:
    explicit IniText(QByteArray content = {});

    const QByteArray &content() const { return m_content; }

    // The value stored under section/key, or nothing when the section or the
    // key is absent.
    std::optional<QString> value(QStringView section, QStringView key) const;

    // Sets section/key to value: the key's line is rewritten in place, a
    // missing key is added after the last entry of its section and a missing
    // section is appended at the end. A value with blanks at either end or
    // within quotes is stored quoted so that it reads back unchanged.
    // Returns false, changing nothing, when the names or the value cannot be
    // stored on one line and found again (line breaks, '=' in a key, ']' in a
    // section, empty or blank-padded names, half a surrogate pair).
    bool setValue(QStringView section, QStringView key, const QString &value);

    static bool isStorable(QStringView section, QStringView key, QStringView value);

private:
    struct Match
    {
        bool sectionFound = false;
        // The key's line, when found: its value runs from valueBegin to lineEnd.
        qsizetype valueBegin = -1;
        qsizetype lineEnd = -1;
        QByteArray rawValue;
        // Where a new key line goes: after the section's last entry.
        qsizetype insertAt = -1;
        bool insertAfterUnterminatedLine = false;
    };

    Match find(QStringView section, QStringView key) const;
    QByteArray lineEnding() const;

    QByteArray m_content;
};
