#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

// The small picture shown while the main window loads: no title bar, not in
// the task bar, centred on the screen, with the wait cursor over it.
class frmSPLASH : public QWidget
{
    Q_OBJECT

public:
    // picture: the splash picture as picture() reads it, taken when the
    // splash first paints (the start-up reads it on another thread while
    // the splash's window is made); unset: read here.
    explicit frmSPLASH(std::function<QImage()> picture = {}, QWidget *parent = nullptr);

    // Client area, 1155 x 2220 twips.
    static constexpr QSize clientSize{77, 148};

    // The splash picture the program carries. Safe on any thread.
    static QImage picture();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();
    void centreOnScreen();

    std::function<QImage()> m_pictureSource;
    QPixmap m_picture;
};
