#include "SapiMarkupScanner.h"

#include <algorithm>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u':';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u':' || c == u'-' || c == u'.' || c.isMark();
}

// The characters XML allows in a document; a reference to anything else is
// not a reference.
bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

int digitValue(QChar c, bool hex)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (hex && u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (hex && u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

const QString *MarkupToken::attribute(QLatin1StringView attributeName) const
{
    for (const Attribute &a : attributes) {
        if (a.name == attributeName)
            return &a.value;
    }
    return nullptr;
}

SapiMarkupScanner::SapiMarkupScanner(QStringView source)
    : m_source(source)
{}

MarkupToken SapiMarkupScanner::next()
{
    MarkupToken token;
    const qsizetype n = m_source.size();
    const qsizetype at = m_pos;
    if (at >= n) {
        token.begin = token.end = n;
        return token;
    }

    const QChar c = m_source[at];
    if (c == u'<' && scanMarkup(at, token)) {
        m_pos = token.end;
        return token;
    }
    if (c == u'&') {
        char32_t codePoint = 0;
        if (const qsizetype length = matchReference(at, &codePoint)) {
            token.type = MarkupToken::Type::Character;
            token.begin = at;
            token.end = at + length;
            token.codePoint = codePoint;
            m_pos = token.end;
            return token;
        }
    }

    // Plain text up to the next character that might begin markup; a '<' or
    // '&' that began nothing is text of its own.
    qsizetype end = at + 1;
    while (end < n && m_source[end] != u'<' && m_source[end] != u'&')
        ++end;
    token.type = MarkupToken::Type::Text;
    token.begin = token.textBegin = at;
    token.end = token.textEnd = end;
    m_pos = end;
    return token;
}

bool SapiMarkupScanner::scanMarkup(qsizetype at, MarkupToken &token)
{
    const qsizetype n = m_source.size();
    if (at + 1 >= n)
        return false;
    const QChar c = m_source[at + 1];
    if (c == u'/')
        return scanEndTag(at, token);
    if (isNameStart(c))
        return scanStartTag(at, token);

    token.begin = at;
    if (startsWith(at, QLatin1StringView("<!--"), Qt::CaseSensitive)) {
        const qsizetype close = find(CommentEnd, at + 4);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Skipped;
        token.end = close + 3;
        return true;
    }
    if (startsWith(at, QLatin1StringView("<![CDATA["), Qt::CaseSensitive)) {
        const qsizetype close = find(CDataEnd, at + 9);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Text;
        token.textBegin = at + 9;
        token.textEnd = close;
        token.end = close + 3;
        return true;
    }
    if (startsWith(at, QLatin1StringView("<!DOCTYPE"), Qt::CaseInsensitive))
        return scanDoctype(at, token);
    // A processing instruction (<?xml version="1.0"?>) names its target.
    if (c == u'?' && at + 2 < n && isNameStart(m_source[at + 2])) {
        const qsizetype close = find(PiEnd, at + 2);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Skipped;
        token.end = close + 2;
        return true;
    }
    return false;
}

bool SapiMarkupScanner::scanStartTag(qsizetype at, MarkupToken &token)
{
    struct Range
    {
        qsizetype nameBegin, nameEnd, valueBegin, valueEnd;
    };
    const qsizetype n = m_source.size();
    const qsizetype nameStop = nameEnd(at + 1);
    QList<Range> ranges;
    qsizetype i = nameStop;
    for (;;) {
        const qsizetype afterName = i;
        i = skipBlanks(i);
        if (i >= n)
            return false;
        if (m_source[i] == u'>') {
            token.end = i + 1;
            break;
        }
        if (m_source[i] == u'/') {
            if (i + 1 >= n || m_source[i + 1] != u'>')
                return false;
            token.selfClosing = true;
            token.end = i + 2;
            break;
        }
        // Attributes are name="value" or name='value', separated by blanks;
        // anything looser is more likely prose such as "x<y and z>w".
        if (i == afterName || !isNameStart(m_source[i]))
            return false;
        Range range{i, nameEnd(i), 0, 0};
        i = skipBlanks(range.nameEnd);
        if (i >= n || m_source[i] != u'=')
            return false;
        i = skipBlanks(i + 1);
        if (i >= n || (m_source[i] != u'"' && m_source[i] != u'\''))
            return false;
        const qsizetype close = find(m_source[i] == u'"' ? DoubleQuote : SingleQuote, i + 1);
        if (close < 0)
            return false;
        range.valueBegin = i + 1;
        range.valueEnd = close;
        ranges.append(range);
        i = close + 1;
    }

    token.type = MarkupToken::Type::StartTag;
    token.begin = at;
    token.name = m_source.sliced(at + 1, nameStop - at - 1).toString().toLower();
    token.attributes.reserve(ranges.size());
    for (const Range &r : ranges) {
        const QString name = m_source.sliced(r.nameBegin, r.nameEnd - r.nameBegin).toString().toLower();
        // XML forbids repeating an attribute; the first one counts.
        const bool repeated = std::any_of(token.attributes.cbegin(), token.attributes.cend(),
                                          [&name](const MarkupToken::Attribute &a) { return a.name == name; });
        if (!repeated)
            token.attributes.append({name, decode(r.valueBegin, r.valueEnd)});
    }
    return true;
}

bool SapiMarkupScanner::scanEndTag(qsizetype at, MarkupToken &token)
{
    const qsizetype n = m_source.size();
    if (at + 2 >= n || !isNameStart(m_source[at + 2]))
        return false;
    const qsizetype nameStop = nameEnd(at + 2);
    const qsizetype i = skipBlanks(nameStop);
    if (i >= n || m_source[i] != u'>')
        return false;
    token.type = MarkupToken::Type::EndTag;
    token.begin = at;
    token.end = i + 1;
    token.name = m_source.sliced(at + 2, nameStop - at - 2).toString().toLower();
    return true;
}

bool SapiMarkupScanner::scanDoctype(qsizetype at, MarkupToken &token)
{
    // Once a DOCTYPE ran off the end of the text, every later one would too:
    // reading them all to the end would make the scan quadratic.
    if (m_doctypeUnterminated)
        return false;
    const qsizetype n = m_source.size();
    int brackets = 0;
    for (qsizetype i = at + 9; i < n;) {
        const QChar c = m_source[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype close = find(c == u'"' ? DoubleQuote : SingleQuote, i + 1);
            if (close < 0)
                break;
            i = close + 1;
            continue;
        }
        if (c == u'<' && startsWith(i, QLatin1StringView("<!--"), Qt::CaseSensitive)) {
            const qsizetype close = find(CommentEnd, i + 4);
            if (close < 0)
                break;
            i = close + 3;
            continue;
        }
        if (c == u'[') {
            ++brackets;
        } else if (c == u']' && brackets > 0) {
            --brackets;
        } else if (c == u'>' && brackets == 0) {
            token.type = MarkupToken::Type::Skipped;
            token.begin = at;
            token.end = i + 1;
            return true;
        }
        ++i;
    }
    m_doctypeUnterminated = true;
    return false;
}

qsizetype SapiMarkupScanner::matchReference(qsizetype at, char32_t *codePoint) const
{
    const qsizetype n = m_source.size();
    qsizetype i = at + 1;
    if (i < n && m_source[i] == u'#') {
        ++i;
        const bool hex = i < n && (m_source[i] == u'x' || m_source[i] == u'X');
        if (hex)
            ++i;
        const qsizetype digitsBegin = i;
        char32_t value = 0;
        bool tooLarge = false;
        for (int d; i < n && (d = digitValue(m_source[i], hex)) >= 0; ++i) {
            value = value * (hex ? 16 : 10) + char32_t(d);
            // Stop accumulating before the value can wrap; it is invalid anyway.
            if (value > 0x10FFFF) {
                tooLarge = true;
                value = 0;
            }
        }
        if (i == digitsBegin || i >= n || m_source[i] != u';' || tooLarge || !isXmlChar(value))
            return 0;
        *codePoint = value;
        return i + 1 - at;
    }

    static constexpr struct
    {
        QLatin1StringView name;
        char32_t codePoint;
    } entities[] = {
        {QLatin1StringView("amp;"), U'&'},  {QLatin1StringView("lt;"), U'<'},    {QLatin1StringView("gt;"), U'>'},
        {QLatin1StringView("quot;"), U'"'}, {QLatin1StringView("apos;"), U'\''},
    };
    for (const auto &entity : entities) {
        if (startsWith(i, entity.name, Qt::CaseSensitive)) {
            *codePoint = entity.codePoint;
            return 1 + entity.name.size();
        }
    }
    return 0;
}

QString SapiMarkupScanner::decode(qsizetype begin, qsizetype end) const
{
    QString result;
    result.reserve(end - begin);
    for (qsizetype i = begin; i < end;) {
        char32_t codePoint = 0;
        // A reference must end inside the value, never borrow its closing quote.
        const qsizetype length = m_source[i] == u'&' ? matchReference(i, &codePoint) : 0;
        if (length > 0 && i + length <= end) {
            const char32_t units[] = {codePoint};
            result.append(QString::fromUcs4(units, 1));
            i += length;
        } else {
            result.append(m_source[i]);
            ++i;
        }
    }
    return result;
}

qsizetype SapiMarkupScanner::find(Needle needle, qsizetype from)
{
    // Searches only move forward through the text; an earlier answer still
    // holds for any later start before the place it found (or anywhere, if
    // it found nothing).
    Memo &memo = m_memo[needle];
    if (memo.from >= 0 && from >= memo.from && (memo.found < 0 || memo.found >= from))
        return memo.found;

    static const QLatin1StringView needles[NeedleCount] = {
        QLatin1StringView("\""),  QLatin1StringView("'"),  QLatin1StringView("-->"),
        QLatin1StringView("]]>"), QLatin1StringView("?>"),
    };
    memo.from = from;
    memo.found = from <= m_source.size() ? m_source.indexOf(needles[needle], from) : -1;
    return memo.found;
}

qsizetype SapiMarkupScanner::nameEnd(qsizetype at) const
{
    const qsizetype n = m_source.size();
    qsizetype i = at;
    if (i < n && isNameStart(m_source[i]))
        ++i;
    while (i < n && isNameChar(m_source[i]))
        ++i;
    return i;
}

qsizetype SapiMarkupScanner::skipBlanks(qsizetype at) const
{
    const qsizetype n = m_source.size();
    while (at < n && isBlank(m_source[at]))
        ++at;
    return at;
}

bool SapiMarkupScanner::startsWith(qsizetype at, QLatin1StringView prefix, Qt::CaseSensitivity cs) const
{
    return at <= m_source.size() && m_source.sliced(at).startsWith(prefix, cs);
}
