#include "TextZoom.h"

#include <QKeySequence>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>

TextZoom::TextZoom(QPlainTextEdit *textBox, QWidget *window)
    : QObject(textBox)
    , m_textBox(textBox)
    , m_designPoints(textBox->font().pointSizeF())
{
    const auto bind = [this, window](const QKeySequence &keys, void (TextZoom::*action)()) {
        auto *shortcut = new QShortcut(keys, window);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    bind(QKeySequence::ZoomIn, &TextZoom::zoomIn);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Equal), &TextZoom::zoomIn);
    bind(QKeySequence::ZoomOut, &TextZoom::zoomOut);
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), &TextZoom::reset);
    // The box zooms on the wheel by itself only while read-only, and
    // without limits; this takes the wheel over in both states.
    m_textBox->viewport()->installEventFilter(this);
}

qreal TextZoom::pointSize() const
{
    return m_textBox->font().pointSizeF();
}

void TextZoom::zoomBy(qreal steps)
{
    QFont font = m_textBox->font();
    const qreal size = std::clamp(font.pointSizeF() + steps, MinimumPoints, MaximumPoints);
    if (qFuzzyCompare(size, font.pointSizeF()))
        return;
    font.setPointSizeF(size);
    m_textBox->setFont(font);
}

void TextZoom::reset()
{
    QFont font = m_textBox->font();
    font.setPointSizeF(m_designPoints);
    m_textBox->setFont(font);
}

bool TextZoom::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto *wheel = static_cast<QWheelEvent *>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    // One step per notch of 15 degrees (120 units).
    m_pendingAngle += wheel->angleDelta().y();
    const int steps = m_pendingAngle / 120;
    m_pendingAngle -= steps * 120;
    if (steps != 0)
        zoomBy(steps);
    wheel->accept();
    return true;
}
