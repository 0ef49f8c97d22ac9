#pragma once

#include "engine/sections/CCluster.h"

namespace engine {

// One piece of a cluster: its head text followed by a nested cluster (the separator that
// ended the head, an opened block with sections of its own, or nothing).
class CSection {
 public:
  Offset m_nStart = 0;
  // m_nHeadLength plus the nested cluster's length; 0 for an empty section.
  Offset m_nTotalLength = 0;
  Offset m_nIndex = 0;
  Offset m_nHeadStart = 0;
  Offset m_nHeadLength = 0;
  CCluster m_cluster;
  std::uint8_t m_byLayer = 0;

  void UpdateSpans() { m_nTotalLength = m_nHeadLength + m_cluster.m_nLength; }
};

}  // namespace engine
