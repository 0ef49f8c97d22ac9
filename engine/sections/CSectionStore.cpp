#include "engine/sections/CSectionStore.h"

#include <new>
#include <type_traits>

namespace engine {

static_assert(std::is_trivially_copyable_v<CSection>, "sections move with their region");

CSection* CSectionStore::Append(std::uint8_t layer) {
  Layer& l = m_layers[layer];
  if (l.count == static_cast<Offset>(-1)) return nullptr;
  if (!l.region.Reserve((static_cast<std::size_t>(l.count) + 1) * sizeof(CSection))) return nullptr;
  auto* p = new (static_cast<CSection*>(l.region.Data()) + l.count) CSection();
  ++l.count;
  return p;
}

void CSectionStore::Clear() {
  for (Layer& l : m_layers) l.count = 0;
}

}  // namespace engine
