#include "engine/pinghistory.h"

#include <algorithm>

namespace zelmora {

std::int32_t ClampHistoryLength(std::int32_t datenmenge) {
  return std::clamp<std::int32_t>(datenmenge, 0, kMaxHistoryLength);
}

std::int32_t HistoryLengthFor(std::int32_t datenmenge, std::size_t servers) {
  const std::int32_t wanted = ClampHistoryLength(datenmenge);
  const std::int64_t share =
      kHistorySampleBudget / static_cast<std::int64_t>(servers > 0 ? servers : 1);
  return static_cast<std::int32_t>(std::min<std::int64_t>(wanted, share));
}

void SizeHistory(std::vector<double>& history, std::int32_t length) {
  const auto n = static_cast<std::size_t>(ClampHistoryLength(length));
  if (history.size() != n) history.resize(n, 0.0);
}

void PushSample(std::vector<double>& history, double value) {
  if (history.empty()) return;
  std::rotate(history.begin(), history.begin() + 1, history.end());
  history.back() = value;
}

}  // namespace zelmora
