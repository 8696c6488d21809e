#include "ImageList.h"
#include "MouthImages.h"
#include "SontiError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace {

const QStringList names = {
    QStringLiteral("MICFULL"), QStringLiteral("MIC2"),         QStringLiteral("MIC3"),         QStringLiteral("MIC4"),
    QStringLiteral("MIC5"),    QStringLiteral("MIC6"),         QStringLiteral("MIC7"),         QStringLiteral("MIC8"),
    QStringLiteral("MIC9"),    QStringLiteral("MIC10"),        QStringLiteral("MIC11"),        QStringLiteral("MIC12"),
    QStringLiteral("MIC13"),   QStringLiteral("MICEYECLOSED"), QStringLiteral("MICEYENARROW"),
};

const QRgb magenta = qRgb(255, 0, 255);
const QRgb background = qRgb(0x40, 0x40, 0x40);

// Each test picture is told apart by its own colour.
QRgb colourOf(const QString &name)
{
    const int k = int(names.indexOf(name));
    return qRgb(20 + 12 * k, 220 - 12 * k, 90);
}

// 4x4 stand-ins for the real bitmaps: the face is its colour with a magenta
// corner at (0, 0); every other picture is magenta but for pixel (1, 1).
void writePictures(const QString &folder)
{
    for (const QString &name : names) {
        QImage image(4, 4, QImage::Format_RGB888);
        if (name == QLatin1String("MICFULL")) {
            image.fill(colourOf(name));
            image.setPixel(0, 0, magenta);
        } else {
            image.fill(magenta);
            image.setPixel(1, 1, colourOf(name));
        }
        QVERIFY(image.save(folder + name + QStringLiteral(".bmp"), "BMP"));
    }
}

// What a composite of the face with `over` must look like at its three
// telling pixels: the corner, the partial picture's pixel, elsewhere.
void checkFace(const QImage &picture, const QString &over)
{
    QCOMPARE(picture.pixel(0, 0) | 0xFF000000, background);
    QCOMPARE(picture.pixel(1, 1) | 0xFF000000, colourOf(over));
    QCOMPARE(picture.pixel(3, 2) | 0xFF000000, colourOf(QStringLiteral("MICFULL")));
}

} // namespace

class tst_MouthImages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_prefix;
    ImageList m_list;

    void prepare(ImageList &list)
    {
        list.setMaskColor(0xFF00FF);
        list.setBackColor(0x404040);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.path() + QLatin1Char('/');
        writePictures(m_prefix);
        int reports = 0;
        QCOMPARE(MouthImages::load(m_list, m_prefix, [&](const SontiError &) { ++reports; }), 24);
        QCOMPARE(reports, 0);
        prepare(m_list);
    }

    void loadsTwentyFourEntriesInOrder()
    {
        const QStringList expected = {
            "MICFULL", "MIC11", "MIC11", "MIC11", "MIC10", "MIC11", "MIC9",         "MIC2",
            "MIC13",   "MIC9",  "MIC12", "MIC11", "MIC9",  "MIC3",  "MIC6",         "MIC7",
            "MIC8",    "MIC5",  "MIC4",  "MIC7",  "MIC9",  "MIC11", "MICEYECLOSED", "MICEYENARROW",
        };
        QCOMPARE(m_list.count(), 24);
        for (int index = 1; index <= 24; ++index) {
            const QString &name = expected.at(index - 1);
            const QPoint telling = index == 1 ? QPoint(2, 2) : QPoint(1, 1);
            QCOMPARE(m_list.image(index).pixel(telling) | 0xFF000000, colourOf(name));
            const bool keyed = index == 1 || index >= 23;
            QCOMPARE(m_list.key(index), keyed ? name : QString());
        }
    }

    void restsWithClosedEyes()
    {
        checkFace(MouthImages::restingPicture(m_list).toImage(), QStringLiteral("MICEYECLOSED"));
    }

    void visemeChoosesMouthOrEyes_data()
    {
        QTest::addColumn<int>("viseme");
        QTest::addColumn<QString>("over");

        QTest::newRow("0 silence: plain face") << 0 << "MICFULL";
        QTest::newRow("1: plain face") << 1 << "MICFULL";
        QTest::newRow("2: eyes closed") << 2 << "MICEYECLOSED";
        QTest::newRow("3: MIC11") << 3 << "MIC11";
        QTest::newRow("5: eyes narrowed") << 5 << "MICEYENARROW";
        QTest::newRow("7: MIC9") << 7 << "MIC9";
        QTest::newRow("8: eyes closed, not MIC2") << 8 << "MICEYECLOSED";
        QTest::newRow("9: MIC13") << 9 << "MIC13";
        QTest::newRow("11: eyes narrowed, not MIC12") << 11 << "MICEYENARROW";
        QTest::newRow("14: eyes closed") << 14 << "MICEYECLOSED";
        QTest::newRow("17: eyes narrowed") << 17 << "MICEYENARROW";
        QTest::newRow("18: MIC5") << 18 << "MIC5";
        QTest::newRow("20: eyes closed") << 20 << "MICEYECLOSED";
        QTest::newRow("21: MIC9") << 21 << "MIC9";
    }

    void visemeChoosesMouthOrEyes()
    {
        QFETCH(int, viseme);
        QFETCH(QString, over);

        const QImage picture = MouthImages::visemePicture(m_list, viseme).toImage();
        if (over == QLatin1String("MICFULL")) {
            QCOMPARE(picture.pixel(0, 0) | 0xFF000000, background);
            QCOMPARE(picture.pixel(1, 1) | 0xFF000000, colourOf(over));
        } else {
            checkFace(picture, over);
        }
        // The same number always gives the same face.
        QCOMPARE(MouthImages::visemePicture(m_list, viseme).toImage(), picture);
    }

    void visemesPastTheListShowNothing_data()
    {
        QTest::addColumn<int>("viseme");
        QTest::newRow("25") << 25;
        QTest::newRow("26, remainder 2") << 26;
        QTest::newRow("-1") << -1;
    }

    void visemesPastTheListShowNothing()
    {
        QFETCH(int, viseme);
        QVERIFY_THROWS_EXCEPTION(SontiError, MouthImages::visemePicture(m_list, viseme));
    }

    void picturesReadAheadOnAnotherThreadLoadTheSame()
    {
        // As the start-up reads them. A picture stored as PNG under its
        // .bmp name is still read, as it always was.
        QTemporaryDir dir;
        const QString prefix = dir.path() + QLatin1Char('/');
        writePictures(prefix);
        const QString renamed = prefix + QStringLiteral("MIC7.bmp");
        QVERIFY(QImage(renamed).save(renamed, "PNG"));
        const MouthImages::Pictures pictures =
            std::async(std::launch::async, [&] { return MouthImages::read(prefix); }).get();
        QVERIFY(!pictures.error);
        ImageList list;
        QCOMPARE(MouthImages::load(list, pictures), 24);
        for (int index = 1; index <= 24; ++index) {
            QCOMPARE(list.image(index).convertToFormat(QImage::Format_RGB32),
                     m_list.image(index).convertToFormat(QImage::Format_RGB32));
            QCOMPARE(list.key(index), m_list.key(index));
        }
    }

    void aMissingPictureEndsTheLoad_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("loaded");

        QTest::newRow("MIC5 missing") << "MIC5" << true << "Resource with identifier 'MIC5' not found:326" << 17;
        QTest::newRow("MIC13 unreadable") << "MIC13" << false << "Invalid picture:481" << 8;
        QTest::newRow("face missing") << "MICFULL" << true << "Resource with identifier 'MICFULL' not found:326" << 0;
    }

    void aMissingPictureEndsTheLoad()
    {
        QFETCH(QString, broken);
        QFETCH(bool, deleted);
        QFETCH(QString, message);
        QFETCH(int, loaded);

        QTemporaryDir dir;
        const QString prefix = dir.path() + QLatin1Char('/');
        writePictures(prefix);
        QFile file(prefix + broken + QStringLiteral(".bmp"));
        if (deleted) {
            QVERIFY(file.remove());
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a bitmap");
            file.close();
        }

        ImageList list;
        QStringList reports;
        const int added = MouthImages::load(
            list, prefix, [&](const SontiError &error) { reports.append(MouthImages::errorText(error)); });
        QCOMPARE(reports, QStringList{message});
        QCOMPARE(added, loaded);
        QCOMPARE(list.count(), loaded);
        prepare(list);

        // A face that needs a missing entry is not shown at all.
        QCOMPARE(list.contains("MICFULL"), loaded > 0);
        QVERIFY_THROWS_EXCEPTION(SontiError, MouthImages::restingPicture(list));
        if (loaded > 8)
            checkFace(MouthImages::visemePicture(list, 7).toImage(), QStringLiteral("MIC9"));
        QVERIFY_THROWS_EXCEPTION(SontiError, MouthImages::visemePicture(list, 18));
    }
};

QTEST_MAIN(tst_MouthImages)
#include "tst_MouthImages.moc"
