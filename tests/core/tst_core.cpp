#include "OleColor.h"
#include "SontiError.h"
#include "TimingMark.h"
#include "Twips.h"

#include <QLoggingCategory>
#include <QTest>

#include <chrono>

namespace {
QStringList logged;
void collect(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    logged.append(QLatin1String(context.category) + QLatin1Char(' ') + message);
}
} // namespace

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

    void timingMarksAreQuietUnlessAskedForAndCarryTheirMoment()
    {
        // The benchmarks read "<what> <nanoseconds since the epoch>" off
        // the sonti.timing category; a moment taken earlier keeps its time.
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        const std::chrono::system_clock::time_point earlier{std::chrono::nanoseconds(1234567890123456789)};
        TimingMark::log("quiet");
        TimingMark::log("quiet", earlier);
        QVERIFY(!TimingMark::enabled());
        QLoggingCategory::setFilterRules(QStringLiteral("sonti.timing.debug=true"));
        QVERIFY(TimingMark::enabled());
        TimingMark::log("main", earlier);
        const qint64 before =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        TimingMark::log("now");
        QLoggingCategory::setFilterRules(QString());
        TimingMark::log("quiet");
        qInstallMessageHandler(previous);

        QCOMPARE(logged.size(), 2);
        QCOMPARE(logged.at(0), QStringLiteral("sonti.timing main 1234567890123456789"));
        const QStringList now = logged.at(1).split(QLatin1Char(' '));
        QCOMPARE(now.size(), 3);
        QCOMPARE(now.at(1), QStringLiteral("now"));
        QVERIFY2(now.at(2).toLongLong() >= before, qPrintable(logged.at(1)));
    }
};

QTEST_APPLESS_MAIN(tst_core)
#include "tst_core.moc"
