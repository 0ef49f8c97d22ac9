#include "engine/run/CCommitGate.h"

namespace engine {

void CCommitGate::Reset() {
  const std::lock_guard lock(m_mutex);
  m_bHeld = false;
  m_bCommitting = false;
  m_bFinished = false;
}

bool CCommitGate::Hold() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return !m_bCommitting; });
  if (m_bFinished) return false;
  m_bHeld = true;
  return true;
}

void CCommitGate::Release() {
  {
    const std::lock_guard lock(m_mutex);
    m_bHeld = false;
  }
  m_changed.notify_all();
}

void CCommitGate::Enter() {
  std::unique_lock lock(m_mutex);
  m_bWaiting = m_bHeld;
  m_changed.wait(lock, [this] { return !m_bHeld; });
  m_bWaiting = false;
  m_bCommitting = true;
}

void CCommitGate::Leave() {
  {
    const std::lock_guard lock(m_mutex);
    m_bCommitting = false;
  }
  m_changed.notify_all();
}

void CCommitGate::Finish() {
  {
    const std::lock_guard lock(m_mutex);
    m_bFinished = true;
  }
  m_changed.notify_all();
}

bool CCommitGate::HasWaiter() {
  const std::lock_guard lock(m_mutex);
  return m_bWaiting;
}

}  // namespace engine
