#include "MeterSurface.h"

#include "OleColor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

MeterSurface::MeterSurface(QWidget *parent)
    : QWidget(parent)
{
    // The image covers every pixel, so Qt need not clear the widget first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(OleColor::toQColor(m_backColor));
}

void MeterSurface::setBackColor(quint32 oleColor)
{
    m_backColor = oleColor;
    m_image.fill(OleColor::toQColor(oleColor));
    update();
}

void MeterSurface::fillBox(int x1, int y1, int x2, int y2, quint32 oleColor)
{
    const QRect box = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                            QPoint(std::max(x1, x2), std::max(y1, y2)))
        & m_image.rect();
    if (box.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.fillRect(box, OleColor::toQColor(oleColor));
    update(box);
}

void MeterSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

void MeterSurface::resizeEvent(QResizeEvent *event)
{
    // Keep what is drawn; newly exposed pixels get the background colour.
    QImage grown(event->size(), QImage::Format_RGB32);
    grown.fill(OleColor::toQColor(m_backColor));
    QPainter painter(&grown);
    painter.drawImage(0, 0, m_image);
    painter.end();
    m_image = std::move(grown);
    QWidget::resizeEvent(event);
}
