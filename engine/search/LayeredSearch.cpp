#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/search/CSearcher.h"
#include "engine/sections/CSectionStore.h"
#include "platform/MessageBox.h"

namespace engine {

inline void CSearcher::TopSectionAdded(const CCluster& cluster) {
  if (cluster.m_byLayer != 0 || m_nPos < m_nNextTop || !m_onTopSections) return;
  m_nNextTop = m_nPos + m_nTopStep;
  m_onTopSections();
}

std::uint8_t CSearcher::SearchLayer(CSectionStore& store, CCluster& cluster, std::uint8_t mode) {
  CCluster& K = cluster;
  // Opening block tags met while this cluster is at or above its limit, not yet closed.
  std::uint32_t pending = 0;
  const bool bDivides = K.m_byLayer < K.m_byLayerLimit;

  for (;;) {
    const int r = SearchTag(mode);
    if (m_nPos >= m_nNextCheckpoint && m_checkpoint) {
      m_nNextCheckpoint = m_nPos + kCheckpointStep;
      if (!m_checkpoint(m_nPos)) return kLayerStopped;
    }
    if (r != kFound) {
      if (r == kSearchError) {
        platform::AfxMessageBox(Format(msg::kLayerError, int{K.m_byLayer}));
        return kLayerSearchError;
      }
      // The buffer ran out: the cluster ends with the buffer, so no trailing byte is lost.
      const auto end = static_cast<Offset>(m_nBufferSize);
      K.EndLastHead(store, end);
      K.UpdateLength(store);
      return kLayerBufferEnd;
    }

    const auto p = static_cast<Offset>(m_nMatchPos);
    const auto n = static_cast<Offset>(m_nMatchLength);
    CSection* S = K.GetLastSection(store);
    // The body's end (or the document's) at `at` ends this cluster where its tag begins.
    const auto endAt = [&](Offset at, std::uint8_t result) {
      K.EndLastHead(store, at);
      K.m_nCloseLength = 0;
      K.UpdateLength(store);
      return result;
    };

    switch (GroupKeyCode(m_nMatchCode)) {
      case 15: {  // a block opens
        if (!bDivides) {
          ++pending;
          continue;
        }
        K.m_bLeaf = 0;
        K.EndLastHead(store, p);
        K.OpenLastNested(store, p, n);
        if (S->m_cluster.AddSection(store) != 0) return kLayerNoMemory;
        const std::uint8_t r2 = SearchLayer(store, S->m_cluster, mode);
        // A nested tree that ran out of memory is incomplete; going on would drop its bytes.
        if (r2 == kLayerNoMemory || r2 == kLayerStopped) return r2;
        if (r2 == kLayerBodyEnd || r2 == kLayerDocumentEnd) {
          // The end tag closes every block left open: the block stays in its section, and
          // the tag is the trailer's, never a section of this layer.
          if (K.AddSection(store) != 0) return kLayerNoMemory;
          return endAt(static_cast<Offset>(m_nMatchPos), r2);
        }
        if (m_bMatchComplete) {
          if (K.AddSection(store) != 0) return kLayerNoMemory;
          TopSectionAdded(K);
          continue;
        }
        const std::size_t end = r2 == kLayerBufferEnd ? m_nBufferSize : m_nPos;
        K.m_nLength = static_cast<Offset>(end) - K.m_nStart;
        return r2;
      }
      case 16:  // a block closes
        if (pending > 0) {
          --pending;
          continue;
        }
        K.EndLastHead(store, p);
        K.m_nCloseLength = n;
        K.UpdateLength(store);
        return kLayerClosed;
      case 5:   // <HR>
      case 10:  // the user separator string
        if (!bDivides) continue;
        // A cluster divided by separators is no longer written unchanged, as after a block.
        K.m_bLeaf = 0;
        K.EndLastHead(store, p);
        K.OpenLastNested(store, p, n);
        S->m_cluster.m_nLength = n;
        K.UpdateLength(store);
        if (K.AddSection(store) != 0) return kLayerNoMemory;
        TopSectionAdded(K);
        continue;
      case 3:  // body end
        return endAt(p, kLayerBodyEnd);
      case 4:  // document end
        return endAt(p, kLayerDocumentEnd);
      default:  // centering tags and anything else stay part of the current head
        continue;
    }
  }
}

}  // namespace engine
