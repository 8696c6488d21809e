#include "AMeter.h"
#include "MeterSurface.h"
#include "SontiError.h"

#include <QTest>

#include <memory>

namespace {

constexpr quint32 lit = 0xC000;
constexpr quint32 unlit = 0x4000;
constexpr quint32 black = 0;

quint32 ole(const QImage &image, int x, int y)
{
    const QRgb rgb = image.pixel(x, y);
    return quint32(qRed(rgb)) | quint32(qGreen(rgb)) << 8 | quint32(qBlue(rgb)) << 16;
}

// Bar i of the default geometry spans x 7-27 and y 7+3i to 8+3i; the row
// below it and the columns beside it stay background.
void checkBar(const QImage &image, int i, quint32 expected, quint32 background)
{
    const int top = 7 + 3 * i;
    const QString where = QStringLiteral("bar %1").arg(i);
    for (const QPoint &p : {QPoint(7, top), QPoint(27, top), QPoint(7, top + 1), QPoint(27, top + 1)})
        QVERIFY2(ole(image, p.x(), p.y()) == expected, qPrintable(where));
    QVERIFY2(ole(image, 6, top) == background, qPrintable(where + " left"));
    QVERIFY2(ole(image, 28, top) == background, qPrintable(where + " right"));
    QVERIFY2(ole(image, 17, top + 2) == background, qPrintable(where + " gap"));
}

} // namespace

class tst_AMeter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MeterSurface> m_surface;
    std::unique_ptr<AMeter> m_meter;

    int errorOfDraw(qint32 level)
    {
        try {
            m_meter->Draw(level);
        } catch (const SontiError &e) {
            return e.number();
        }
        return 0;
    }

private Q_SLOTS:
    void init()
    {
        m_surface = std::make_unique<MeterSurface>();
        // Tall enough to see every bar up to the 16-bit limit of 328 bars.
        m_surface->resize(40, 1000);
        m_meter = std::make_unique<AMeter>();
        m_meter->setSurface(m_surface.get());
    }

    void cleanup()
    {
        m_meter.reset();
        m_surface.reset();
    }

    void attachingErasesTheSurface()
    {
        m_surface->fillBox(0, 0, 39, 999, 0xFFFFFF);
        m_meter->setSurface(m_surface.get());
        QCOMPARE(ole(m_surface->image(), 20, 500), black);
        QCOMPARE(m_surface->backColor(), black);

        m_meter->Draw(100);
        m_meter->setSurfaceColor(0x112233);
        QCOMPARE(ole(m_surface->image(), 7, 7), 0x112233u);
        QCOMPARE(m_meter->SurfaceColor(), 0x112233u);
    }

    void lightsBarsFromTheBottom_data()
    {
        QTest::addColumn<int>("numBars");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("litCount");

        QTest::newRow("0: none lit") << 10 << 0 << 0;
        QTest::newRow("1: bottom bar") << 10 << 1 << 1;
        QTest::newRow("10: two bars") << 10 << 10 << 2;
        QTest::newRow("37: four bars") << 10 << 37 << 4;
        QTest::newRow("99: top bar unlit") << 10 << 99 << 10;
        QTest::newRow("100: all eleven") << 10 << 100 << 11;
        QTest::newRow("150: all eleven") << 10 << 150 << 11;
        QTest::newRow("-5: none lit") << 10 << -5 << 0;
        // Thresholds 100, 86, 72, 58, 43, 29, 15, 0.
        QTest::newRow("7 bars, 86") << 7 << 86 << 7;
        QTest::newRow("7 bars, 85") << 7 << 85 << 6;
        QTest::newRow("7 bars, 14") << 7 << 14 << 1;
        QTest::newRow("1 bar, 99") << 1 << 99 << 1;
    }

    void lightsBarsFromTheBottom()
    {
        QFETCH(int, numBars);
        QFETCH(int, level);
        QFETCH(int, litCount);

        m_meter->setNumBars(qint16(numBars));
        m_meter->Draw(level);
        const QImage &image = m_surface->image();
        for (int i = 0; i <= numBars && !QTest::currentTestFailed(); ++i)
            checkBar(image, i, i > numBars - litCount ? lit : unlit, black);
        QCOMPARE(ole(image, 17, 7 + 3 * (numBars + 1)), black);
    }

    void barsStayBetweenDraws()
    {
        m_meter->Draw(100);
        // A narrower column does not erase what the wider one left.
        m_meter->setBarWidth(5);
        m_meter->Draw(0);
        const QImage &image = m_surface->image();
        QCOMPARE(ole(image, 12, 7), unlit);
        QCOMPARE(ole(image, 13, 7), lit);
        QCOMPARE(ole(image, 27, 37), lit);
    }

    void negativeNumBarsDrawsNothing()
    {
        m_meter->setNumBars(-1);
        QCOMPARE(errorOfDraw(100), 0);
        QImage blank(40, 1000, QImage::Format_RGB32);
        blank.fill(Qt::black);
        QCOMPARE(m_surface->image(), blank);
    }

    void failures_data()
    {
        QTest::addColumn<int>("numBars");
        QTest::addColumn<int>("barGap");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("barsDrawn");

        QTest::newRow("division by zero") << 0 << 3 << int(SontiError::DivisionByZero) << 0;
        QTest::newRow("328 bars overflow at bar 328") << 328 << 3 << int(SontiError::Overflow) << 328;
        QTest::newRow("327 bars fit") << 327 << 3 << 0 << 328;
        QTest::newRow("gap times bar overflows") << 10 << 16384 << int(SontiError::Overflow) << 2;
    }

    void failures()
    {
        QFETCH(int, numBars);
        QFETCH(int, barGap);
        QFETCH(int, error);
        QFETCH(int, barsDrawn);

        m_meter->setNumBars(qint16(numBars));
        m_meter->setBarGap(qint16(barGap));
        QCOMPARE(errorOfDraw(100), error);
        const QImage &image = m_surface->image();
        if (barGap == 3) {
            // Every bar before the failing one is drawn and stays; the first
            // bars are lit only where the level reaches their threshold.
            for (int i = 0; i < barsDrawn; ++i)
                QCOMPARE(ole(image, 7, 7 + 3 * i), quint32(lit));
            QCOMPARE(ole(image, 7, 7 + 3 * barsDrawn), black);
        } else {
            QCOMPARE(ole(image, 7, 7), quint32(lit));
        }
    }

    void needsASurface()
    {
        AMeter meter;
        try {
            meter.Draw(50);
            QFAIL("Draw without a surface succeeded");
        } catch (const SontiError &e) {
            QCOMPARE(e.number(), 91);
            QCOMPARE(e.description(), QStringLiteral("Object variable or With block variable not set"));
        }
        QVERIFY_THROWS_EXCEPTION(SontiError, meter.setSurfaceColor(0x123456));
        QCOMPARE(meter.SurfaceColor(), 0x123456u);

        // Letting go of the surface fails, and so does every draw after it.
        QVERIFY_THROWS_EXCEPTION(SontiError, m_meter->setSurface(nullptr));
        QCOMPARE(errorOfDraw(50), 91);
    }

    void aDestroyedSurfaceIsNoSurface()
    {
        m_surface.reset();
        QCOMPARE(errorOfDraw(50), 91);
    }

    void surfaceShowsWhatWasDrawn()
    {
        m_surface->resize(65, 46);
        m_meter->Draw(37);
        m_surface->resize(80, 60);
        const QImage shown = m_surface->grab().toImage();
        QCOMPARE(ole(shown, 20, 37), lit);
        QCOMPARE(ole(shown, 20, 28), lit);
        QCOMPARE(ole(shown, 20, 25), unlit);
        QCOMPARE(ole(shown, 70, 50), black);
    }
};

QTEST_MAIN(tst_AMeter)
#include "tst_AMeter.moc"
