#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace cli {

// The run's recent speed in input bytes a second, from the executor's work counts (two a
// byte) taken as the run goes: over the last few seconds, so that it follows a run that
// speeds up or slows down, and nothing before half a second, when it would be noise.
class ProgressRate {
 public:
  using Clock = std::chrono::steady_clock;

  void Restart(Clock::time_point at);
  void Add(Clock::time_point at, std::uint64_t nDone);
  [[nodiscard]] std::optional<double> BytesPerSecond() const;

 private:
  struct Sample {
    Clock::time_point at;
    std::uint64_t nDone;
  };
  std::deque<Sample> m_samples;
};

}  // namespace cli
