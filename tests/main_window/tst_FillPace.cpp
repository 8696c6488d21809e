#include "FillPace.h"

#include <QTest>

// How a document is spread over the event loop's turns: where slices end,
// how big they are, and when the thread pauses.
class tst_FillPace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every slice but the last ends after a line break, never between the
    // two halves of "\r\n", and a line longer than a slice goes in whole.
    void slicesEndAfterLineBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("units");
        QTest::addColumn<QList<qsizetype>>("ends");
        QTest::newRow("LF") << QStringLiteral("ab\ncd\nef\n") << qsizetype(4) << QList<qsizetype>{3, 6, 9};
        QTest::newRow("CR LF across the limit")
            << QStringLiteral("ab\r\ncd\r\n") << qsizetype(3) << QList<qsizetype>{4, 8};
        QTest::newRow("CR alone") << QStringLiteral("ab\rcd\ref") << qsizetype(4) << QList<qsizetype>{3, 6, 8};
        QTest::newRow("a line longer than a slice")
            << QStringLiteral("abcdefgh\nij") << qsizetype(3) << QList<qsizetype>{9, 11};
        QTest::newRow("a long line ending in CR LF")
            << QStringLiteral("abcdef\r\nx") << qsizetype(3) << QList<qsizetype>{8, 9};
        QTest::newRow("no break at all") << QStringLiteral("abcdefgh") << qsizetype(3) << QList<qsizetype>{8};
        QTest::newRow("empty lines, one unit a slice")
            << QStringLiteral("\n\n\r\n\n") << qsizetype(1) << QList<qsizetype>{1, 2, 4, 5};
    }

    void slicesEndAfterLineBreaks()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, units);
        QFETCH(QList<qsizetype>, ends);
        QList<qsizetype> got;
        for (qsizetype at = 0; at < text.size();) {
            at = FillPace::sliceEnd(text, at, units);
            got << at;
            if (got.size() > text.size())
                break;
        }
        QCOMPARE(got, ends);
    }

    // Slices are sized to what insertions cost: text of many short lines
    // goes in by small slices, text of long lines by big ones, within bounds.
    void slicesFollowWhatInsertionsCost()
    {
        FillPace pace;
        const qsizetype first = pace.sliceUnits();
        // 10 ms for a slice: ten times the target.
        pace.inserted(first, 10 * FillPace::SliceTargetNs);
        QCOMPARE(pace.sliceUnits(), first / 10);
        for (int i = 0; i < 20; ++i)
            pace.inserted(pace.sliceUnits(), 100 * FillPace::SliceTargetNs);
        QCOMPARE(pace.sliceUnits(), FillPace::MinSliceUnits);

        // Nearly free: it grows, but at most twofold a slice.
        pace.inserted(pace.sliceUnits(), 1000);
        QCOMPARE(pace.sliceUnits(), 2 * FillPace::MinSliceUnits);
        for (int i = 0; i < 20; ++i)
            pace.inserted(pace.sliceUnits(), 1000);
        QCOMPARE(pace.sliceUnits(), FillPace::MaxSliceUnits);
        // A slice that took no measurable time at all.
        pace.inserted(pace.sliceUnits(), 0);
        QCOMPARE(pace.sliceUnits(), FillPace::MaxSliceUnits);

        // A line longer than the slice went in whole, at its cost per unit.
        FillPace line;
        line.inserted(100 * line.sliceUnits(), FillPace::SliceTargetNs);
        QCOMPARE(line.sliceUnits(), 2 * FillPace().sliceUnits());
    }

    // A thread that gets the processor whenever it wants does not pause; one
    // kept waiting pauses enough to use less than it got, up to a bound, and
    // stops pausing once the machine is free again.
    void turnsPauseWhenTheThreadIsKeptWaiting()
    {
        constexpr qint64 Ms = 1'000'000;
        FillPace idle;
        for (int i = 0; i < 10; ++i)
            QCOMPARE(idle.turnEnded(5 * Ms, 5 * Ms), 0);
        QCOMPARE(idle.turnEnded(0, 0), 0);

        FillPace busy;
        int pause = 0;
        for (int i = 0; i < 30; ++i)
            pause = busy.turnEnded(20 * Ms, 5 * Ms); // a quarter of a processor
        QVERIFY2(busy.share() > 0.24 && busy.share() < 0.26, qPrintable(QString::number(busy.share())));
        // Used: 5 ms of every 5 + pause; below a quarter.
        QVERIFY2(5.0 / (20 + pause) < 0.25, qPrintable(QString::number(pause)));
        QVERIFY(pause <= FillPace::MaxPauseMs);

        // Hardly anything got: the longest pause, no more.
        FillPace starved;
        for (int i = 0; i < 30; ++i)
            pause = starved.turnEnded(1000 * Ms, 5 * Ms);
        QCOMPARE(pause, FillPace::MaxPauseMs);

        // One turn's luck does not end the pauses; the machine freed for
        // good does.
        QVERIFY(busy.turnEnded(5 * Ms, 5 * Ms) > 0);
        for (int i = 0; i < 40; ++i)
            pause = busy.turnEnded(5 * Ms, 5 * Ms);
        QCOMPARE(pause, 0);
    }
};

QTEST_APPLESS_MAIN(tst_FillPace)
#include "tst_FillPace.moc"
