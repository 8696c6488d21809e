#include "frmSPLASH.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <utility>

frmSPLASH::frmSPLASH(std::function<QImage()> picture, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_pictureSource(picture ? std::move(picture) : &frmSPLASH::picture)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    setFixedSize(clientSize);
    Form_Load();
    centreOnScreen();
}

QImage frmSPLASH::picture()
{
    return QImage(QStringLiteral(":/splash/splash.gif"));
}

void frmSPLASH::Form_Load()
{
    setCursor(Qt::WaitCursor);
}

void frmSPLASH::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void frmSPLASH::paintEvent(QPaintEvent *)
{
    if (m_pictureSource)
        m_picture = QPixmap::fromImage(std::exchange(m_pictureSource, nullptr)());
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Unscaled at the top-left; the client area is one pixel narrower than
    // the picture, which loses nothing of it but its last column.
    painter.drawPixmap(0, 0, m_picture);
}
