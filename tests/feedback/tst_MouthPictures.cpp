// The pictures the program carries, loaded the way the window loads them.
#include "ImageList.h"
#include "MouthImages.h"
#include "SontiError.h"

#include <QSet>
#include <QTest>

namespace {

bool showsMagenta(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if ((picture.pixel(x, y) & 0xFFFFFF) == 0xFF00FF)
                return true;
        }
    }
    return false;
}

} // namespace

class tst_MouthPictures : public QObject
{
    Q_OBJECT

private:
    ImageList m_list;

private Q_SLOTS:
    void initTestCase()
    {
        QStringList reports;
        MouthImages::load(m_list, MouthImages::defaultPrefix(),
                          [&](const SontiError &e) { reports.append(MouthImages::errorText(e)); });
        QCOMPARE(reports, QStringList());
        QCOMPARE(m_list.count(), MouthImages::entryCount);
        m_list.setMaskColor(0xFF00FF);
        m_list.setBackColor(0x404040);
    }

    void everyPictureIsAFullSizeBitmap()
    {
        for (int index = 1; index <= m_list.count(); ++index)
            QCOMPARE(m_list.image(index).size(), QSize(128, 128));
    }

    void everyVisemeShowsAFaceWithoutMagenta()
    {
        const QImage resting = MouthImages::restingPicture(m_list).toImage();
        QVERIFY(!showsMagenta(resting));
        QSet<QByteArray> faces;
        for (int viseme = 0; viseme <= 21; ++viseme) {
            const QImage face = MouthImages::visemePicture(m_list, viseme).toImage();
            QVERIFY2(!showsMagenta(face), qPrintable(QString::number(viseme)));
            faces.insert(QByteArray(reinterpret_cast<const char *>(face.constBits()), face.sizeInBytes()));
        }
        // Plain face, closed eyes, narrowed eyes and the seven mouths that
        // visemes show (MIC2, MIC3, MIC8, MIC10 and MIC12 give way to eyes).
        QCOMPARE(faces.size(), 3 + 7);
        const QImage open = MouthImages::visemePicture(m_list, 1).toImage();
        QVERIFY(open != resting);
    }
};

QTEST_MAIN(tst_MouthPictures)
#include "tst_MouthPictures.moc"
