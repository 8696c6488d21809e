#include "TextHighlight.h"

#include "QuietAccessibility.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

TextHighlight::TextHighlight(QPlainTextEdit *textBox)
    : m_textBox(textBox)
{}

QTextCursor TextHighlight::range(int start, int length) const
{
    QTextDocument *document = m_textBox->document();
    const int textLength = document->characterCount() - 1;
    const int from = std::clamp(start, 0, textLength);
    const qint64 to = std::clamp(qint64(from) + std::max(length, 0), qint64(from), qint64(textLength));
    QTextCursor cursor(document);
    cursor.setPosition(from);
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    return cursor;
}

void TextHighlight::lightWord(int start, int length)
{
    QTextEdit::ExtraSelection word;
    word.cursor = range(start, length);
    // The colours of a real selection, as the word was shown before; the
    // palette keeps them the same whether or not the box has the focus.
    const QPalette palette = m_textBox->palette();
    word.format.setBackground(palette.brush(QPalette::Active, QPalette::Highlight));
    word.format.setForeground(palette.brush(QPalette::Active, QPalette::HighlightedText));
    m_textBox->setExtraSelections({word});
    reveal(word.cursor.selectionStart());
}

void TextHighlight::clearWord()
{
    m_textBox->setExtraSelections({});
}

int TextHighlight::litStart() const
{
    const QList<QTextEdit::ExtraSelection> lit = m_textBox->extraSelections();
    return lit.isEmpty() ? -1 : lit.first().cursor.selectionStart();
}

int TextHighlight::litEnd() const
{
    const QList<QTextEdit::ExtraSelection> lit = m_textBox->extraSelections();
    return lit.isEmpty() ? -1 : lit.first().cursor.selectionEnd();
}

void TextHighlight::select(int start, int length)
{
    const QuietAccessibility quiet(m_textBox);
    m_textBox->setTextCursor(range(start, length));
    m_textBox->ensureCursorVisible();
}

void TextHighlight::dropSelection()
{
    QTextCursor cursor = m_textBox->textCursor();
    if (!cursor.hasSelection())
        return;
    cursor.clearSelection();
    const QuietAccessibility quiet(m_textBox);
    m_textBox->setTextCursor(cursor);
}

void TextHighlight::reveal(int position)
{
    // A plain text box scrolls by visual lines: the scroll bar's value is the
    // number of the line at the top, counting wrapped lines.
    const QTextBlock block = m_textBox->document()->findBlock(position);
    if (!block.isValid() || !block.isVisible())
        return;
    // Lays the block out if it has not been yet, so its lines are known.
    m_textBox->document()->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    if (!line.isValid())
        return;
    const int target = block.firstLineNumber() + line.lineNumber();
    QScrollBar *bar = m_textBox->verticalScrollBar();
    // Scrolling along is part of the highlighting: nothing to announce.
    const QuietAccessibility quiet(m_textBox);
    // Lines wholly inside the viewport, within the document's margins.
    const int height = m_textBox->viewport()->height() - 2 * int(m_textBox->document()->documentMargin());
    const int shown = std::max(1, int(height / std::max(qreal(1), std::ceil(line.height()))));
    if (target < bar->value())
        bar->setValue(target);
    else if (target >= bar->value() + shown)
        bar->setValue(target - shown + 1);
}
