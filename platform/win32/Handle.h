#pragma once

#include <windows.h>

#include <utility>

#include "platform/File.h"

namespace platform {

// Error codes MinGW's headers lack: opening a folder as a file (ERROR_DIRECTORY_NOT_SUPPORTED),
// and a user's disk quota used up (ERROR_DISK_QUOTA_EXCEEDED).
constexpr DWORD kErrorIsFolder = 336;
constexpr DWORD kErrorDiskQuota = 1295;

inline HANDLE AsHandle(FileHandle fd) {
  return reinterpret_cast<HANDLE>(fd);
}

// An owned handle, closed when it goes; INVALID_HANDLE_VALUE and null both mean none.
class CHandle {
 public:
  explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
  ~CHandle() {
    if (*this) ::CloseHandle(m_h);
  }
  CHandle(CHandle&& other) noexcept : m_h(std::exchange(other.m_h, INVALID_HANDLE_VALUE)) {}
  CHandle& operator=(CHandle&&) = delete;
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;

  explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
  HANDLE Get() const { return m_h; }

 private:
  HANDLE m_h;
};

}  // namespace platform
