#pragma once

#include <QString>

// How DocumentLoad spreads putting a document into the text box over the
// event loop's turns, so that the window keeps answering while it fills.
//
// Each insertion is sized from what the last ones cost in CPU time, so that
// one takes about a millisecond whatever the text is like (a line costs far
// more than a letter: a file of empty lines fills by the block), and a turn
// ends after a few milliseconds. A thread that fills turn after turn is, to
// the system's scheduler, a program using all the processor it can get: on a
// busy machine it is then made to wait behind the others for tens of
// milliseconds at a time, with the window frozen. So each turn measures the
// share of a processor the thread got (its CPU time over its wall time), and
// the next one comes after a pause that keeps the thread's use below that
// share, smoothed over the last turns: the scheduler then runs it soon after
// it wakes. On an idle machine the share is whole and there is no pause.
class FillPace
{
public:
    // UTF-16 code units to put in with the next insertion.
    qsizetype sliceUnits() const { return m_sliceUnits; }
    // An insertion of `units` took `cpuNs` of the thread's CPU time.
    void inserted(qsizetype units, qint64 cpuNs);
    // Whether a turn that has run `wallNs` should give the thread back to
    // the event loop.
    static bool turnOver(qint64 wallNs) { return wallNs >= TurnBudgetNs; }
    // A turn took `wallNs`, `cpuNs` of it on the processor: milliseconds to
    // leave the processor to others before the next.
    int turnEnded(qint64 wallNs, qint64 cpuNs);
    // The share of a processor the turns got, 0-1, smoothed.
    double share() const { return m_share; }

    // Where a slice of at most `units` from `start` ends: after its last line
    // break (\n, \r\n or \r), so every slice begins a block of its own, as the
    // whole text would have. A line longer than that goes in whole: the box
    // lays out again the block that an insertion grows, so slices of one long
    // line would cost its square.
    static qsizetype sliceEnd(const QString &text, qsizetype start, qsizetype units);

    static constexpr qsizetype MinSliceUnits = 256;
    static constexpr qsizetype MaxSliceUnits = 64 * 1024;
    static constexpr qint64 SliceTargetNs = 1'000'000;
    static constexpr qint64 TurnBudgetNs = 5'000'000;
    static constexpr int MaxPauseMs = 25;

private:
    qsizetype m_sliceUnits = 8 * 1024;
    double m_share = 1;
};
