#pragma once

#include <QPointer>

class QPlainTextEdit;
class QTextCursor;

// What Sonti shows in the text box while it speaks, made so that a screen
// reader does not read it out over the voice.
//
// The word being spoken is lit by drawing it in the selection colours
// (an extra selection) and scrolling it into view; the text cursor and the
// user's selection do not move, so no caret or selection event is raised, and
// the user may even select and copy while Sonti speaks. The real selection
// that Sonti makes itself (the whole text when a stream ends, and clearing an
// old selection before speaking, which would hide the lit word) is kept from
// the accessibility layer with QuietAccessibility.
//
// Positions are in UTF-16 code units of the text; positions outside it are
// clamped, so what lies inside the text is shown rather than nothing.
class TextHighlight
{
public:
    explicit TextHighlight(QPlainTextEdit *textBox = nullptr);

    void lightWord(int start, int length);
    void clearWord();
    // The lit word's bounds, or -1, -1 when none is lit.
    int litStart() const;
    int litEnd() const;

    // Selects the range as the user would, without telling assistive
    // technology, and scrolls it into view.
    void select(int start, int length);
    // Removes any selection, keeping the cursor where it is, quietly.
    void dropSelection();

private:
    QTextCursor range(int start, int length) const;
    void reveal(int position);

    QPointer<QPlainTextEdit> m_textBox;
};
