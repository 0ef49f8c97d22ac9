#include "engine/sections/CSectionStore.h"

#include <algorithm>
#include <type_traits>

namespace engine {

static_assert(std::is_trivially_copyable_v<CSection>, "sections move with their region");
static_assert(sizeof(CSection) == 32, "a section's size is part of the memory a run needs");

bool CSectionStore::Grow(Layer& l) {
  constexpr std::size_t kMaxCount = static_cast<Offset>(-1);
  if (l.capacity == kMaxCount) return false;
  const std::size_t wanted = std::min<std::size_t>(std::size_t{l.capacity} + 1, kMaxCount);
  if (!l.region.Reserve(wanted * sizeof(CSection))) return false;
  l.data = static_cast<CSection*>(l.region.Data());
  l.capacity = static_cast<Offset>(std::min(l.region.Capacity() / sizeof(CSection), kMaxCount));
  return true;
}

void CSectionStore::Clear() {
  for (Layer& l : m_layers) l.count = 0;
}

}  // namespace engine
