#include "PlaybackClock.h"

#include <QTest>

// Reports of two kinds of server, made up: one that says where it is heard
// as of each report (PulseAudio), and one that moves in whole graph cycles
// and dates its reports when it answers (PipeWire's PulseAudio server).
class tst_PlaybackClock : public QObject
{
    Q_OBJECT

private:
    static constexpr std::int64_t Cycle = 5333;

    // A server moving in steps: at cycle start c the read position jumps to
    // (c + 1) cycles, and the sink plays the audio of a cycle in the next one.
    static std::int64_t readAt(std::int64_t t) { return (t / Cycle + 1) * Cycle; }
    static std::int64_t heardTruly(std::int64_t t) { return std::max<std::int64_t>(t - Cycle, 0); }

    static void settleSteady(PlaybackClock &clock, std::uint64_t &t)
    {
        for (int i = 0; i < 20 && !clock.settled(); ++i, t += 300)
            clock.report(t, std::int64_t(t), true);
    }

private Q_SLOTS:
    void steadyServerIsMovedOnFromItsReport()
    {
        PlaybackClock clock;
        std::uint64_t t = 0;
        clock.report(t, 0, true);
        QCOMPARE(clock.heardAt(t + 1000, true), 0); // not settled: nothing is sure
        settleSteady(clock, t);
        QVERIFY(clock.settled());
        QCOMPARE(clock.step(), 0);
        clock.report(50000, 50000, true);
        QCOMPARE(clock.heardAt(53000, true), 53000);
        // Not moved on while paused, nor further than a tenth of a second.
        QCOMPARE(clock.heardAt(53000, false), 50000);
        QCOMPARE(clock.heardAt(900000, true), 150000);
        // A new stream starts over, and what the server is stays known.
        clock.restart();
        QCOMPARE(clock.heardAt(53000, true), 0);
        clock.report(60000, 1000, true);
        QCOMPARE(clock.heardAt(62000, true), 3000);
    }

    void steppingServerIsNeverAhead_data()
    {
        QTest::addColumn<int>("interval");
        QTest::newRow("reports within a cycle") << 700;
        QTest::newRow("a report every few cycles") << 17000;
    }
    void steppingServerIsNeverAhead()
    {
        QFETCH(int, interval);
        PlaybackClock clock;
        // The first reports follow each other at once, until settled.
        std::int64_t t = 1000;
        for (; t < 20000 && !clock.settled(); t += 300)
            clock.report(std::uint64_t(t), readAt(t), true);
        QVERIFY(clock.settled());
        QCOMPARE(clock.step(), Cycle);
        std::int64_t lastReport = t;
        for (; t < 400000; t += 250) {
            if (t >= lastReport + interval) {
                clock.report(std::uint64_t(t), readAt(t), true);
                lastReport = t;
            }
            const std::int64_t heard = clock.heardAt(std::uint64_t(t), true);
            QVERIFY2(heard <= heardTruly(t), qPrintable(QString::number(t)));
            QVERIFY2(heard >= heardTruly(t) - Cycle - 300, qPrintable(QString::number(t)));
        }
    }

    void steppingServerPausedHoldsThenMovesFromTheResume()
    {
        PlaybackClock clock;
        std::int64_t t = 1000;
        for (; !clock.settled(); t += 300)
            clock.report(std::uint64_t(t), readAt(t), true);
        const std::int64_t level = readAt(t);
        clock.report(std::uint64_t(t), level, false);
        const std::int64_t held = clock.heardAt(std::uint64_t(t + 500000), false);
        QCOMPARE(held, level - 2 * Cycle);
        // Playing again: moved on from the first report that says so.
        clock.report(std::uint64_t(t + 600000), level, true);
        QCOMPARE(clock.heardAt(std::uint64_t(t + 602000), true), held + 2000);
    }
};

QTEST_GUILESS_MAIN(tst_PlaybackClock)
#include "tst_PlaybackClock.moc"
