#include "engine/search/ReadBuffer.h"

#include <new>

namespace engine {

const std::uint8_t* CReadBuffer::Read(platform::FileHandle source, std::uint64_t offset,
                                      std::size_t count) {
  if (count > m_nCapacity) {
    // Reads differ in length a little: room for the next ones too, without new memory and
    // its fresh pages each time.
    const std::size_t capacity = count + count / 4;
    m_pBytes.reset(new (std::nothrow) std::uint8_t[capacity]);
    m_nCapacity = m_pBytes ? capacity : 0;
    if (!m_pBytes) return nullptr;
  }
  if (!platform::ReadAt(source, offset, m_pBytes.get(), count)) return nullptr;
  return m_pBytes.get();
}

}  // namespace engine
