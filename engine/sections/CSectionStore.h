#pragma once

#include <array>
#include <cstdint>
#include <new>

#include "engine/sections/CSection.h"
#include "platform/GrowableRegion.h"

namespace engine {

// Owns every section of one file's tree, one array per layer. The layered search finishes
// a cluster before it opens another of the same layer, so each cluster's sections stand
// contiguously in the array of their layer and a cluster only needs its first index.
class CSectionStore {
 public:
  CSectionStore() = default;
  CSectionStore(const CSectionStore&) = delete;
  CSectionStore& operator=(const CSectionStore&) = delete;

  // Appends a section of `layer`, its fields at their defaults; nullptr when memory runs out.
  CSection* Append(std::uint8_t layer) {
    Layer& l = m_layers[layer];
    if (l.count == l.capacity && !Grow(l)) return nullptr;
    return new (l.data + l.count++) CSection();
  }
  CSection& At(std::uint8_t layer, Offset index) { return m_layers[layer].data[index]; }
  const CSection& At(std::uint8_t layer, Offset index) const { return m_layers[layer].data[index]; }
  Offset Count(std::uint8_t layer) const { return m_layers[layer].count; }
  // Forgets all sections; keeps the memory for the next file.
  void Clear();
  // Forgets every section of `layer` but the last, which becomes the first, and every section
  // of the layers below it; keeps their memory.
  void KeepLast(std::uint8_t layer);

 private:
  struct Layer {
    CSection* data = nullptr;
    Offset count = 0;
    Offset capacity = 0;
    platform::CGrowableRegion region;
  };
  static bool Grow(Layer& l);
  std::array<Layer, 256> m_layers;
};

// The tree's hot operations, inline: a table log makes a section per 140 bytes.
inline int CCluster::AddSection(CSectionStore& store) {
  const std::uint8_t layer = static_cast<std::uint8_t>(m_byLayer + 1);
  if (layer == 0) return -1;  // a tree 256 layers deep has no room for another
  // Sections of one cluster must stay contiguous in their layer's array.
  if (m_nCount != 0 && store.Count(layer) != m_nFirstSection + m_nCount) return -1;
  const Offset first = m_nCount == 0 ? store.Count(layer) : m_nFirstSection;
  Offset start = m_nStart + m_nLeadLength;
  if (m_nCount != 0) {
    const CSection& last = store.At(layer, m_nFirstSection + m_nCount - 1);
    start = last.m_cluster.m_nStart + last.m_cluster.m_nLength;
  }
  CSection* s = store.Append(layer);
  if (s == nullptr) return -1;
  s->m_cluster.m_nStart = start;  // an empty head, the nested cluster not yet opened
  s->m_cluster.m_byLayer = layer;
  s->m_cluster.m_byLayerLimit = m_byLayerLimit;
  m_nFirstSection = first;
  ++m_nCount;
  return 0;
}

inline CSection* CCluster::GetLastSection(CSectionStore& store) const {
  if (m_nCount == 0) return nullptr;
  return &store.At(static_cast<std::uint8_t>(m_byLayer + 1), m_nFirstSection + m_nCount - 1);
}

inline CSection& CCluster::GetSection(CSectionStore& store, Offset index) const {
  return store.At(static_cast<std::uint8_t>(m_byLayer + 1), m_nFirstSection + index);
}
inline const CSection& CCluster::GetSection(const CSectionStore& store, Offset index) const {
  return store.At(static_cast<std::uint8_t>(m_byLayer + 1), m_nFirstSection + index);
}

inline void CCluster::EndLastHead(CSectionStore& store, Offset offset) {
  CSection* s = GetLastSection(store);
  if (s == nullptr) return;
  s->m_nHeadLength = offset - s->Start();
  s->m_cluster.m_nStart = offset;
}

inline int CCluster::OpenLastNested(CSectionStore& store, Offset offset, Offset lead) {
  CSection* s = GetLastSection(store);
  if (s == nullptr) return -1;
  s->m_nHeadLength = offset - s->Start();
  s->m_cluster.m_nStart = offset;
  s->m_cluster.m_nLeadLength = lead;
  return 0;
}

inline void CCluster::UpdateLength(CSectionStore& store) {
  const CSection* s = GetLastSection(store);
  const Offset end = s ? s->m_cluster.m_nStart + s->m_cluster.m_nLength : m_nStart + m_nLeadLength;
  m_nLength = end - m_nStart + m_nCloseLength;
}

}  // namespace engine
