#include "FillPace.h"

#include <algorithm>
#include <cmath>

void FillPace::inserted(qsizetype units, qint64 cpuNs)
{
    // Units the target time would have taken at this slice's rate; grows at
    // most twofold, so one cheap slice of long lines does not make the next,
    // of short ones, long.
    const double fitting = double(std::max<qsizetype>(units, 1)) * SliceTargetNs / double(std::max<qint64>(cpuNs, 1));
    const double grown = std::min(fitting, 2.0 * double(m_sliceUnits));
    m_sliceUnits = qsizetype(std::clamp(grown, double(MinSliceUnits), double(MaxSliceUnits)));
}

int FillPace::turnEnded(qint64 wallNs, qint64 cpuNs)
{
    // A quarter of the new measure: one turn's luck neither starts nor ends
    // the pauses.
    constexpr double Smoothing = 0.25;
    // How far below its share the thread keeps: half as much again of
    // pause as would just match it.
    constexpr double Margin = 1.5;
    const double got = wallNs > 0 ? std::clamp(double(cpuNs) / double(wallNs), 0.05, 1.0) : 1.0;
    m_share += (got - m_share) * Smoothing;
    const double pauseNs = double(std::max<qint64>(cpuNs, 0)) * (1 / m_share - 1) * Margin;
    return int(std::min(std::lround(pauseNs / 1e6), long(MaxPauseMs)));
}

qsizetype FillPace::sliceEnd(const QString &text, qsizetype start, qsizetype units)
{
    const qsizetype limit = std::min(text.size(), start + std::max<qsizetype>(units, 1));
    if (limit == text.size())
        return limit;
    const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
    qsizetype end = limit;
    while (end > start && !isBreak(text.at(end - 1)))
        --end;
    if (end == start) {
        end = limit;
        while (end < text.size() && !isBreak(text.at(end)))
            ++end;
        end = std::min(end + 1, text.size());
    }
    // "\r\n" is one break.
    if (text.at(end - 1) == u'\r' && end < text.size() && text.at(end) == u'\n')
        ++end;
    return end;
}
