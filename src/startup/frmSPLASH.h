#pragma once

#include <QWidget>

// The small picture shown while the main window loads: no title bar, not in
// the task bar, centred on the screen, with the wait cursor over it.
class frmSPLASH : public QWidget
{
    Q_OBJECT

public:
    explicit frmSPLASH(QWidget *parent = nullptr);

    // Client area, 1155 x 2220 twips.
    static constexpr QSize clientSize{77, 148};

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();
    void centreOnScreen();

    QPixmap m_picture;
};
