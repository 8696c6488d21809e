#include "ImageList.h"
#include "SontiError.h"

#include <QTest>

namespace {

const QRgb magenta = qRgb(255, 0, 255);
const QRgb grey40 = qRgb(0x40, 0x40, 0x40);
const QRgb red = qRgb(200, 0, 0);
const QRgb blue = qRgb(0, 0, 200);
const QRgb green = qRgb(0, 160, 0);

// 3x1 pictures; each letter is one pixel: m magenta, r red, b blue, g green.
QImage picture(const char *pixels)
{
    QImage image(int(qstrlen(pixels)), 1, QImage::Format_RGB888);
    for (int x = 0; pixels[x]; ++x) {
        switch (pixels[x]) {
        case 'm': image.setPixel(x, 0, magenta); break;
        case 'r': image.setPixel(x, 0, red); break;
        case 'b': image.setPixel(x, 0, blue); break;
        default: image.setPixel(x, 0, green); break;
        }
    }
    return image;
}

QList<QRgb> row(const QImage &image)
{
    QList<QRgb> pixels;
    for (int x = 0; x < image.width(); ++x)
        pixels.append(image.pixel(x, 0) | 0xFF000000);
    return pixels;
}

int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const SontiError &e) {
        return e.number();
    }
    return 0;
}

} // namespace

class tst_ImageList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void overlayDrawsOverOverBaseOverBackground()
    {
        ImageList list;
        list.setMaskColor(0xFF00FF);
        list.setBackColor(0x404040);
        QCOMPARE(list.Add(picture("rrmm"), QStringLiteral("BASE")), 1);
        QCOMPARE(list.Add(picture("mbmb")), 2);

        // Magenta in both shows the background; magenta in the top one
        // shows the base.
        QCOMPARE(row(list.Overlay("BASE", 2).toImage()), (QList<QRgb>{red, blue, grey40, blue}));
        QCOMPARE(row(list.Overlay(2, 1).toImage()), (QList<QRgb>{red, red, grey40, blue}));
        QCOMPARE(row(list.overlayImage(1, 1)), (QList<QRgb>{red, red, grey40, grey40}));
    }

    void maskColourChangesTheComposite()
    {
        ImageList list;
        list.setMaskColor(0xFF00FF);
        list.Add(picture("rg"));
        list.Add(picture("mb"));
        QCOMPARE(row(list.overlayImage(1, 2)), (QList<QRgb>{red, blue}));

        // Green (OLE 0x00A000) becomes transparent, magenta no longer is.
        list.setMaskColor(0x00A000);
        list.setBackColor(0x404040);
        QCOMPARE(row(list.overlayImage(1, 2)), (QList<QRgb>{magenta, blue}));
        QCOMPARE(row(list.overlayImage(1, 1)), (QList<QRgb>{red, grey40}));
        QCOMPARE(row(list.overlayImage(2, 1)), (QList<QRgb>{red, blue}));
        QCOMPARE(row(list.image(1)), (QList<QRgb>{red, green}));
        QCOMPARE(qAlpha(list.maskedImage(1).pixel(1, 0)), 0);
    }

    void entriesAreFoundByNumberOrKey()
    {
        ImageList list;
        list.Add(picture("r"), QStringLiteral("RED"));
        list.Add(picture("b"));
        list.Add(picture("g"), QStringLiteral("GREEN"));
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.key(1), QStringLiteral("RED"));
        QVERIFY(list.key(2).isEmpty());
        QCOMPARE(row(list.image("GREEN")), QList<QRgb>{green});
        QCOMPARE(row(list.image(2)), QList<QRgb>{blue});
        QVERIFY(list.contains(3));
        QVERIFY(!list.contains("green"));
    }

    void missingEntriesFail_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("error");

        QTest::newRow("index 0") << QString() << 0 << 35600;
        QTest::newRow("index past the end") << QString() << 3 << 35600;
        QTest::newRow("negative index") << QString() << -1 << 35600;
        QTest::newRow("unknown key") << QStringLiteral("MICEYENARROW") << 0 << 35601;
        QTest::newRow("empty key") << QStringLiteral("") << 0 << 35601;
    }

    void missingEntriesFail()
    {
        QFETCH(QString, key);
        QFETCH(int, index);
        QFETCH(int, error);

        ImageList list;
        list.Add(picture("r"), QStringLiteral("BASE"));
        list.Add(picture("b"));
        const ImageList::Ref ref = key.isNull() ? ImageList::Ref(index) : ImageList::Ref(key);
        QCOMPARE(errorOf([&] { list.image(ref); }), error);
        QCOMPARE(errorOf([&] { list.Overlay("BASE", ref); }), error);
        QCOMPARE(errorOf([&] { list.Overlay(ref, 1); }), error);
    }

    void refusesBadAdditions()
    {
        ImageList list;
        list.Add(picture("r"), QStringLiteral("BASE"));
        QCOMPARE(errorOf([&] { list.Add(QImage(), QStringLiteral("X")); }), 481);
        QCOMPARE(errorOf([&] { list.Add(picture("b"), QStringLiteral("BASE")); }), 35602);
        QCOMPARE(list.count(), 1);
    }
};

QTEST_MAIN(tst_ImageList)
#include "tst_ImageList.moc"
