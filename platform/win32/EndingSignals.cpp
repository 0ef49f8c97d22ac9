// The console events that end the program (Ctrl-C, Ctrl-Break, closing the console, logging
// off, shutting down) and what happens to a finished output being put in place when one
// comes. The new file itself needs no list of names to remove: the system deletes it on
// close however the program ends, until it is kept just before it takes the target's place.
#include "platform/EndingSignals.h"

#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/File.h"
#include "platform/win32/ConsoleEvents.h"

namespace platform {
namespace {

std::once_flag g_installOnce;
std::mutex g_lock;  // orders a hold against an event deciding to end the program
bool g_bHeld = false;
bool g_bEnding = false;        // an event decided to end the program; it waits for the hold
HANDLE g_hReleased = nullptr;  // set while nothing is held
std::atomic<bool> g_holdAfterPlacing{false};
std::atomic<std::atomic<int>*> g_pStopFlag{nullptr};
HANDLE g_hRunEnded = nullptr;

// Called on a thread of its own. The first event of a run stops the run as the desktop
// program's stop does; closing the console, which ends the program when this returns,
// first waits a little for the run to stop. Any other event ends the program, but not while
// a finished output is put in place or, in a program that asked for it, after that until
// the next file is opened: the program's own end, having reported its success, comes first.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  std::atomic<int>* flag = g_pStopFlag.load();
  if (flag != nullptr && flag->exchange(1) == 0) {
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
      ::WaitForSingleObject(g_hRunEnded, 4000);
    }
    return TRUE;
  }
  {
    const std::lock_guard lock(g_lock);
    g_bEnding = true;
  }
  ::WaitForSingleObject(g_hReleased, INFINITE);
  ClearStatusLine();
  return FALSE;  // the system's own handler ends the program
}

void Install() {
  std::call_once(g_installOnce, [] {
    g_hReleased = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    g_hRunEnded = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  });
}

}  // namespace

void SetConsoleStopFlag(std::atomic<int>* flag) {
  Install();
  if (flag != nullptr) ::ResetEvent(g_hRunEnded);
  g_pStopFlag.store(flag);
  if (flag == nullptr) ::SetEvent(g_hRunEnded);
}

EndingSignalHold::EndingSignalHold() {
  Install();
  const std::lock_guard lock(g_lock);
  if (g_bHeld) return;  // still held since the last file was placed
  g_bHeld = true;
  ::ResetEvent(g_hReleased);
}

EndingSignalHold::~EndingSignalHold() {
  if (!m_bKeep) ReleaseHeldSignals();
}

bool EndingSignalHold::Pending() const {
  const std::lock_guard lock(g_lock);
  return g_bEnding;
}

void EndingSignalHold::Placed() {
  m_bKeep = g_holdAfterPlacing.load();
}

void ReleaseHeldSignals() {
  const std::lock_guard lock(g_lock);
  if (!g_bHeld) return;
  g_bHeld = false;
  ::SetEvent(g_hReleased);
}

void HoldEndingSignalsAfterPlacing() {
  g_holdAfterPlacing.store(true);
}

// Console events come on a thread of the system's; no thread of the program's takes them.
std::thread StartThreadWithoutSignals(std::function<void()> body) {
  return std::thread(std::move(body));
}

}  // namespace platform
