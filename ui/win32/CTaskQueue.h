#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

namespace win32ui {

// Work other threads hand to a window's thread: queued under a lock, then run when the
// window takes kWmTask. Tasks left when the window goes are dropped.
class CTaskQueue {
 public:
  static constexpr UINT kWmTask = WM_APP + 1;

  void Attach(HWND hWnd);
  void Detach();
  // Any thread; wakes the window's thread even when the window is gone.
  void Post(std::function<void()> task);
  // On the window's thread, at kWmTask.
  void RunAll();

 private:
  std::mutex m_mutex;
  std::deque<std::function<void()>> m_tasks;
  std::atomic<HWND> m_hWnd{nullptr};
  DWORD m_nThread = GetCurrentThreadId();
};

}  // namespace win32ui
