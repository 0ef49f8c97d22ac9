#include "platform/GrowableRegion.h"
#include "platform/posix/SysCalls.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {
constexpr std::size_t kInitialCapacity = 64 << 10;
}

CGrowableRegion::~CGrowableRegion() {
  Release();
}

bool CGrowableRegion::Reserve(std::size_t bytes) {
  if (bytes <= m_nCapacity) return true;
  std::size_t capacity = std::max(kInitialCapacity, m_nCapacity);
  while (capacity < bytes) {
    if (capacity > (static_cast<std::size_t>(-1) >> 2)) return false;
    capacity *= 2;
  }
  void* p;
  if (m_pData == nullptr) {
    p = Sys().mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  } else {
    p = Sys().mremap(m_pData, m_nCapacity, capacity, MREMAP_MAYMOVE);
  }
  if (p == MAP_FAILED) return false;
  m_pData = p;
  m_nCapacity = capacity;
  // A section array grows to tens of megabytes, and each small page of it costs a fault and,
  // in a virtual machine, the host's work on first touch: large pages took a table run from
  // 0.33 to 0.25 s on a virtual machine with memory to spare. Where memory must first be
  // compacted to make them, a fault may stall instead.
  AdviseLargePages(m_pData, m_nCapacity);
  return true;
}

void CGrowableRegion::PopulateTo(std::size_t bytes) {
  bytes = std::min(bytes, m_nCapacity);
  if (bytes <= m_nPopulated) return;
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t begin = m_nPopulated & ~(page - 1);
  // Kernels before 5.14 refuse the advice: the pages are then faulted in as they are touched.
  Sys().madvise(static_cast<char*>(m_pData) + begin, bytes - begin, MADV_POPULATE_WRITE);
#endif
  m_nPopulated = bytes;
}

void CGrowableRegion::Release() {
  if (m_pData != nullptr) Sys().munmap(m_pData, m_nCapacity);
  m_pData = nullptr;
  m_nCapacity = 0;
  m_nPopulated = 0;
}

void AdviseLargePages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Below one large page there is nothing to gain.
  if (data == nullptr || bytes < (2u << 20)) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(data) + bytes;
  Sys().madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace platform
