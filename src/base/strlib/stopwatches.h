// Two stopwatches with process-wide state: a high-resolution one that reports
// seconds and a millisecond one. Each start replaces the previous start.
// Not synchronised.
#pragma once

namespace zeb::strlib {

inline constexpr int kStopwatchStart = 0;
inline constexpr int kStopwatchRead = 1;

// The trace line every inittimer2 call writes through debug_log.
inline constexpr const char* kInittimer2Trace = "inittimer2 sendo executado \n";

// High-resolution stopwatch on the performance counter. Every call first
// writes kInittimer2Trace through debug_log (whatever the debug switch).
// kStopwatchStart: records the start (the counter frequency is read at the
//   first start and kept) and returns 0.0.
// kStopwatchRead: seconds since the last start; successive reads measure
//   from the same start. Before any start there is nothing to measure from:
//   0.0.
// Any other mode: 0.0, nothing changed.
double inittimer2(int mode);

// Millisecond stopwatch. flag 0 records the start and returns 0.0; any other
// flag returns the milliseconds of wall-clock time since the last start (or,
// before any start, since the process started). Exact as a float up to
// 16,777,216 ms (about 4.7 hours).
float clock_timer(int flag);

}  // namespace zeb::strlib
