#include "cli/ProgressRate.h"

#include <algorithm>

namespace cli {
namespace {

constexpr std::chrono::seconds kRateWindow{3};
constexpr std::chrono::milliseconds kShortestSpan{500};

}  // namespace

void ProgressRate::Restart(Clock::time_point at) {
  m_samples.assign(1, {at, 0});
}

void ProgressRate::Add(Clock::time_point at, std::uint64_t nDone) {
  m_samples.push_back({at, nDone});
  // The oldest kept sample is the last one at least a window old.
  while (m_samples.size() > 2 && at - m_samples[1].at >= kRateWindow) m_samples.pop_front();
}

std::optional<double> ProgressRate::BytesPerSecond() const {
  if (m_samples.size() < 2) return std::nullopt;
  const Sample& first = m_samples.front();
  const Sample& last = m_samples.back();
  if (last.at - first.at < kShortestSpan) return std::nullopt;
  const std::chrono::duration<double> span = last.at - first.at;
  return static_cast<double>(last.nDone - std::min(first.nDone, last.nDone)) / 2 / span.count();
}

}  // namespace cli
