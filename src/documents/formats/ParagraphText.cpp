#include "ParagraphText.h"

// The blanks owed between the text so far and a new visible character.
QString ParagraphText::separator() const
{
    if (!m_inParagraph)
        return m_text.isEmpty() ? QString() : QStringLiteral("\n\n");
    if (m_pendingLineBreak)
        return QStringLiteral("\n");
    return QString(m_pendingSpaces, u' ');
}

// A visible character with what is owed before it, or nothing once it would
// not fit: a text cut at the limit then never ends in blanks, nor in half a
// surrogate pair (a high surrogate keeps room for its low half).
void ParagraphText::appendVisible(QChar c)
{
    const QString before = separator();
    const qsizetype needed = before.size() + (c.isHighSurrogate() ? 2 : 1);
    if (m_text.size() + needed > m_maxChars) {
        m_full = true;
        return;
    }
    m_text += before;
    m_text += c;
    m_inParagraph = true;
    m_pendingSpaces = 0;
    m_pendingLineBreak = false;
}

void ParagraphText::addText(QStringView text)
{
    for (const QChar c : text) {
        if (m_full)
            return;
        if (c.isSpace() || c == QChar::ObjectReplacementCharacter) {
            if (m_inParagraph)
                m_pendingSpaces = 1;
            continue;
        }
        appendVisible(c);
    }
}

void ParagraphText::addVerbatim(QStringView text)
{
    for (const QChar c : text) {
        if (m_full)
            return;
        if (c == u'\n' || c == QChar::LineSeparator) {
            addLineBreak();
        } else if (c == QChar::ObjectReplacementCharacter) {
            continue; // a picture
        } else if (c.isSpace()) {
            if (m_inParagraph && !m_pendingLineBreak)
                ++m_pendingSpaces;
        } else {
            appendVisible(c);
        }
    }
}

void ParagraphText::addLineBreak()
{
    if (m_inParagraph) {
        m_pendingLineBreak = true;
        m_pendingSpaces = 0;
    }
}

void ParagraphText::endParagraph()
{
    m_inParagraph = false;
    m_pendingSpaces = 0;
    m_pendingLineBreak = false;
}

QString ParagraphText::text() const
{
    return m_text;
}
