#pragma once

#include <cstddef>

namespace platform {

// Anonymous memory that grows in place where the kernel can, and otherwise moves
// without copying (mremap). Pages count towards memory use only once they are touched,
// so a long array never holds an old and a new copy at once.
class CGrowableRegion {
 public:
  CGrowableRegion() = default;
  ~CGrowableRegion();
  CGrowableRegion(const CGrowableRegion&) = delete;
  CGrowableRegion& operator=(const CGrowableRegion&) = delete;

  // Makes room for at least `bytes`; false when memory runs out (the contents stay as they were).
  // The address may change.
  bool Reserve(std::size_t bytes);
  // Backs the first `bytes` (at most the capacity) with memory now, in one call instead of a
  // fault per page: faults cost most where the system runs in a virtual machine. A hint only.
  void PopulateTo(std::size_t bytes);
  void* Data() const { return m_pData; }
  std::size_t Capacity() const { return m_nCapacity; }
  void Release();

 private:
  void* m_pData = nullptr;
  std::size_t m_nCapacity = 0;
  std::size_t m_nPopulated = 0;
};

// Asks the kernel to back the pages of [data, data + bytes) with large pages where it
// can: a file buffer then costs a few hundred page faults instead of one per 4 KiB.
// A hint only; nothing changes when the kernel declines.
void AdviseLargePages(void* data, std::size_t bytes);

}  // namespace platform
