#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/ProgressRate.h"

namespace engine {
class CExecutor;
}

namespace cli {

// Shows how far a run is from the counters the executor publishes for the desktop
// program's bar. A thread of its own reads them ten times a second, so that the run itself
// does no more than it did. On a terminal one line is drawn over itself and cleared at the
// end; elsewhere (--progress) each update is a line of its own, for a log.
class ProgressReporter {
 public:
  enum class Mode { kOff, kInPlace, kLines };

  explicit ProgressReporter(std::ostream& err);
  ~ProgressReporter();
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;

  // Shows `executor`'s run over `inputs` (its input list) once it has gone on for `after`;
  // with `after` 0 at once. Both must outlive Stop.
  void Start(Mode mode, std::chrono::milliseconds after, const engine::CExecutor& executor,
             const std::vector<std::string>& inputs);
  // After the run: the last figures, when the run lasted long enough to show any; a line on
  // the terminal is then cleared, so that the closing messages stand alone.
  void Stop();
  // Held while a message is written: a line on the terminal is taken away first, and
  // drawn again at the next update.
  [[nodiscard]] std::unique_lock<std::mutex> Pause();

 private:
  using Clock = std::chrono::steady_clock;
  void Loop();
  void Update(Clock::time_point now);  // with m_mutex held, as Clear
  void Clear();

  std::ostream& m_err;
  Mode m_mode = Mode::kOff;
  std::chrono::milliseconds m_after{0};
  const engine::CExecutor* m_pExecutor = nullptr;
  const std::vector<std::string>* m_pInputs = nullptr;
  Clock::time_point m_start;
  ProgressRate m_rate;
  std::string m_strShown;    // the last line written
  std::size_t m_nShown = 0;  // columns of the terminal the line covers
  std::mutex m_mutex;        // orders the line against the messages
  std::condition_variable m_wake;
  bool m_bStopping = false;
  std::thread m_thread;
};

}  // namespace cli
