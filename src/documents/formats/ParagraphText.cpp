#include "ParagraphText.h"

void ParagraphText::append(QChar c)
{
    if (m_text.size() >= m_maxChars) {
        m_full = true;
        return;
    }
    m_text.append(c);
}

// Emits what stands between the text so far and a new visible character.
void ParagraphText::separate()
{
    if (!m_inParagraph) {
        if (!m_text.isEmpty()) {
            append(u'\n');
            append(u'\n');
        }
        m_inParagraph = true;
    } else if (m_pendingLineBreak) {
        append(u'\n');
    } else {
        for (; m_pendingSpaces > 0; --m_pendingSpaces)
            append(u' ');
    }
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
        separate();
        append(c);
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
            separate();
            append(c);
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
