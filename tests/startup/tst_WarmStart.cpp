#include "SontiError.h"
#include "WarmStart.h"

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
