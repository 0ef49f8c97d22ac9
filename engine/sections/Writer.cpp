#include <algorithm>

#include "engine/run/CExecutor.h"

namespace engine {
namespace {
// Reversed clusters at least this long are read with prefetching, this far ahead.
constexpr std::size_t kPrefetchCluster = 64u << 10;
constexpr std::size_t kPrefetchAhead = 4u << 10;
}  // namespace

int CExecutor::ChooseOrder(const CCluster& cluster) const {
  if (cluster.m_bLeaf) return kUnchanged;
  if (cluster.m_byLayer >= cluster.m_byLayerLimit) return kUnchanged;
  return m_abyReverse[cluster.m_byLayer + 1u] ? kReversed : kInOrder;
}

CExecutor::CutBounds CExecutor::Bounds(const CCluster& cluster) const {
  return Bounds(cluster, cluster.m_nCount);
}

CExecutor::CutBounds CExecutor::Bounds(const CCluster& cluster, std::size_t n) const {
  if (!m_abyRange[cluster.m_byLayer + 1u]) return {0, n, n};
  const std::size_t lead = std::min<std::size_t>(std::max(m_nLeadCut, 0), n);
  const std::size_t trail = std::min<std::size_t>(std::max(m_nTrailCut, 0), n);
  return {lead, lead + trail >= n ? lead : n - trail, std::max(lead, n - trail)};
}

void CExecutor::WriteClusterBytes(const CCluster& cluster) {
  if (cluster.m_nLength == 0) return;
  const std::size_t n = cluster.m_nCount;
  const int order = n == 0 ? kUnchanged : ChooseOrder(cluster);
  if (order == kUnchanged) {
    Copy(cluster.m_nStart, cluster.m_nLength);
    return;
  }
  Copy(cluster.m_nStart, cluster.m_nLeadLength);

  auto section = [&](std::size_t i) -> const CSection& {
    return cluster.GetSection(m_sections, static_cast<Offset>(i));
  };
  auto copyUnchanged = [&](std::size_t i) {
    const CSection& s = section(i);
    Copy(s.Start(), s.TotalLength());
  };
  auto writeRange = [&](std::size_t from, std::size_t to) {  // [from, to)
    if (order == kInOrder) {
      for (std::size_t i = from; i < to; ++i) WriteSectionBytes(section(i));
      return;
    }
    // The processor fetches ahead of a forward walk only: in a long cluster written
    // backwards, the bytes (long out of the cache since the search) are asked for a few
    // kilobytes before they are copied, which saves a third of the copying.
    const bool bLong = cluster.m_nLength >= kPrefetchCluster;
    std::size_t fetched =
        bLong && to > from ? section(to - 1).Start() + section(to - 1).TotalLength() : 0;
    for (std::size_t i = to; i > from; --i) {
      const CSection& s = section(i - 1);
      const std::size_t target = s.Start() > kPrefetchAhead ? s.Start() - kPrefetchAhead : 0;
      for (; fetched > target; fetched -= std::min<std::size_t>(fetched, 64)) {
        __builtin_prefetch(m_pFileData.get() + fetched - 1);
      }
      WriteSectionBytes(s);
    }
  };

  const CutBounds b = Bounds(cluster);
  if (m_bCutOutsideRange) {
    for (std::size_t i = 0; i < b.lead; ++i) copyUnchanged(i);
  }
  writeRange(b.lead, b.rangeEnd);
  if (m_bCutOutsideRange) {
    for (std::size_t i = b.trailStart; i < n; ++i) copyUnchanged(i);
  }
  if (cluster.m_byLayer != 0) Copy(cluster.ClosePos(), cluster.m_nCloseLength);
}

void CExecutor::WriteSectionBytes(const CSection& section) {
  if (section.TotalLength() == 0) return;
  if (m_abyReverse[section.Layer()] && m_bSeparatorFirst) {
    WriteClusterBytes(section.m_cluster);
    Copy(section.HeadStart(), section.m_nHeadLength);
  } else {
    Copy(section.HeadStart(), section.m_nHeadLength);
    WriteClusterBytes(section.m_cluster);
  }
}

int CExecutor::WriteCluster(const CCluster& cluster) {
  try {
    WriteClusterBytes(cluster);
  } catch (const platform::CFileException&) {
    return -1;
  }
  return 0;
}

}  // namespace engine
