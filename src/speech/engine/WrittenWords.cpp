#include "WrittenWords.h"

#include <algorithm>

namespace {
enum class Class { Space, Punct, Word, Units, Emoji, Mark };

char32_t codePointAt(const QString &text, int i, int &units)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    units = 1;
    return c.unicode();
}

bool isEmoji(char32_t c)
{
    return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2600 && c <= 0x27BF) || (c >= 0x2B00 && c <= 0x2BFF)
        || (c >= 0x231A && c <= 0x23FF);
}

// What extends the emoji before it: variation selectors, skin tones, tags,
// the keycap. Zero-width joiners are handled apart.
bool extendsEmoji(char32_t c)
{
    return c == 0xFE0E || c == 0xFE0F || c == 0x20E3 || (c >= 0x1F3FB && c <= 0x1F3FF)
        || (c >= 0xE0020 && c <= 0xE007F);
}

bool isRegionalIndicator(char32_t c)
{
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

Class classOf(char32_t c)
{
    if (c == 0 || c == 0x200B || c == 0xFEFF || QChar::isSpace(c))
        return Class::Space;
    if (isEmoji(c))
        return Class::Emoji;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Separator_Space: return Class::Space;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Letter_Modifier:
    case QChar::Other_Format: return Class::Mark;
    default: break;
    }
    // Spoken, so part of the word: "AT&T", "50%", "#1", "a@b".
    if (c == u'&' || c == u'%' || c == u'#' || c == u'@' || c == 0x2030 || c == 0x2031)
        return Class::Word;
    if (QChar::isPunct(c))
        return Class::Punct;
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
    case QChar::Script_Tibetan: return Class::Units;
    default: return Class::Word;
    }
}

// The start of the code point that holds unit i.
int snapDown(const QString &text, int i)
{
    if (i > 0 && i < text.size() && text.at(i).isLowSurrogate() && text.at(i - 1).isHighSurrogate())
        return i - 1;
    return i;
}
}

WrittenWords::WrittenWords(const QString &text, const QList<qsizetype> &sourceOffsets, const QString &source,
                           int reportedThrough, qsizetype sourceBase)
    : m_text(text)
    , m_offsets(sourceOffsets.size() == text.size() + 1 ? sourceOffsets : QList<qsizetype>())
    , m_source(source)
    , m_base(sourceBase)
    , m_sourceReported(reportedThrough)
{}

void WrittenWords::segment()
{
    m_segmented = true;
    const int n = int(m_text.size());
    int units = 0;
    int i = 0;
    while (i < n) {
        const int start = i;
        const char32_t c = codePointAt(m_text, i, units);
        const Class cls = classOf(c);
        i += units;
        if (cls == Class::Space)
            continue;
        if (cls == Class::Emoji) {
            // A flag is a pair of regional indicators; other emoji join by ZWJ.
            bool flagOpen = isRegionalIndicator(c);
            while (i < n) {
                int more = 0;
                const char32_t d = codePointAt(m_text, i, more);
                if (extendsEmoji(d)) {
                    i += more;
                } else if (flagOpen && isRegionalIndicator(d)) {
                    i += more;
                    flagOpen = false;
                } else if (d == 0x200D && i + more < n) {
                    int after = 0;
                    if (!isEmoji(codePointAt(m_text, i + more, after)))
                        break;
                    i += more + after;
                } else {
                    break;
                }
            }
            m_segments.push_back({start, i, false});
            continue;
        }
        const bool units = cls == Class::Units;
        // Leading and trailing punctuation are not part of the word; marks
        // go with the character before them.
        bool inWord = cls != Class::Punct;
        int wordStart = inWord ? start : -1;
        int wordEnd = inWord ? i : -1;
        while (i < n) {
            int more = 0;
            const Class next = classOf(codePointAt(m_text, i, more));
            if (next != Class::Mark) {
                if (units ? next != Class::Units : next != Class::Word && next != Class::Punct)
                    break;
                inWord = next != Class::Punct;
            }
            i += more;
            if (inWord) {
                if (wordStart < 0)
                    wordStart = i - more;
                wordEnd = i;
            }
        }
        if (wordStart >= 0)
            m_segments.push_back({wordStart, wordEnd, units});
    }
}

std::optional<TextSpan> WrittenWords::next(TextSpan engineWord)
{
    if (!m_segmented)
        segment();
    const qint64 n = m_text.size();
    int start = int(std::clamp<qint64>(engineWord.position, 0, n));
    int end = int(std::clamp<qint64>(qint64(engineWord.position) + std::max(engineWord.length, 0), start, n));
    start = snapDown(m_text, start);
    if (end < n && end > 0 && snapDown(m_text, end) != end)
        ++end;
    if (end == start && start < n) {
        int units = 0;
        codePointAt(m_text, start, units);
        end = start + units;
    }
    const std::optional<TextSpan> span = inText(start, end);
    if (!span)
        return std::nullopt;
    const int from = sourceStart(span->position);
    const int to = sourceEnd(span->end());
    if (from < m_sourceReported || to <= from)
        return std::nullopt;
    m_textReported = span->end();
    m_sourceReported = to;
    return TextSpan{from, to - from};
}

std::optional<TextSpan> WrittenWords::inText(int start, int end) const
{
    if (m_segments.empty())
        return std::nullopt;
    // The first segment that ends after start.
    auto it = std::upper_bound(m_segments.begin(), m_segments.end(), start,
                               [](int at, const Segment &s) { return at < s.end; });
    int from = -1, to = -1;
    const auto take = [&](int a, int b) {
        a = std::max(a, m_textReported);
        if (b <= a)
            return;
        from = from < 0 ? a : std::min(from, a);
        to = std::max(to, b);
    };
    bool overlaps = false;
    for (; it != m_segments.end() && it->start < end; ++it) {
        overlaps = true;
        if (it->units)
            take(std::max(start, it->start), std::min(end, it->end));
        else
            take(it->start, it->end);
    }
    if (!overlaps) {
        const Segment &s = m_segments[size_t(neighbour(start, end))];
        if (!s.units) {
            take(s.start, s.end);
        } else {
            // The unit of the run nearest the engine word.
            int units = 0;
            const int at = s.end <= start ? snapDown(m_text, s.end - 1) : s.start;
            codePointAt(m_text, at, units);
            take(at, at + units);
        }
    }
    if (from < 0)
        return std::nullopt;
    return TextSpan{from, to - from};
}

// For an engine word in white space or punctuation: the segment of the
// same run of non-space characters, else the nearer one (the next on a tie).
int WrittenWords::neighbour(int start, int end) const
{
    const auto after = std::lower_bound(m_segments.begin(), m_segments.end(), end,
                                        [](const Segment &s, int at) { return s.start < at; });
    const int next = after == m_segments.end() ? -1 : int(after - m_segments.begin());
    const int previous = after == m_segments.begin() ? -1 : int(after - m_segments.begin()) - 1;
    const auto spaceIn = [this](int a, int b) {
        for (int i = a; i < b; ++i) {
            if (m_text.at(i).isSpace() || m_text.at(i).isNull())
                return true;
        }
        return false;
    };
    if (previous < 0)
        return next;
    if (next < 0)
        return previous;
    const Segment &p = m_segments[size_t(previous)];
    const Segment &q = m_segments[size_t(next)];
    if (!spaceIn(p.end, start))
        return previous;
    if (!spaceIn(end, q.start))
        return next;
    return start - p.end < q.start - end ? previous : next;
}

int WrittenWords::sourceStart(int at) const
{
    return m_offsets.isEmpty() ? int(m_base + at) : int(m_offsets[at]);
}

// Where the unit before at ends in the source: the offset table gives where
// the next unit starts, which lies past any tag in between, so it is
// worked out from the unit itself: one unit, or a whole entity.
int WrittenWords::sourceEnd(int at) const
{
    if (m_offsets.isEmpty() || at == 0)
        return m_offsets.isEmpty() ? int(m_base + at) : int(m_offsets[at]);
    const qsizetype last = m_offsets[at - 1];
    const qsizetype following = m_offsets[at];
    if (m_source.isEmpty() || following - last <= 1)
        return int(following);
    const qsizetype local = last - m_base;
    if (local >= 0 && local < m_source.size() && m_source.at(local) == u'&') {
        const qsizetype semicolon = m_source.indexOf(u';', local);
        if (semicolon >= 0 && semicolon + m_base < following)
            return int(semicolon + m_base + 1);
    }
    return int(std::min(last + 1, following));
}

QList<TextSpan> WrittenWords::map(const QString &text, const QList<TextSpan> &engineWords,
                                  const QList<qsizetype> &sourceOffsets, const QString &source)
{
    WrittenWords words(text, sourceOffsets, source);
    QList<TextSpan> spans;
    for (const TextSpan &word : engineWords) {
        if (const std::optional<TextSpan> span = words.next(word))
            spans.append(*span);
    }
    return spans;
}
