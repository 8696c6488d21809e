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
class SapiMarkupScanner
{
public:
    explicit SapiMarkupScanner(QStringView source);

    MarkupToken next();

private:
    enum Needle { DoubleQuote, SingleQuote, CommentEnd, CDataEnd, PiEnd, NeedleCount };
    struct Memo
    {
        qsizetype from = -1;
        qsizetype found = -1;
    };

    bool scanMarkup(qsizetype at, MarkupToken &token);
    bool scanStartTag(qsizetype at, MarkupToken &token);
    bool scanEndTag(qsizetype at, MarkupToken &token);
    bool scanDoctype(qsizetype at, MarkupToken &token);
    // Length of the reference starting with '&' at `at`, 0 when there is none.
    qsizetype matchReference(qsizetype at, char32_t *codePoint) const;
    QString decode(qsizetype begin, qsizetype end) const;
    qsizetype find(Needle needle, qsizetype from);
    qsizetype nameEnd(qsizetype at) const;
    qsizetype skipBlanks(qsizetype at) const;
    bool startsWith(qsizetype at, QLatin1StringView prefix, Qt::CaseSensitivity cs) const;

    QStringView m_source;
    qsizetype m_pos = 0;
    Memo m_memo[NeedleCount];
    bool m_doctypeUnterminated = false;
};
