#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "platform/File.h"

namespace engine {

// Memory of its own that bytes of a file are read into, kept for the next read. A mapped
// input's bytes are read through here where the first touch of each mapped page costs more
// than the read (virtual machines with shadow page tables: a 256 MiB log took 0.10 s to
// touch and 0.03 s to read).
class CReadBuffer {
 public:
  // The `count` bytes at `offset` of `source`; null when there is no memory for them or
  // fewer could be read (the file was cut meanwhile). Valid until the next Read or Copy.
  const std::uint8_t* Read(platform::FileHandle source, std::uint64_t offset, std::size_t count);
  // The same bytes copied from the file's view `view`, in one pass from the first to the
  // last; null when there is no memory for them.
  const std::uint8_t* Copy(const std::uint8_t* view, std::uint64_t offset, std::size_t count);

 private:
  std::uint8_t* Room(std::uint64_t offset, std::size_t count);

  static constexpr std::size_t kAlign = 64;
  struct AlignedDelete {
    void operator()(std::uint8_t* p) const { ::operator delete[](p, std::align_val_t{kAlign}); }
  };
  std::unique_ptr<std::uint8_t[], AlignedDelete> m_pBytes;
  std::size_t m_nCapacity = 0;
};

}  // namespace engine
