#pragma once

#include <QString>
#include <QStringView>

// Collects a document's text the way a reader hears it: paragraphs
// separated by one blank line, runs of blanks inside a paragraph made one
// space, no blank at a paragraph's ends, no empty paragraph. Stops growing
// at maxChars (full() then tells), so a hostile document cannot take all
// memory.
class ParagraphText
{
public:
    static constexpr qsizetype DefaultMaxChars = qsizetype(64) * 1024 * 1024;

    explicit ParagraphText(qsizetype maxChars = DefaultMaxChars)
        : m_maxChars(maxChars)
    {}

    // Markup text: blanks and line ends are only separators.
    void addText(QStringView text);
    // Text whose blanks and line ends count (preformatted, explicit spaces).
    void addVerbatim(QStringView text);
    void addLineBreak();
    void endParagraph();

    bool full() const { return m_full; }
    // The text so far; what was added after the last paragraph ended counts.
    QString text() const;

private:
    QString separator() const;
    void appendVisible(QChar c);

    QString m_text;
    qsizetype m_maxChars;
    qsizetype m_pendingSpaces = 0; // blanks kept until a visible character follows
    bool m_pendingLineBreak = false;
    bool m_inParagraph = false; // the current paragraph has text
    bool m_full = false;
};
