#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// One lexical item of SAPI markup, with its span in the source string.
struct MarkupToken
{
    enum class Type {
        End,       // no more input
        Text,      // characters to speak as they stand: source[textBegin, textEnd)
        Character, // one decoded entity or character reference: codePoint
        StartTag,  // <name attr="value" ...> or <name .../>
        EndTag,    // </name>
        Skipped,   // comment, processing instruction or DOCTYPE: nothing to speak
        NeedMore,  // what follows cannot be told before more of the text is seen
    };
    struct Attribute
    {
        QString name;  // lower case
        QString value; // entities decoded
    };

    Type type = Type::End;
    qsizetype begin = 0;     // offset of the token's first UTF-16 unit in the source
    qsizetype end = 0;       // one past its last unit
    qsizetype textBegin = 0; // Text only: differs from begin for CDATA sections
    qsizetype textEnd = 0;
    char32_t codePoint = 0;
    QString name; // tags only, lower case
    QList<Attribute> attributes;
    bool selfClosing = false;

    // The value of the attribute of that (lower-case) name, or nullptr.
    const QString *attribute(QLatin1StringView attributeName) const;
};

// Splits SAPI markup into tokens without ever failing: whatever does not form
// a well-made tag, comment or reference is returned as text, so "a < b" and
// "Tom & Jerry" read as typed. Only the five predefined entities and numeric
// character references are decoded; a DOCTYPE is skipped, never expanded.
//
// The scan is linear in the length of the source: searches for closing quotes
// and comment ends remember their answers, so a long run of unterminated tags
// cannot make the scanner look at the rest of the text again and again.
//
// A long text may be scanned through a window that moves along it: offsets
// stay those of the whole text, and where a token cannot be told without
// what lies past the window, next() says NeedMore and the caller widens it.
class SapiMarkupScanner
{
public:
    // The whole text.
    explicit SapiMarkupScanner(QStringView source);
    // A window on a longer text: view holds the text from offset base on;
    // final says the text ends with it.
    SapiMarkupScanner(QStringView view, qsizetype base, bool final);

    MarkupToken next();
    // The same text, seen through a new window that still holds everything
    // from position() on.
    void setWindow(QStringView view, qsizetype base, bool final);
    // Where the next token begins.
    qsizetype position() const { return m_pos; }

private:
    enum Needle { DoubleQuote, SingleQuote, CommentEnd, CDataEnd, PiEnd, NeedleCount };
    struct Memo
    {
        qsizetype from = -1;
        qsizetype found = -1;
        qsizetype searchedTo = -1; // when nothing was found: how far it looked
    };

    bool scanMarkup(qsizetype at, MarkupToken &token);
    bool scanStartTag(qsizetype at, MarkupToken &token);
    bool scanEndTag(qsizetype at, MarkupToken &token);
    bool scanDoctype(qsizetype at, MarkupToken &token);
    // Length of the reference starting with '&' at `at`, 0 when there is none.
    qsizetype matchReference(qsizetype at, char32_t *codePoint);
    QString decode(qsizetype begin, qsizetype end);
    qsizetype find(Needle needle, qsizetype from);
    qsizetype nameEnd(qsizetype at) const;
    qsizetype skipBlanks(qsizetype at) const;
    bool startsWith(qsizetype at, QLatin1StringView prefix, Qt::CaseSensitivity cs);
    // Whether i is past the text seen; past the window of a text that goes
    // on, the token being scanned needs more of it.
    bool atEnd(qsizetype i);
    qsizetype limit() const { return m_base + m_view.size(); }
    QChar at(qsizetype i) const { return m_view[i - m_base]; }

    QStringView m_view;
    qsizetype m_base = 0;
    bool m_final = true;
    bool m_starved = false;
    qsizetype m_pos = 0;
    Memo m_memo[NeedleCount];
    bool m_doctypeUnterminated = false;
};
