#pragma once

class QObject;

// Tells the benchmarks when the user first saw something: on the
// "sonti.timing" logging category, off unless enabled, it logs
// "<what> <nanoseconds since the epoch>" once the watched widget has finished
// its first paint after the call. The benchmark notes the time it launched
// the program, so both sides read the same clock. Costs nothing when the
// category is off.
class FirstPaintReport
{
public:
    static void watch(QObject *widget, const char *what);
};
