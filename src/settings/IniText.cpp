#include "IniText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace {

const QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isComment(QByteArrayView trimmedLine)
{
    return trimmedLine.startsWith(';') || trimmedLine.startsWith('#');
}

// Every character as written: QString::fromUtf8 would drop a leading U+FEFF
// of a name or value.
QString decoded(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

bool sameName(QByteArrayView stored, QStringView wanted)
{
    return decoded(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<QByteArrayView> sectionName(QByteArrayView trimmedLine)
{
    if (!trimmedLine.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmedLine.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmedLine.sliced(1, close - 1).trimmed();
}

QByteArray unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

// The bytes that make value read back unchanged after trimming and unquoting.
QByteArray encodedValue(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (value.isEmpty())
        return utf8;
    const bool padded = isBlank(value.front()) || isBlank(value.back()) || value.front().unicode() < 0x20
        || value.back().unicode() < 0x20;
    const bool quoted = value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
    if (padded || quoted)
        return '"' + utf8 + '"';
    return utf8;
}

} // namespace

IniText::IniText(QByteArray content)
    : m_content(std::move(content))
{}

std::optional<QString> IniText::value(QStringView section, QStringView key) const
{
    const Match match = find(section, key);
    if (match.valueBegin < 0)
        return std::nullopt;
    return decoded(unquoted(QByteArrayView(match.rawValue).trimmed()));
}

bool IniText::isStorable(QStringView section, QStringView key, QStringView value)
{
    const auto hasLineBreak = [](QStringView text) { return text.contains(u'\n') || text.contains(u'\r'); };
    const auto isTrimmedName = [](QStringView name) { return !name.isEmpty() && name.trimmed().size() == name.size(); };
    if (!isTrimmedName(section) || !isTrimmedName(key))
        return false;
    // Half a surrogate pair has no UTF-8 form and would not read back.
    if (!section.isValidUtf16() || !key.isValidUtf16() || !value.isValidUtf16())
        return false;
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;
    if (section.contains(u']') || key.contains(u'=') || key.startsWith(u'[') || key.startsWith(u';')
        || key.startsWith(u'#')) {
        return false;
    }
    return true;
}

bool IniText::setValue(QStringView section, QStringView key, const QString &value)
{
    if (!isStorable(section, key, value))
        return false;

    const QByteArray encoded = encodedValue(value);
    const Match match = find(section, key);
    if (match.valueBegin >= 0) {
        m_content.replace(match.valueBegin, match.lineEnd - match.valueBegin, encoded);
        return true;
    }

    const QByteArray eol = lineEnding();
    const QByteArray keyLine = key.toUtf8() + '=' + encoded;
    if (match.sectionFound) {
        // Keep the file's own "no newline at the end" if the entry goes last.
        const QByteArray insertion = match.insertAfterUnterminatedLine ? eol + keyLine : keyLine + eol;
        m_content.insert(match.insertAt, insertion);
        return true;
    }

    if (!m_content.isEmpty() && !m_content.endsWith('\n'))
        m_content += eol;
    m_content += '[' + section.toUtf8() + ']' + eol + keyLine + eol;
    return true;
}

IniText::Match IniText::find(QStringView section, QStringView key) const
{
    Match match;
    const QByteArrayView text(m_content);
    bool inSection = false;
    qsizetype pos = text.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;

    while (pos < text.size()) {
        const qsizetype newline = text.indexOf('\n', pos);
        const bool terminated = newline >= 0;
        const qsizetype next = terminated ? newline + 1 : text.size();
        qsizetype end = terminated ? newline : text.size();
        if (terminated && end > pos && text.at(end - 1) == '\r')
            --end;
        const QByteArrayView line = text.sliced(pos, end - pos);
        const QByteArrayView trimmed = line.trimmed();
        const qsizetype lineBegin = pos;
        pos = next;

        if (const auto name = sectionName(trimmed)) {
            if (inSection)
                break;
            if (sameName(*name, section)) {
                inSection = true;
                match.sectionFound = true;
                match.insertAt = next;
                match.insertAfterUnterminatedLine = !terminated;
            }
            continue;
        }
        if (!inSection || trimmed.isEmpty() || isComment(trimmed))
            continue;

        match.insertAt = next;
        match.insertAfterUnterminatedLine = !terminated;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || !sameName(line.first(equals).trimmed(), key))
            continue;

        // Keep the blanks after '=' so a rewritten line keeps its layout.
        qsizetype valueBegin = equals + 1;
        while (valueBegin < line.size() && (line.at(valueBegin) == ' ' || line.at(valueBegin) == '\t'))
            ++valueBegin;
        match.valueBegin = lineBegin + valueBegin;
        match.lineEnd = end;
        match.rawValue = line.sliced(valueBegin).toByteArray();
        break;
    }
    return match;
}

QByteArray IniText::lineEnding() const
{
    const qsizetype newline = m_content.indexOf('\n');
    if (newline > 0 && m_content.at(newline - 1) == '\r')
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}
