// Ping history rules: one history per server, oldest sample first.
#pragma once

#include <cstdint>
#include <vector>

namespace zelmora {

// Longest history kept. The length comes from a typed text ("Datenmenge"):
// a negative value counts as 0 and an absurd one is capped here instead of
// asking for gigabytes per server.
inline constexpr std::int32_t kMaxHistoryLength = 100000;

std::int32_t ClampHistoryLength(std::int32_t datenmenge);

// Resizes to length (clamped as above): the first (oldest) samples stay, so
// shrinking loses the newest ones; new samples are 0 and count as newest.
void SizeHistory(std::vector<double>& history, std::int32_t length);

// Drops the oldest sample and appends value as the newest; an empty history
// stays empty.
void PushSample(std::vector<double>& history, double value);

}  // namespace zelmora
