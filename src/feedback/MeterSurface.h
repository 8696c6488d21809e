#pragma once

#include "DrawSurface.h"

#include <QImage>
#include <QWidget>

// A widget that keeps what is drawn on it, the way a picture box with a
// persistent image does: every box and every erase goes into a backing image,
// and painting only copies that image to the screen. So bars drawn by one
// call of the meter stay until the next call paints over them, however often
// the widget is exposed or repainted. Drawing schedules a repaint with
// update(), so a burst of level events costs one paint, not one per event.
// Child widgets (the percentage label) are drawn over the image as usual.
class MeterSurface : public QWidget, public DrawSurface
{
    Q_OBJECT

public:
    explicit MeterSurface(QWidget *parent = nullptr);

    void setBackColor(quint32 oleColor) override;
    quint32 backColor() const override { return m_backColor; }
    void fillBox(int x1, int y1, int x2, int y2, quint32 oleColor) override;

    // The backing image, exactly as it will appear on screen (without the
    // child widgets).
    const QImage &image() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A hidden widget gets its resize event only when shown, so the image
    // follows the widget's size whenever it is used, not only on resize.
    void matchSize() const;

    quint32 m_backColor = 0;
    mutable QImage m_image;
};
