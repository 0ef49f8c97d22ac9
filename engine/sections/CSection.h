#pragma once

#include "engine/sections/CCluster.h"

namespace engine {

// One piece of a cluster: its head text followed by a nested cluster (the separator that
// ended the head, an opened block with sections of its own, or nothing). The nested
// cluster starts where the head ends, opened or not, so the section's start and length
// follow from the two and take no room: a table log has a section per 140 bytes.
class CSection {
 public:
  Offset m_nHeadLength = 0;
  CCluster m_cluster;

  Offset Start() const { return m_cluster.m_nStart - m_nHeadLength; }
  // The head starts the section.
  Offset HeadStart() const { return Start(); }
  // m_nHeadLength plus the nested cluster's length; 0 for an empty section.
  Offset TotalLength() const { return m_nHeadLength + m_cluster.m_nLength; }
  std::uint8_t Layer() const { return m_cluster.m_byLayer; }
};

}  // namespace engine
