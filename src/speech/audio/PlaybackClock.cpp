#include "PlaybackClock.h"

#include <algorithm>

namespace {
// A report is moved on by the time since no further than this.
constexpr std::int64_t MaxExtrapolation = 100000;
// A position reported unchanged for this long while playing means the
// server moves in steps.
constexpr std::uint64_t StillFor = 1000;
}

void PlaybackClock::restart()
{
    m_have = false;
    m_playing = false;
}

void PlaybackClock::report(std::uint64_t at, std::int64_t heard, bool playing)
{
    if (m_have && at == m_at && heard == m_heard && playing == m_playing)
        return;
    if (m_have && heard == m_heard && (m_playing || !playing)) {
        if (playing && at >= m_levelSince + StillFor)
            m_steps = true;
    } else {
        // A new step, or playing (again) from here. The server moves by
        // whole steps: the smallest rise is one.
        const std::int64_t rise = heard - m_heard;
        if (m_have && m_steps && playing && m_playing && rise > 0 && (m_step == 0 || rise < m_step))
            m_step = rise;
        m_levelSince = at;
    }
    if (playing && m_playingReports < Settling)
        ++m_playingReports;
    m_have = true;
    m_at = at;
    m_heard = heard;
    m_playing = playing;
}

std::int64_t PlaybackClock::heardAt(std::uint64_t now, bool playing) const
{
    // Until it is known how the server moves, nothing is sure.
    if (!m_have || !settled())
        return 0;
    if (!m_steps) {
        const std::int64_t since = now > m_at ? std::int64_t(now - m_at) : 0;
        return m_heard + (playing && m_playing ? std::min(since, MaxExtrapolation) : 0);
    }
    std::int64_t heard = m_heard - 2 * m_step;
    if (playing && m_playing && now > m_levelSince)
        heard += std::min(std::int64_t(now - m_levelSince), MaxExtrapolation);
    return std::max<std::int64_t>(heard, 0);
}
