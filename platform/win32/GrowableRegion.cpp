#include "platform/GrowableRegion.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kInitialCapacity = 64 << 10;
// Address space set aside at once, so that a region grows in place: reserved pages cost
// nothing, committed ones count only once they are touched.
constexpr std::size_t kMinSpan = std::size_t{1} << 30;

}  // namespace

CGrowableRegion::~CGrowableRegion() {
  Release();
}

// Windows cannot move pages to a larger reservation: a region grows inside a large
// reserved span, and only one that outgrows its span is copied to a new one.
bool CGrowableRegion::Reserve(std::size_t bytes) {
  if (bytes <= m_nCapacity) return true;
  std::size_t capacity = std::max(kInitialCapacity, m_nCapacity);
  while (capacity < bytes) {
    if (capacity > (static_cast<std::size_t>(-1) >> 2)) return false;
    capacity *= 2;
  }
  if (m_pData != nullptr) {
    char* end = static_cast<char*>(m_pData) + m_nCapacity;
    MEMORY_BASIC_INFORMATION room{};
    if (::VirtualQuery(end, &room, sizeof room) != 0 && room.State == MEM_RESERVE &&
        room.AllocationBase == m_pData && room.RegionSize >= capacity - m_nCapacity) {
      if (::VirtualAlloc(end, capacity - m_nCapacity, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        return false;
      }
      m_nCapacity = capacity;
      return true;
    }
  }
  void* p = ::VirtualAlloc(nullptr, std::max(kMinSpan, 2 * capacity), MEM_RESERVE, PAGE_NOACCESS);
  if (p == nullptr) return false;
  if (::VirtualAlloc(p, capacity, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
    ::VirtualFree(p, 0, MEM_RELEASE);
    return false;
  }
  if (m_pData != nullptr) {
    std::memcpy(p, m_pData, m_nCapacity);
    ::VirtualFree(m_pData, 0, MEM_RELEASE);
  }
  m_pData = p;
  m_nCapacity = capacity;
  return true;
}

// Committed pages are made on first touch, and Windows has no call that makes them ahead.
void CGrowableRegion::PopulateTo(std::size_t) {}

void CGrowableRegion::Release() {
  if (m_pData != nullptr) ::VirtualFree(m_pData, 0, MEM_RELEASE);
  m_pData = nullptr;
  m_nCapacity = 0;
}

// Large pages need a privilege an ordinary user does not hold.
void AdviseLargePages(void*, std::size_t) {}

}  // namespace platform
