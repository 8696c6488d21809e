#include "FliteInput.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {
constexpr int MaxRun = 100;

// Where each code point of text starts, as (code point, UTF-16 offset).
template <typename F> void forEachCodePoint(const QString &text, F &&f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text.at(i + 1)), int(i));
            ++i;
        } else if (c.isSurrogate()) {
            f(char32_t(0xFFFD), int(i));
        } else {
            f(char32_t(c.unicode()), int(i));
        }
    }
}
}

void FliteInput::append(char32_t cp, int utf16)
{
    char buffer[4];
    int n = 0;
    if (cp == 0) {
        buffer[n++] = ' ';
    } else if (cp < 0x80) {
        buffer[n++] = char(cp);
    } else if (cp < 0x800) {
        buffer[n++] = char(0xC0 | (cp >> 6));
        buffer[n++] = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        buffer[n++] = char(0xE0 | (cp >> 12));
        buffer[n++] = char(0x80 | ((cp >> 6) & 0x3F));
        buffer[n++] = char(0x80 | (cp & 0x3F));
    } else {
        buffer[n++] = char(0xF0 | (cp >> 18));
        buffer[n++] = char(0x80 | ((cp >> 12) & 0x3F));
        buffer[n++] = char(0x80 | ((cp >> 6) & 0x3F));
        buffer[n++] = char(0x80 | (cp & 0x3F));
    }
    m_bytes.append(buffer, n);
    m_utf16.insert(m_utf16.end(), size_t(n), utf16);
}

void FliteInput::appendSeparator(int utf16)
{
    m_bytes.append(' ');
    m_utf16.push_back(utf16);
}

FliteInput FliteInput::plain(const QString &text)
{
    FliteInput input;
    input.m_length = int(text.size());
    input.m_bytes.reserve(text.size() + 1);
    input.m_utf16.reserve(size_t(text.size()) + 2);
    // flite spells a run it cannot read letter by letter, all of it before
    // the first sound: a run longer than any word is cut into pieces.
    int run = 0;
    forEachCodePoint(text, [&](char32_t cp, int at) {
        run = (cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r') ? 0 : run + 1;
        if (run > MaxRun) {
            input.appendSeparator(at);
            run = 1;
        }
        input.append(cp, at);
    });
    input.m_bytes.append('\n');
    input.m_utf16.push_back(input.m_length);
    input.m_utf16.push_back(input.m_length);
    return input;
}

FliteInput FliteInput::spelled(const QString &text)
{
    FliteInput input;
    input.m_length = int(text.size());
    forEachCodePoint(text, [&](char32_t cp, int at) {
        // The blank between two letters belongs to the second.
        if (at > 0)
            input.appendSeparator(at);
        input.append(cp, at);
    });
    input.m_bytes.append('\n');
    input.m_utf16.push_back(input.m_length);
    input.m_utf16.push_back(input.m_length);
    return input;
}

QByteArray FliteInput::phonesFromSapi(const QString &sapiPhones)
{
    // flite's US English phones are SAPI's, but for h.
    static const QSet<QString> phones = {
        "aa", "ae", "ah", "ao", "aw", "ax", "ay", "b", "ch", "d", "dh", "eh", "er", "ey",
        "f",  "g",  "hh", "ih", "iy", "jh", "k",  "l", "m",  "n", "ng", "ow", "oy", "p",
        "r",  "s",  "sh", "t",  "th", "uh", "uw", "v", "w",  "y", "z",  "zh",
    };
    QStringList out;
    for (const QString &raw : sapiPhones.simplified().split(u' ', Qt::SkipEmptyParts)) {
        const QString symbol = raw.toLower() == u"h" ? QStringLiteral("hh") : raw.toLower();
        if (phones.contains(symbol))
            out.append(symbol);
    }
    if (out.isEmpty())
        return {};
    return ("pau " + out.join(u' ') + " pau").toLatin1();
}

int FliteInput::utf16At(qsizetype byte) const
{
    if (byte < 0)
        return 0;
    if (size_t(byte) >= m_utf16.size())
        return m_length;
    return m_utf16[size_t(byte)];
}

std::pair<int, int> FliteInput::tokenRange(qsizetype filePos, const QByteArray &name) const
{
    if (name.isEmpty())
        return {utf16At(filePos), 0};
    // Leading punctuation is a few characters at most.
    const qsizetype from = std::clamp<qsizetype>(filePos - 1, 0, m_bytes.size());
    const qsizetype found = m_bytes.indexOf(name, from);
    if (found < 0 || found > filePos + 16)
        return {utf16At(filePos), 0};
    const int start = utf16At(found);
    return {start, utf16At(found + name.size()) - start};
}
