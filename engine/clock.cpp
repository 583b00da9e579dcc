#include "engine/clock.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace zelmora {

namespace {

#ifdef _WIN32
std::atomic<std::int64_t> gFrequency{0};

std::int64_t Frequency() {
  std::int64_t f = gFrequency.load(std::memory_order_relaxed);
  if (f == 0) {
    LARGE_INTEGER li;
    QueryPerformanceFrequency(&li);
    f = li.QuadPart > 0 ? li.QuadPart : 1;
    gFrequency.store(f, std::memory_order_relaxed);
  }
  return f;
}
#endif

}  // namespace

void InitHiResClock() {
#ifdef _WIN32
  (void)Frequency();
#endif
}

double HiResMs() {
#ifdef _WIN32
  LARGE_INTEGER li;
  QueryPerformanceCounter(&li);
  return static_cast<double>(li.QuadPart) * 1000.0 / static_cast<double>(Frequency());
#else
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
#endif
}

std::uint32_t TickCount32() {
#ifdef _WIN32
  return static_cast<std::uint32_t>(GetTickCount64());
#else
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
#endif
}

bool IsTimedOut(std::uint32_t lastreply, std::uint32_t now, std::int64_t cqtSeconds) {
  // cqt comes from a typed text: keep the product far from overflowing.
  if (cqtSeconds > 1'000'000'000) cqtSeconds = 1'000'000'000;
  if (cqtSeconds < -1'000'000'000) cqtSeconds = -1'000'000'000;
  const std::int64_t threshold = cqtSeconds * 1000 + 3000;
  return static_cast<std::int64_t>(lastreply) < static_cast<std::int64_t>(now) - threshold;
}

}  // namespace zelmora
