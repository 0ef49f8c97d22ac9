#include "cli/ProgressReporter.h"

#include <algorithm>
#include <ostream>
#include <system_error>

#include "cli/ProgressLine.h"
#include "engine/run/CExecutor.h"
#include "platform/Console.h"
#include "platform/EndingSignals.h"

namespace cli {
namespace {

constexpr std::chrono::milliseconds kEvery{100};
constexpr std::size_t kUnknownColumns = 80;

}  // namespace

ProgressReporter::ProgressReporter(std::ostream& err) : m_err(err) {}

ProgressReporter::~ProgressReporter() {
  Stop();
}

void ProgressReporter::Start(Mode mode, std::chrono::milliseconds after,
                             const engine::CExecutor& executor,
                             const std::vector<std::string>& inputs) {
  if (mode == Mode::kOff) return;
  m_mode = mode;
  m_after = after;
  m_pExecutor = &executor;
  m_pInputs = &inputs;
  m_start = Clock::now();
  m_rate.Restart(m_start);
  m_bStopping = false;
  if (after.count() == 0) {
    const std::lock_guard lock(m_mutex);
    Update(m_start);
  }
  try {
    m_thread = platform::StartThreadWithoutSignals([this] { Loop(); });
  } catch (const std::system_error&) {
    // No thread to spare: the run goes on without its line.
    const std::lock_guard lock(m_mutex);
    Clear();
    m_mode = Mode::kOff;
  }
}

void ProgressReporter::Stop() {
  if (!m_thread.joinable()) return;
  {
    const std::lock_guard lock(m_mutex);
    m_bStopping = true;
  }
  m_wake.notify_one();
  m_thread.join();
  const std::lock_guard lock(m_mutex);
  const Clock::time_point now = Clock::now();
  if (now - m_start >= m_after) Update(now);
  Clear();
  m_mode = Mode::kOff;
}

std::unique_lock<std::mutex> ProgressReporter::Pause() {
  std::unique_lock lock(m_mutex);
  Clear();
  return lock;
}

void ProgressReporter::Loop() {
  std::unique_lock lock(m_mutex);
  Clock::time_point next = m_start + std::max(m_after, kEvery);
  while (!m_wake.wait_until(lock, next, [this] { return m_bStopping; })) {
    const Clock::time_point now = Clock::now();
    Update(now);
    next = now + kEvery;
  }
}

void ProgressReporter::Update(Clock::time_point now) {
  ProgressFigures f;
  const engine::CExecutor::Progress progress = m_pExecutor->GetProgress();
  f.nTotal = progress.nTotal;
  f.nDone = progress.nDone;
  f.nFilesDone = progress.nFilesDone;
  f.nFiles = m_pInputs->size();
  if (f.nFilesDone < f.nFiles) f.current = (*m_pInputs)[f.nFilesDone];

  m_rate.Add(now, f.nDone);
  f.bytesPerSecond = m_rate.BytesPerSecond();

  const int terminal = m_mode == Mode::kLines ? 0 : platform::TerminalColumns();
  const std::size_t columns = terminal > 0 ? static_cast<std::size_t>(terminal) : kUnknownColumns;
  std::string text = ComposeProgressLine(f, m_mode == Mode::kLines ? 0 : columns);
  if (text == m_strShown) return;  // a run that waits fills no log with the same line
  m_strShown = text;
  if (m_mode == Mode::kLines) {
    m_err << text << "\n" << std::flush;
    return;
  }
  const std::size_t width = DisplayWidth(text);
  // Spaces cover what is left of a longer line before it.
  m_err << "\r" << text << std::string(m_nShown - std::min(m_nShown, width), ' ') << std::flush;
  m_nShown = std::max(m_nShown, width);
  // With a "^C" the terminal may echo after it.
  platform::NoteStatusLine(static_cast<int>(std::min(m_nShown + 2, columns - 1)));
}

void ProgressReporter::Clear() {
  if (m_nShown == 0) return;  // nothing on the terminal (or plain lines, which stay)
  // A terminal made narrower meanwhile has wrapped the line already; spaces past its width
  // would only add a row.
  const int terminal = platform::TerminalColumns();
  const std::size_t width =
      terminal > 0 ? std::min(m_nShown, static_cast<std::size_t>(terminal) - 1) : m_nShown;
  m_err << "\r" << std::string(width, ' ') << "\r" << std::flush;
  m_nShown = 0;
  m_strShown.clear();
  platform::NoteStatusLine(0);
}

}  // namespace cli
