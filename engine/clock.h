// Clocks of the query engine.
//
// HiResMs stamps every "getstatus" send and every receive; a ping is the
// difference of two stamps, so it comes from a steady high-resolution clock
// that never jumps with the wall clock. TickCount32 is the 32-bit millisecond
// tick stored as an entry's lastreply (it is written to Servers.dat, so it
// keeps the width and the wrap-around of the system tick).
#pragma once

#include <cstdint>

namespace zelmora {

// Reads the clock's frequency once. HiResMs calls it on first use as well;
// start-up calls it early so the first stamp costs nothing extra.
void InitHiResClock();

// Milliseconds of the high-resolution clock (performance counter on Windows,
// CLOCK_MONOTONIC elsewhere). Comparable within one run only.
double HiResMs();

// Milliseconds since an arbitrary point (system start), wrapping at 2^32
// (GetTickCount on Windows, CLOCK_MONOTONIC elsewhere).
std::uint32_t TickCount32();

// Time-out rule of the server list: an entry is timed out when its lastreply
// is older than cqt seconds plus 3 s, compared in 64-bit signed arithmetic.
// While now is still smaller than the threshold nothing is timed out.
bool IsTimedOut(std::uint32_t lastreply, std::uint32_t now, std::int64_t cqtSeconds);

}  // namespace zelmora
