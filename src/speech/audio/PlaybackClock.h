#pragma once

#include <cstdint>

// Where a playing stream is heard, from the server's timing reports: each
// says how much of the stream was heard when the report was made (what the
// server has read of it, less what the sink still holds).
//
// PulseAudio reports that as of the moment it answers, so moving it on by
// the time since is right. PipeWire's PulseAudio server does not: it moves
// the read index a whole graph cycle at a time, when the cycle hands the
// audio on, and the sink plays that cycle's audio only in the cycle after
// (its latency counts neither), while the report is dated when it answers,
// up to a cycle after the step. Moved on from the report, the clock ran up
// to two cycles ahead of the sound. Such a server shows itself by a
// position that stands still between two reports while playing; from then
// on, a step is dated by the first report that shows it, and taken as
// heard two steps later: never ahead of the sound, and behind it by less
// than a step. The first reports of a sink, while playing, follow each
// other at once (settled()), so the steps show within its first stream.
//
// Times and positions are in microseconds.
class PlaybackClock
{
public:
    // A new stream: what is known of the server's steps stays.
    void restart();
    void report(std::uint64_t at, std::int64_t heard, bool playing);
    // The part of the stream heard at now; 0 until settled().
    std::int64_t heardAt(std::uint64_t now, bool playing) const;
    std::int64_t step() const { return m_step; }
    // Whether enough reports were made while playing to tell a server that
    // steps (and by how much) from one that does not.
    bool settled() const { return m_steps ? m_step > 0 : m_playingReports >= Settling; }
    bool playing() const { return m_playing; }

private:
    bool m_have = false;
    std::uint64_t m_at = 0;
    std::int64_t m_heard = 0;
    bool m_playing = false;
    // When m_heard was first reported.
    std::uint64_t m_levelSince = 0;
    // The server moves in steps, and of this size once seen (else 0).
    bool m_steps = false;
    std::int64_t m_step = 0;
    static constexpr int Settling = 12;
    int m_playingReports = 0;
};
