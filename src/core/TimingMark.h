#pragma once

#include <chrono>

// Tells the benchmarks when something happened, for figures measured
// between two points of the program (a click and the first sample handed
// to the sound server): on the "sonti.timing" logging category, off unless
// enabled, it logs "<what> <nanoseconds since the epoch>". Costs a check of
// the category when it is off; callable from any thread.
namespace TimingMark {
bool enabled();
void log(const char *what);
// Logs a moment taken earlier with now(): for moments before the logging
// rules may be read (before QCoreApplication, which reads them itself).
void log(const char *what, std::chrono::system_clock::time_point when);
inline std::chrono::system_clock::time_point now()
{
    return std::chrono::system_clock::now();
}
}
