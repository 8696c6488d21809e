#pragma once

// Tells the benchmarks when something happened, for figures measured
// between two points of the program (a click and the first sample handed
// to the sound server): on the "sonti.timing" logging category, off unless
// enabled, it logs "<what> <nanoseconds since the epoch>". Costs a check of
// the category when it is off; callable from any thread.
namespace TimingMark {
bool enabled();
void log(const char *what);
}
