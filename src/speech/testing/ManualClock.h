#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>

// Time for a NullAudioSink that a test moves on by hand, from any thread:
// it stands still until advanced, so what has been heard depends on the
// test alone, never on how busy the machine is.
class ManualClock
{
public:
    void advance(std::chrono::milliseconds by) { m_microseconds += qint64(by.count()) * 1000; }
    qint64 microseconds() const { return m_microseconds; }

private:
    std::atomic<qint64> m_microseconds = 0;
};
