#include "frmSPLASH.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

// The splash as the user sees it: the carried picture, unscaled at the
// top-left, in a frameless window centred on the screen under the wait
// cursor, whether the picture is read here or handed over by the start-up.
class tst_frmSPLASH : public QObject
{
    Q_OBJECT

    static void verifyShowsPicture(frmSPLASH &splash)
    {
        const QImage shown = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage picture = frmSPLASH::picture().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), frmSPLASH::clientSize);
        // One pixel narrower and one taller than the picture: its last
        // column is cut off and the window shows below its last row.
        QCOMPARE(shown.copy(0, 0, 77, 147), picture.copy(0, 0, 77, 147));
        QCOMPARE(shown.pixelColor(10, 147), splash.palette().color(QPalette::Window));
    }

private Q_SLOTS:
    void carriedPictureIsTheSplash()
    {
        const QImage picture = frmSPLASH::picture();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(78, 147));
    }

    void looksAsDesignedWithThePictureReadHere()
    {
        frmSPLASH splash;
        QVERIFY(splash.windowFlags().testFlag(Qt::SplashScreen));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.size(), QSize(77, 148));
        QCOMPARE(splash.minimumSize(), splash.maximumSize());
        QCOMPARE(splash.cursor().shape(), Qt::WaitCursor);
        QVERIFY(splash.windowTitle().isEmpty());
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY2((splash.geometry().center() - centre).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("centre %1,%2").arg(splash.geometry().center().x()).arg(centre.x())));
        verifyShowsPicture(splash);
    }

    void pictureHandedOverIsTakenOnceWhenFirstPainted()
    {
        int taken = 0;
        frmSPLASH splash([&taken] {
            ++taken;
            return frmSPLASH::picture();
        });
        QCOMPARE(taken, 0);
        verifyShowsPicture(splash);
        QCOMPARE(taken, 1);
        verifyShowsPicture(splash);
        QCOMPARE(taken, 1);
    }
};

QTEST_MAIN(tst_frmSPLASH)
#include "tst_frmSPLASH.moc"
