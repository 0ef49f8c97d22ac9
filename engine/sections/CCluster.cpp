#include "engine/sections/CCluster.h"

#include "engine/sections/CSection.h"
#include "engine/sections/CSectionStore.h"

namespace engine {

int CCluster::Reset() {
  m_byLayer = 0;
  m_nFirstSection = 0;
  m_nCount = 0;
  m_nStart = 0;
  m_nLength = 0;
  m_nLeadLength = 0;
  m_nCloseLength = 0;
  m_bLeaf = 1;
  return 0;
}

int CCluster::AddSection(CSectionStore& store) {
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

CSection* CCluster::GetLastSection(CSectionStore& store) const {
  if (m_nCount == 0) return nullptr;
  return &store.At(static_cast<std::uint8_t>(m_byLayer + 1), m_nFirstSection + m_nCount - 1);
}

CSection& CCluster::GetSection(CSectionStore& store, Offset index) const {
  return store.At(static_cast<std::uint8_t>(m_byLayer + 1), m_nFirstSection + index);
}

void CCluster::EndLastHead(CSectionStore& store, Offset offset) {
  CSection* s = GetLastSection(store);
  if (s == nullptr) return;
  s->m_nHeadLength = offset - s->Start();
  s->m_cluster.m_nStart = offset;
}

int CCluster::OpenLastNested(CSectionStore& store, Offset offset, Offset lead) {
  CSection* s = GetLastSection(store);
  if (s == nullptr) return -1;
  s->m_nHeadLength = offset - s->Start();
  s->m_cluster.m_nStart = offset;
  s->m_cluster.m_nLeadLength = lead;
  return 0;
}

CCluster* CCluster::GetLastNested(CSectionStore& store) const {
  CSection* s = GetLastSection(store);
  return s ? &s->m_cluster : nullptr;
}

void CCluster::UpdateLength(CSectionStore& store) {
  const CSection* s = GetLastSection(store);
  const Offset end = s ? s->m_cluster.m_nStart + s->m_cluster.m_nLength : m_nStart + m_nLeadLength;
  m_nLength = end - m_nStart + m_nCloseLength;
}

}  // namespace engine
