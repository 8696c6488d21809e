#pragma once

#include <QObject>

class QPlainTextEdit;
class QWidget;

// Larger or smaller text in the text box, for low-vision users: Ctrl+plus
// (also Ctrl+= , the same key without Shift), Ctrl+minus and Ctrl+0 anywhere
// in the window, and Ctrl with the mouse wheel over the box. Only the box's
// font changes; the window keeps its fixed layout. The size stays within
// MinimumPoints..MaximumPoints; it is not stored between runs.
class TextZoom : public QObject
{
    Q_OBJECT

public:
    static constexpr qreal MinimumPoints = 6;
    static constexpr qreal MaximumPoints = 72;

    // window: where the shortcuts work.
    TextZoom(QPlainTextEdit *textBox, QWidget *window);

    qreal pointSize() const;

public Q_SLOTS:
    void zoomIn() { zoomBy(1); }
    void zoomOut() { zoomBy(-1); }
    // Back to the size the box was made with.
    void reset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // steps: points to add (negative: smaller).
    void zoomBy(qreal steps);

    QPlainTextEdit *m_textBox;
    qreal m_designPoints;
    // Wheel turns not yet worth a step (high-resolution wheels and touchpads).
    int m_pendingAngle = 0;
};
