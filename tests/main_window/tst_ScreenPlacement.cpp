#include "ScreenPlacement.h"

#include <QTest>

class tst_ScreenPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleBarEndsOnAScreen_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QPoint>("expected");

        const QRect left(0, 0, 1280, 1024);
        const QRect right(1280, 0, 1920, 1080);
        QTest::newRow("on screen: unchanged") << QRect(100, 100, 381, 480) << QList<QRect>{left} << QPoint(100, 100);
        QTest::newRow("partly off the right edge but title bar visible")
            << QRect(1000, 100, 381, 480) << QList<QRect>{left} << QPoint(1000, 100);
        QTest::newRow("far right of one screen")
            << QRect(5000, 200, 381, 480) << QList<QRect>{left} << QPoint(899, 200);
        QTest::newRow("above the top") << QRect(100, -300, 381, 480) << QList<QRect>{left} << QPoint(100, 0);
        QTest::newRow("negative far away") << QRect(-40000, -40000, 381, 480) << QList<QRect>{left} << QPoint(0, 0);
        QTest::newRow("second screen kept")
            << QRect(2000, 300, 381, 480) << QList<QRect>{left, right} << QPoint(2000, 300);
        QTest::newRow("second screen unplugged")
            << QRect(2000, 300, 381, 480) << QList<QRect>{left} << QPoint(899, 300);
        QTest::newRow("nearest of two") << QRect(3500, 50, 381, 480) << QList<QRect>{left, right} << QPoint(2819, 50);
        QTest::newRow("no screen at all") << QRect(5000, 5000, 381, 480) << QList<QRect>{} << QPoint(5000, 5000);
    }

    void titleBarEndsOnAScreen()
    {
        QFETCH(QRect, frame);
        QFETCH(QList<QRect>, areas);
        QFETCH(QPoint, expected);
        QCOMPARE(ScreenPlacement::reachable(frame, areas), expected);
    }
};

QTEST_APPLESS_MAIN(tst_ScreenPlacement)
#include "tst_ScreenPlacement.moc"
