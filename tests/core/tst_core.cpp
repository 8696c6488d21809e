#include "OleColor.h"
#include "SontiError.h"
#include "Twips.h"

#include <QTest>

class tst_core : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oleColourHasRedInTheLowByte()
    {
        QCOMPARE(OleColor::fromRgb(0x40, 0x40, 0x40), 0x404040u);
        QCOMPARE(OleColor::fromRgb(255, 0, 255), 0xFF00FFu);
        QCOMPARE(OleColor::fromRgb(0x12, 0x34, 0x56), 0x563412u);
        QCOMPARE(OleColor::toQColor(0x563412u), QColor(0x12, 0x34, 0x56));
        QCOMPARE(OleColor::fromQColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    }

    void twipsAreFifteenToThePixel()
    {
        QCOMPARE(Twips::rect(50, 2880, 5655, 3975), QRect(3, 192, 377, 265));
        QCOMPARE(Twips::toPixels(5715), 381);
        QCOMPARE(Twips::toPixels(6930), 462);
    }

    void errorCarriesNumberSourceAndDescription()
    {
        try {
            throw SontiError(670, QStringLiteral("INIReadWrite"), QStringLiteral("Filename(INI) not set"));
        } catch (const SontiError &e) {
            QCOMPARE(e.number(), 670);
            QCOMPARE(e.source(), QStringLiteral("INIReadWrite"));
            QCOMPARE(e.description(), QStringLiteral("Filename(INI) not set"));
            QVERIFY(QByteArray(e.what()).contains("670"));
        }
        QVERIFY(!SontiError().isError());
    }
};

QTEST_APPLESS_MAIN(tst_core)
#include "tst_core.moc"
