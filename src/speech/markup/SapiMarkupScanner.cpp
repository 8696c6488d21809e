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
    : m_view(source)
{}

SapiMarkupScanner::SapiMarkupScanner(QStringView view, qsizetype base, bool final)
    : m_view(view)
    , m_base(base)
    , m_final(final)
    , m_pos(base)
{}

void SapiMarkupScanner::setWindow(QStringView view, qsizetype base, bool final)
{
    Q_ASSERT(base <= m_pos);
    m_view = view;
    m_base = base;
    m_final = final;
}

bool SapiMarkupScanner::atEnd(qsizetype i)
{
    if (i < limit())
        return false;
    if (!m_final)
        m_starved = true;
    return true;
}

MarkupToken SapiMarkupScanner::next()
{
    MarkupToken token;
    const qsizetype n = limit();
    const qsizetype from = m_pos;
    m_starved = false;
    if (atEnd(from)) {
        token.type = m_starved ? MarkupToken::Type::NeedMore : MarkupToken::Type::End;
        token.begin = token.end = from;
        return token;
    }

    const QChar c = at(from);
    if (c == u'<' && scanMarkup(from, token)) {
        m_pos = token.end;
        return token;
    }
    if (c == u'&' && !m_starved) {
        char32_t codePoint = 0;
        if (const qsizetype length = matchReference(from, &codePoint)) {
            token.type = MarkupToken::Type::Character;
            token.begin = from;
            token.end = from + length;
            token.codePoint = codePoint;
            m_pos = token.end;
            return token;
        }
    }
    if (m_starved) {
        token = MarkupToken();
        token.type = MarkupToken::Type::NeedMore;
        token.begin = token.end = from;
        return token;
    }

    // Plain text up to the next character that might begin markup; a '<' or
    // '&' that began nothing is text of its own. Text cut by the end of the
    // window goes on in the next token.
    qsizetype end = from + 1;
    while (end < n && at(end) != u'<' && at(end) != u'&')
        ++end;
    token.type = MarkupToken::Type::Text;
    token.begin = token.textBegin = from;
    token.end = token.textEnd = end;
    m_pos = end;
    return token;
}

bool SapiMarkupScanner::scanMarkup(qsizetype from, MarkupToken &token)
{
    if (atEnd(from + 1))
        return false;
    const QChar c = at(from + 1);
    if (c == u'/')
        return scanEndTag(from, token);
    if (isNameStart(c))
        return scanStartTag(from, token);

    token.begin = from;
    if (startsWith(from, QLatin1StringView("<!--"), Qt::CaseSensitive)) {
        const qsizetype close = find(CommentEnd, from + 4);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Skipped;
        token.end = close + 3;
        return true;
    }
    if (startsWith(from, QLatin1StringView("<![CDATA["), Qt::CaseSensitive)) {
        const qsizetype close = find(CDataEnd, from + 9);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Text;
        token.textBegin = from + 9;
        token.textEnd = close;
        token.end = close + 3;
        return true;
    }
    if (startsWith(from, QLatin1StringView("<!DOCTYPE"), Qt::CaseInsensitive))
        return scanDoctype(from, token);
    // A processing instruction (<?xml version="1.0"?>) names its target.
    if (c == u'?' && !atEnd(from + 2) && isNameStart(at(from + 2))) {
        const qsizetype close = find(PiEnd, from + 2);
        if (close < 0)
            return false;
        token.type = MarkupToken::Type::Skipped;
        token.end = close + 2;
        return true;
    }
    return false;
}

bool SapiMarkupScanner::scanStartTag(qsizetype from, MarkupToken &token)
{
    struct Range
    {
        qsizetype nameBegin, nameEnd, valueBegin, valueEnd;
    };
    const qsizetype nameStop = nameEnd(from + 1);
    QList<Range> ranges;
    qsizetype i = nameStop;
    for (;;) {
        const qsizetype afterName = i;
        i = skipBlanks(i);
        if (atEnd(i))
            return false;
        if (at(i) == u'>') {
            token.end = i + 1;
            break;
        }
        if (at(i) == u'/') {
            if (atEnd(i + 1) || at(i + 1) != u'>')
                return false;
            token.selfClosing = true;
            token.end = i + 2;
            break;
        }
        // Attributes are name="value" or name='value', separated by blanks;
        // anything looser is more likely prose such as "x<y and z>w".
        if (i == afterName || !isNameStart(at(i)))
            return false;
        Range range{i, nameEnd(i), 0, 0};
        i = skipBlanks(range.nameEnd);
        if (atEnd(i) || at(i) != u'=')
            return false;
        i = skipBlanks(i + 1);
        if (atEnd(i) || (at(i) != u'"' && at(i) != u'\''))
            return false;
        const qsizetype close = find(at(i) == u'"' ? DoubleQuote : SingleQuote, i + 1);
        if (close < 0)
            return false;
        range.valueBegin = i + 1;
        range.valueEnd = close;
        ranges.append(range);
        i = close + 1;
    }

    token.type = MarkupToken::Type::StartTag;
    token.begin = from;
    token.name = m_view.sliced(from + 1 - m_base, nameStop - from - 1).toString().toLower();
    token.attributes.reserve(ranges.size());
    for (const Range &r : ranges) {
        const QString name = m_view.sliced(r.nameBegin - m_base, r.nameEnd - r.nameBegin).toString().toLower();
        // XML forbids repeating an attribute; the first one counts.
        const bool repeated = std::any_of(token.attributes.cbegin(), token.attributes.cend(),
                                          [&name](const MarkupToken::Attribute &a) { return a.name == name; });
        if (!repeated)
            token.attributes.append({name, decode(r.valueBegin, r.valueEnd)});
    }
    return true;
}

bool SapiMarkupScanner::scanEndTag(qsizetype from, MarkupToken &token)
{
    if (atEnd(from + 2) || !isNameStart(at(from + 2)))
        return false;
    const qsizetype nameStop = nameEnd(from + 2);
    const qsizetype i = skipBlanks(nameStop);
    if (atEnd(i) || at(i) != u'>')
        return false;
    token.type = MarkupToken::Type::EndTag;
    token.begin = from;
    token.end = i + 1;
    token.name = m_view.sliced(from + 2 - m_base, nameStop - from - 2).toString().toLower();
    return true;
}

bool SapiMarkupScanner::scanDoctype(qsizetype from, MarkupToken &token)
{
    // Once a DOCTYPE ran off the end of the text, every later one would too:
    // reading them all to the end would make the scan quadratic.
    if (m_doctypeUnterminated)
        return false;
    int brackets = 0;
    for (qsizetype i = from + 9; !atEnd(i);) {
        const QChar c = at(i);
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
        if (m_starved)
            return false;
        if (c == u'[') {
            ++brackets;
        } else if (c == u']' && brackets > 0) {
            --brackets;
        } else if (c == u'>' && brackets == 0) {
            token.type = MarkupToken::Type::Skipped;
            token.begin = from;
            token.end = i + 1;
            return true;
        }
        ++i;
    }
    if (!m_starved)
        m_doctypeUnterminated = true;
    return false;
}

qsizetype SapiMarkupScanner::matchReference(qsizetype from, char32_t *codePoint)
{
    qsizetype i = from + 1;
    if (!atEnd(i) && at(i) == u'#') {
        ++i;
        const bool hex = !atEnd(i) && (at(i) == u'x' || at(i) == u'X');
        if (hex)
            ++i;
        const qsizetype digitsBegin = i;
        char32_t value = 0;
        bool tooLarge = false;
        for (int d; !atEnd(i) && (d = digitValue(at(i), hex)) >= 0; ++i) {
            value = value * (hex ? 16 : 10) + char32_t(d);
            // Stop accumulating before the value can wrap; it is invalid anyway.
            if (value > 0x10FFFF) {
                tooLarge = true;
                value = 0;
            }
        }
        if (i == digitsBegin || atEnd(i) || at(i) != u';' || tooLarge || !isXmlChar(value))
            return 0;
        *codePoint = value;
        return i + 1 - from;
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

QString SapiMarkupScanner::decode(qsizetype begin, qsizetype end)
{
    QString result;
    result.reserve(end - begin);
    for (qsizetype i = begin; i < end;) {
        char32_t codePoint = 0;
        // A reference must end inside the value, never borrow its closing quote.
        const qsizetype length = at(i) == u'&' ? matchReference(i, &codePoint) : 0;
        if (length > 0 && i + length <= end) {
            const char32_t units[] = {codePoint};
            result.append(QString::fromUcs4(units, 1));
            i += length;
        } else {
            result.append(at(i));
            ++i;
        }
    }
    return result;
}

qsizetype SapiMarkupScanner::find(Needle needle, qsizetype from)
{
    static const QLatin1StringView needles[NeedleCount] = {
        QLatin1StringView("\""),  QLatin1StringView("'"),  QLatin1StringView("-->"),
        QLatin1StringView("]]>"), QLatin1StringView("?>"),
    };
    // Searches only move forward through the text; an earlier answer still
    // holds for any later start before the place it found (or anywhere, if
    // it found nothing in the whole text). A search that found nothing in a
    // window goes on from where it stopped once the window is wider.
    Memo &memo = m_memo[needle];
    qsizetype searchFrom = from;
    if (memo.from >= 0 && from >= memo.from) {
        if (memo.found >= from)
            return memo.found;
        if (memo.found < 0 && memo.searchedTo >= limit()) {
            atEnd(limit());
            return -1;
        }
        if (memo.found < 0)
            searchFrom = std::max(from, memo.searchedTo - needles[needle].size() + 1);
    }
    if (memo.from < 0 || from < memo.from || memo.found >= 0)
        memo.from = from;
    memo.found = -1;
    if (searchFrom <= limit()) {
        const qsizetype found = m_view.indexOf(needles[needle], std::max(searchFrom - m_base, qsizetype(0)));
        memo.found = found < 0 ? -1 : found + m_base;
    }
    if (memo.found < 0) {
        memo.searchedTo = limit();
        atEnd(limit());
    }
    return memo.found;
}

qsizetype SapiMarkupScanner::nameEnd(qsizetype from) const
{
    const qsizetype n = limit();
    qsizetype i = from;
    if (i < n && isNameStart(at(i)))
        ++i;
    while (i < n && isNameChar(at(i)))
        ++i;
    return i;
}

qsizetype SapiMarkupScanner::skipBlanks(qsizetype from) const
{
    const qsizetype n = limit();
    while (from < n && isBlank(at(from)))
        ++from;
    return from;
}

bool SapiMarkupScanner::startsWith(qsizetype from, QLatin1StringView prefix, Qt::CaseSensitivity cs)
{
    if (from > limit())
        return false;
    const QStringView rest = m_view.sliced(from - m_base);
    if (rest.size() < prefix.size() && prefix.startsWith(rest, cs)) {
        atEnd(limit());
        return false;
    }
    return rest.startsWith(prefix, cs);
}
