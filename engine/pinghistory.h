// Ping history rules: one history per server, oldest sample first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelmora {

// Longest history kept. The length comes from a typed text ("Datenmenge"),
// whose up-down control offers 1 to 10000: a negative value counts as 0 and
// a larger one is capped at the control's maximum.
inline constexpr std::int32_t kMaxHistoryLength = 10000;

// All histories together hold at most this many samples (64 MB of doubles).
// At the longest history a list of up to 800 servers keeps every sample;
// longer lists keep proportionally shorter histories (5000 servers: 1600
// samples each, over two hours of the periodic query) instead of asking for
// 400 MB the moment the first sweep has answered.
inline constexpr std::int64_t kHistorySampleBudget = 8'000'000;

std::int32_t ClampHistoryLength(std::int32_t datenmenge);

// The length every history of a list of `servers` entries gets for the
// setting datenmenge: clamped as above and held to the common budget.
std::int32_t HistoryLengthFor(std::int32_t datenmenge, std::size_t servers);

// Resizes to length (clamped as above): the first (oldest) samples stay, so
// shrinking loses the newest ones; new samples are 0 and count as newest.
void SizeHistory(std::vector<double>& history, std::int32_t length);

// Drops the oldest sample and appends value as the newest; an empty history
// stays empty.
void PushSample(std::vector<double>& history, double value);

}  // namespace zelmora
