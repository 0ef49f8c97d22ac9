// The signals that end the process, and what happens to an unfinished new file when one
// comes. The handler may only read memory and call unlink, raise and signal.
#include "platform/EndingSignals.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/Console.h"
#include "platform/File.h"
#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

constexpr int kTempSlots = 8;
char g_tempNames[kTempSlots][PATH_MAX];
std::atomic<bool> g_tempUsed[kTempSlots];
std::once_flag g_cleanupOnce;
std::atomic<bool> g_holdAfterPlacing{false};
std::atomic<int> g_statusColumns{0};  // the width of the status line on standard error
thread_local sigset_t t_saved;
thread_local bool t_bHeld = false;

// Every signal whose default action ends the process and which comes from outside (kill,
// a terminal, a timer, a limit); the program's own faults (SIGSEGV and the like) are not
// caught.
const sigset_t& EndingSignals() {
  static const sigset_t set = [] {
    sigset_t s;
    sigemptyset(&s);
    for (const int sig : {SIGHUP, SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                          SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSTKFLT}) {
      sigaddset(&s, sig);
    }
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) sigaddset(&s, sig);
    return s;
  }();
  return set;
}

// Blanks the status line with write alone, which a handler may call.
void ClearStatusLine() {
  static constexpr auto kSpaces = [] {
    std::array<char, 64> spaces{};
    spaces.fill(' ');
    return spaces;
  }();
  int left = g_statusColumns.exchange(0);
  if (left <= 0) return;
  ssize_t n = ::write(STDERR_FILENO, "\r", 1);  // a failed write ends it
  while (n > 0 && left > 0) {
    n = ::write(STDERR_FILENO, kSpaces.data(), std::min<std::size_t>(left, kSpaces.size()));
    left -= static_cast<int>(n);
  }
  if (n > 0) n = ::write(STDERR_FILENO, "\r", 1);
}

void OnEndingSignal(int sig) {
  for (int i = 0; i < kTempSlots; ++i) {
    if (g_tempUsed[i].load(std::memory_order_acquire)) Sys().unlink(g_tempNames[i]);
  }
  ClearStatusLine();
  ::signal(sig, SIG_DFL);
  ::raise(sig);  // delivered when the handler returns: the process ends as it would have
}

// Only where the signal would end the process: a handler of the program's own, or an
// ignored signal (nohup, a closed pipe reported as a failed write), stays as it is.
void InstallCleanup() {
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  action.sa_mask = EndingSignals();
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction old {};
    if (sigismember(&EndingSignals(), sig) != 1 || ::sigaction(sig, nullptr, &old) != 0 ||
        (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) {
      continue;
    }
    ::sigaction(sig, &action, nullptr);
  }
}

}  // namespace

int RegisterTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  std::call_once(g_cleanupOnce, InstallCleanup);
  for (int i = 0; i < kTempSlots; ++i) {
    if (g_tempUsed[i].load(std::memory_order_acquire)) continue;
    std::memcpy(g_tempNames[i], path.c_str(), path.size() + 1);
    bool expected = false;
    if (g_tempUsed[i].compare_exchange_strong(expected, true)) return i;
  }
  return -1;
}

void UnregisterTemp(int slot) {
  if (slot >= 0) g_tempUsed[slot].store(false, std::memory_order_release);
}

EndingSignalHold::EndingSignalHold() {
  // Still held since the last file was placed: a signal that came meanwhile stays pending.
  if (t_bHeld) return;
  ::pthread_sigmask(SIG_BLOCK, &EndingSignals(), &t_saved);
  t_bHeld = true;
}

EndingSignalHold::~EndingSignalHold() {
  if (!m_bKeep) ReleaseHeldSignals();
}

bool EndingSignalHold::Pending() const {
  sigset_t pending;
  if (::sigpending(&pending) != 0) return false;
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction action {};
    // An ignored one, or one the program handles itself, does not end the process.
    if (sigismember(&pending, sig) == 1 && sigismember(&EndingSignals(), sig) == 1 &&
        ::sigaction(sig, nullptr, &action) == 0 &&
        (action.sa_handler == OnEndingSignal || action.sa_handler == SIG_DFL)) {
      return true;
    }
  }
  return false;
}

void EndingSignalHold::Placed() {
  m_bKeep = g_holdAfterPlacing.load();
}

void ReleaseHeldSignals() {
  if (!t_bHeld) return;
  t_bHeld = false;
  ::pthread_sigmask(SIG_SETMASK, &t_saved, nullptr);
}

void HoldEndingSignalsAfterPlacing() {
  g_holdAfterPlacing.store(true);
}

void NoteStatusLine(int columns) {
  // The line's clearing needs the handler, also in a run that registers no new file.
  if (columns > 0) std::call_once(g_cleanupOnce, InstallCleanup);
  g_statusColumns.store(columns);
}

std::thread StartThreadWithoutSignals(std::function<void()> body) {
  sigset_t saved;
  ::pthread_sigmask(SIG_BLOCK, &EndingSignals(), &saved);  // the new thread inherits the mask
  struct Restore {
    const sigset_t& mask;
    ~Restore() { ::pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{saved};
  return std::thread(std::move(body));
}

}  // namespace platform
