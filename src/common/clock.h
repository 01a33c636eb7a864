// The saver's millisecond clock and its sleep. Runs from the system's
// monotonic clock; a headless snapshot sets the time itself so that a run can
// be repeated exactly.
#pragma once

#include <cstdint>

// Milliseconds, wrapping at 2^32 like the Windows tick count.
uint32_t TickCount();

void SleepMilliseconds(unsigned milliseconds);
void SleepMicroseconds(uint32_t microseconds);

// Microseconds of the system's monotonic clock, never held: for measuring
// how the time of a run is spent.
uint64_t MonotonicMicroseconds();

// From now on TickCount() returns milliseconds until the next call;
// ReleaseClock() goes back to the system clock.
void HoldClockAt(uint32_t milliseconds);
void ReleaseClock();
