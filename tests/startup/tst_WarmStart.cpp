#include "SontiError.h"
#include "WarmStart.h"
#include "frmSPLASH.h"
#include "frmTTSUi.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

class tst_WarmStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesAndEnginesComeReady()
    {
        WarmStart warm;
        const MouthImages::Pictures pictures = warm.takePictures();
        QVERIFY(!pictures.error);
        QCOMPARE(pictures.images.size(), MouthImages::entryCount);
        const std::unique_ptr<EngineSet> engines = warm.takeEngines();
        QVERIFY(engines);
        QVERIFY(!engines->voices().isEmpty());
        // A second load gets its own.
        QCOMPARE(warm.takePictures().images.size(), MouthImages::entryCount);
        const std::unique_ptr<EngineSet> again = warm.takeEngines();
        QVERIFY(again && again != engines);
        QCOMPARE(again->voices().size(), engines->voices().size());
    }

    void splashPictureWindowIconAndFontsComeReadyFirst()
    {
        // The splash picture and the icon in every size, as the splash and
        // the window would read them; the fonts filled and looked up on the
        // way, which the window only sees as the same fonts.
        WarmStart warm;
        QCOMPARE(warm.takeSplashPicture(), frmSPLASH::picture());
        const QList<QImage> icon = warm.takeIconPictures();
        const QList<int> sides = {16, 32, 48, 64, 128, 256};
        QCOMPARE(icon.size(), sides.size());
        for (qsizetype i = 0; i < icon.size(); ++i) {
            QCOMPARE(icon[i].size(), QSize(sides[i], sides[i]));
            QCOMPARE(icon[i].format(), QImage::Format_ARGB32_Premultiplied);
        }
        QCOMPARE(icon.last().convertToFormat(QImage::Format_ARGB32),
                 QImage(QStringLiteral(":/icons/sonti-256.png")).convertToFormat(QImage::Format_ARGB32));
        QVERIFY(QFontDatabase::hasFamily(QFontInfo(frmTTSUi::designFont(false)).family()));
        QVERIFY(QFontInfo(frmTTSUi::designFont(true)).bold());
        // A second start reads its own.
        QCOMPARE(warm.takeSplashPicture().size(), QSize(78, 147));
        QCOMPARE(warm.takeIconPictures().size(), 6);
    }

    void aMissingPictureWaitsForTheLoad()
    {
        // The error is the load's to report; the engines start all the same.
        QTemporaryDir empty;
        WarmStart warm(empty.path() + QLatin1Char('/'));
        const MouthImages::Pictures pictures = warm.takePictures();
        QVERIFY(pictures.images.isEmpty());
        QVERIFY(pictures.error);
        QCOMPARE(pictures.error->number(), int(SontiError::ResourceNotFound));
        QVERIFY(warm.takeEngines());
    }
};

QTEST_MAIN(tst_WarmStart)
#include "tst_WarmStart.moc"
