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
}

const QImage &MeterSurface::image() const
{
    matchSize();
    return m_image;
}

void MeterSurface::setBackColor(quint32 oleColor)
{
    m_backColor = oleColor;
    matchSize();
    m_image.fill(OleColor::toQColor(oleColor));
    update();
}

void MeterSurface::fillBox(int x1, int y1, int x2, int y2, quint32 oleColor)
{
    matchSize();
    const QRect box =
        QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))) & m_image.rect();
    if (box.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.fillRect(box, OleColor::toQColor(oleColor));
    update(box);
}

void MeterSurface::paintEvent(QPaintEvent *event)
{
    matchSize();
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

void MeterSurface::resizeEvent(QResizeEvent *event)
{
    matchSize();
    QWidget::resizeEvent(event);
}

void MeterSurface::matchSize() const
{
    if (m_image.size() == size())
        return;
    // Keep what is drawn; newly exposed pixels get the background colour.
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(OleColor::toQColor(m_backColor));
    QPainter painter(&resized);
    painter.drawImage(0, 0, m_image);
    painter.end();
    m_image = std::move(resized);
}
