#include "engine/pinghistory.h"

#include <algorithm>

namespace zelmora {

std::int32_t ClampHistoryLength(std::int32_t datenmenge) {
  return std::clamp<std::int32_t>(datenmenge, 0, kMaxHistoryLength);
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
