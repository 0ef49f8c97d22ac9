#include "ui/win32/CTaskQueue.h"

#include <utility>

namespace win32ui {

void CTaskQueue::Attach(HWND hWnd) {
  m_nThread = GetCurrentThreadId();
  m_hWnd = hWnd;
}

void CTaskQueue::Detach() {
  m_hWnd = nullptr;
  std::lock_guard lock(m_mutex);
  m_tasks.clear();
}

void CTaskQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  const HWND hWnd = m_hWnd;
  // A thread waiting in its message loop needs a message even without the window.
  if (!hWnd || !PostMessageW(hWnd, kWmTask, 0, 0)) PostThreadMessageW(m_nThread, WM_NULL, 0, 0);
}

void CTaskQueue::RunAll() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(m_mutex);
      if (m_tasks.empty()) return;
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
  }
}

}  // namespace win32ui
