#include "engine/sections/CSectionStore.h"

#include <algorithm>
#include <type_traits>

namespace engine {

static_assert(std::is_trivially_copyable_v<CSection>, "sections move with their region");
static_assert(sizeof(CSection) == 32, "a section's size is part of the memory a run needs");

// The array grows by a step at a time, each backed with memory at once: a table log makes
// a section per 140 bytes, and a page fault per 128 sections cost a tenth of a run's time.
// The step grows with the array, so a small file touches little memory.
bool CSectionStore::Grow(Layer& l) {
  constexpr std::size_t kMaxCount = static_cast<Offset>(-1);
  constexpr std::size_t kMinStep = (64u << 10) / sizeof(CSection);
  constexpr std::size_t kMaxStep = (1u << 20) / sizeof(CSection);
  if (l.capacity == kMaxCount) return false;
  const std::size_t step = std::clamp<std::size_t>(l.capacity, kMinStep, kMaxStep);
  const std::size_t wanted = std::min<std::size_t>(std::size_t{l.capacity} + step, kMaxCount);
  if (!l.region.Reserve(wanted * sizeof(CSection))) return false;
  l.data = static_cast<CSection*>(l.region.Data());
  l.region.PopulateTo(wanted * sizeof(CSection));
  l.capacity = static_cast<Offset>(wanted);
  return true;
}

void CSectionStore::Clear() {
  for (Layer& l : m_layers) l.count = 0;
}

void CSectionStore::KeepLast(std::uint8_t layer) {
  Layer& l = m_layers[layer];
  if (l.count == 0) return;
  l.data[0] = l.data[l.count - 1];
  l.count = 1;
  for (std::size_t below = layer + 1u; below < m_layers.size(); ++below) m_layers[below].count = 0;
}

}  // namespace engine
