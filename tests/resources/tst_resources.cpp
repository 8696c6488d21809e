// The pictures compiled into the program: each one is there under the name
// the code looks it up by, with the size and format the code relies on, and
// the face pictures fit together.

#include <QFile>
#include <QImage>
#include <QTest>

namespace {

const QRgb magenta = qRgb(255, 0, 255);

QStringList partialNames()
{
    QStringList names;
    for (int i = 2; i <= 13; ++i)
        names.append(QStringLiteral("MIC%1").arg(i));
    names << QStringLiteral("MICEYECLOSED") << QStringLiteral("MICEYENARROW");
    return names;
}

QString facePath(const QString &name)
{
    return QStringLiteral(":/mouth/%1.bmp").arg(name);
}

QImage face(const QString &name)
{
    return QImage(facePath(name)).convertToFormat(QImage::Format_RGB32);
}

// The area a partial picture paints, i.e. everything not magenta.
QRect paintedArea(const QImage &image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != magenta)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class tst_resources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void facePictureIs24BitBitmap_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("MICFULL") << QStringLiteral("MICFULL");
        for (const QString &name : partialNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    void facePictureIs24BitBitmap()
    {
        QFETCH(QString, name);
        QFile file(facePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(facePath(name)));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("BM"));
        QVERIFY(bytes.size() > 30);
        const int bitsPerPixel = quint8(bytes.at(28)) | quint8(bytes.at(29)) << 8;
        QCOMPARE(bitsPerPixel, 24);
        const QImage image = face(name);
        QCOMPARE(image.size(), QSize(128, 128));
    }

    // Laid over MICFULL, a partial must only repaint the face: painting where
    // MICFULL lets the background through would show as a patch beside the
    // microphone.
    void partialStaysOnTheFace_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : partialNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    void partialStaysOnTheFace()
    {
        QFETCH(QString, name);
        const QImage full = face(QStringLiteral("MICFULL"));
        const QImage partial = face(name);
        const QRect painted = paintedArea(partial);
        QVERIFY2(!painted.isEmpty(), "the picture is all magenta");
        QVERIFY2(painted.width() < 100 && painted.height() < 64, "the picture covers more than eyes or mouth");
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                if (partial.pixel(x, y) != magenta && full.pixel(x, y) == magenta)
                    QFAIL(qPrintable(QStringLiteral("paints the background at %1,%2").arg(x).arg(y)));
    }

    void fullFaceLetsTheBackgroundThrough()
    {
        const QImage full = face(QStringLiteral("MICFULL"));
        QCOMPARE(full.pixel(0, 0), magenta);
        QCOMPARE(full.pixel(127, 0), magenta);
        QVERIFY(full.pixel(64, 50) != magenta);
    }

    // Mouths are drawn below the eyes, so a mouth picture never disturbs the
    // eyes and the other way round; and every picture shows something of its
    // own.
    void mouthsAndEyesAreDistinct()
    {
        const QStringList names = partialNames();
        QRect eyes;
        QRect mouths;
        for (const QString &name : names) {
            const QRect area = paintedArea(face(name));
            (name.startsWith(QLatin1String("MICEYE")) ? eyes : mouths) |= area;
        }
        QVERIFY2(eyes.bottom() < mouths.top(), "eye and mouth pictures overlap");
        for (int i = 0; i < names.size(); ++i)
            for (int j = i + 1; j < names.size(); ++j)
                QVERIFY2(face(names.at(i)) != face(names.at(j)),
                         qPrintable(names.at(i) + QStringLiteral(" equals ") + names.at(j)));
    }

    void splashIsPlainGif87()
    {
        QFile file(QStringLiteral(":/splash/splash.gif"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("GIF87a"));
        const quint8 flags = quint8(bytes.at(10));
        QVERIFY2(flags & 0x80, "no global palette");
        QCOMPARE(2 << (flags & 7), 256);
        const QImage splash(QStringLiteral(":/splash/splash.gif"));
        QCOMPARE(splash.size(), QSize(78, 147));
    }

    void iconIsSquareAndTransparent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::newRow(qPrintable(QStringLiteral("loudspeaker %1").arg(size)))
                << QStringLiteral(":/icons/sonti-%1.png").arg(size) << size;
        QTest::newRow("open") << QStringLiteral(":/menu/open.png") << 16;
        QTest::newRow("exit") << QStringLiteral(":/menu/exit.png") << 16;
    }

    void iconIsSquareAndTransparent()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        const QImage icon(path);
        QVERIFY2(!icon.isNull(), qPrintable(path));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(qAlpha(icon.pixel(0, size - 1)), 0);
        QVERIFY(qAlpha(icon.pixel(size / 2, size / 2)) > 0);
    }
};

QTEST_GUILESS_MAIN(tst_resources)
#include "tst_resources.moc"
