// libFuzzer target for the profile-file reader and writer. The input is the
// file's contents. Every name it holds and every key of TTS.ini is read; then
// the keys are written as a save would, plus the file's own keys with their
// case changed and values taken from the file's lines. Each write must leave
// every other byte as it was, every other key with its value, and the key
// itself reading back exactly what was written.
#include "INIReadWrite.h"
#include "IniText.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Names the broken promise before libFuzzer reports the crash.
#define require(condition) \
    ((condition) ? void() : (fprintf(stderr, "broken: %s (line %d)\n", #condition, __LINE__), abort()))

struct Name
{
    QString section;
    QString key;
};

bool sameKey(const Name &a, const Name &b)
{
    return a.section.compare(b.section, Qt::CaseInsensitive) == 0 && a.key.compare(b.key, Qt::CaseInsensitive) == 0;
}

// Section and key names as a casual reader of the file would pick them out.
QList<Name> namesIn(const QList<QByteArray> &lines)
{
    QList<Name> names;
    QString section;
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.contains(']')) {
            section = QString::fromUtf8(trimmed.mid(1, trimmed.indexOf(']') - 1)).trimmed();
        } else if (const qsizetype equals = line.indexOf('='); equals > 0 && names.size() < 24) {
            names.append({section, QString::fromUtf8(line.first(equals)).trimmed()});
        }
    }
    return names;
}

// The one region where the text changed: everything outside it is equal.
struct Change
{
    qsizetype begin = 0;
    qsizetype beforeEnd = 0;
};

// Checking code, not code under test: its comparisons would only mislead
// the fuzzer and slow it down.
__attribute__((no_sanitize("coverage"))) Change changeBetween(const QByteArray &before, const QByteArray &after)
{
    const char *b = before.constData();
    const char *a = after.constData();
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && b[prefix] == a[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && b[before.size() - 1 - suffix] == a[after.size() - 1 - suffix])
        ++suffix;
    return {prefix, before.size() - suffix};
}

// The names read so far and the value each must read back.
struct Expected
{
    QList<Name> names;
    QList<std::optional<QString>> values;
};

void write(IniText &text, const Name &name, const QString &value, Expected &expected)
{
    const QByteArray before = text.content();
    const bool stored = text.setValue(name.section, name.key, value);
    require(stored == IniText::isStorable(name.section, name.key, value));
    if (!stored) {
        require(text.content() == before);
        return;
    }
    require(text.value(name.section, name.key) == value);

    // Either bytes were only added, or part of one line after its '=' was
    // replaced by bytes that hold no line break.
    const QByteArray &after = text.content();
    const Change change = changeBetween(before, after);
    if (change.beforeEnd > change.begin) {
        require(change.begin > 0);
        const QByteArray removed = before.sliced(change.begin, change.beforeEnd - change.begin);
        require(!removed.contains('\n'));
        const qsizetype lineBegin = before.lastIndexOf('\n', change.begin - 1) + 1;
        const qsizetype equals = before.indexOf('=', lineBegin);
        require(equals >= 0 && equals < change.begin);
        const qsizetype addedSize = after.size() - (before.size() - change.beforeEnd) - change.begin;
        const QByteArray added = after.sliced(change.begin, addedSize);
        require(!added.contains('\n') && !added.contains('\r'));
    }

    bool known = false;
    for (qsizetype i = 0; i < expected.names.size(); ++i) {
        if (sameKey(expected.names[i], name)) {
            expected.values[i] = value;
            known = true;
        }
    }
    if (!known) {
        expected.names.append(name);
        expected.values.append(value);
    }
}

// ReadINIInt's reading of a number written with WriteINIValue: its integer
// part, saturated to 32 bits.
void checkNumber(double value)
{
    if (!std::isfinite(value) || std::abs(value) >= 1e15)
        return;
    const double whole = std::trunc(value);
    const int expected = whole >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
        : whole <= std::numeric_limits<int>::min()                ? std::numeric_limits<int>::min()
                                                                  : int(whole);
    require(INIReadWrite::leadingInt(INIReadWrite::formatNumber(value)) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> lines = content.split('\n').mid(0, 64);

    const QString G = QStringLiteral("General"), V = QStringLiteral("Voice"), F = QStringLiteral("Files");
    QList<Name> names{
        {G, QStringLiteral("Left")},   {G, QStringLiteral("Top")}, {V, QStringLiteral("Speaker")},
        {V, QStringLiteral("Format")}, {V, QStringLiteral("XML")}, {QStringLiteral("Menu"), QStringLiteral("Style")},
        {F, QStringLiteral("Count")},  {F, QStringLiteral("1")},   {F, QStringLiteral("2")}};
    const QList<Name> own = namesIn(lines);
    names += own;

    IniText text(content);

    double number = 0;
    std::memcpy(&number, content.leftJustified(sizeof number, '\0').constData(), sizeof number);
    checkNumber(number);

    // Values: the file's own lines (blanks, quotes, markers, lone CRs and
    // all), and its bytes taken as UTF-16, which reaches lone surrogates.
    QStringList values{INIReadWrite::formatNumber(number), QStringLiteral("-1")};
    for (const QByteArray &line : lines.mid(0, 8))
        values << INIReadWrite::encodeValue(QString::fromUtf8(line));
    values << QString(reinterpret_cast<const QChar *>(data), qsizetype(std::min<size_t>(size / 2, 64)));

    Expected expected{names, {}};
    for (const Name &name : names) {
        expected.values.append(text.value(name.section, name.key));
        if (expected.values.last())
            INIReadWrite::leadingInt(*expected.values.last());
    }
    qsizetype next = 0;
    for (const Name &name : names)
        write(text, name, values[next++ % values.size()], expected);
    for (const Name &name : own)
        write(text, {name.section.toUpper(), name.key.toLower()}, values[next++ % values.size()], expected);

    // Every key, written or not, reads what it should: a write touched no
    // other key.
    for (qsizetype i = 0; i < expected.names.size(); ++i)
        require(text.value(expected.names[i].section, expected.names[i].key) == expected.values[i]);
    return 0;
}
