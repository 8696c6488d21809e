#pragma once

class QObject;

// Tells the benchmarks how long the UI thread stopped answering: on the
// "sonti.timing" logging category, off unless enabled, a timer due every
// 2 ms logs "stall <milliseconds late> <nanoseconds since the epoch>" each
// time it fires more than 4 ms late. Costs nothing when the category is off.
class UiStallReport
{
public:
    static void start(QObject *owner);
};
