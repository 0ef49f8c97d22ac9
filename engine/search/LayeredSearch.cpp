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

LayerResult CSearcher::SearchLayer(CSectionStore& store, CCluster& cluster, std::uint8_t mode) {
  using enum LayerResult;
  CCluster& K = cluster;
  // Opening block tags met while this cluster is at or above its limit, not yet closed.
  std::uint32_t pending = 0;
  const bool bDivides = K.m_byLayer < K.m_byLayerLimit;

  for (;;) {
    const SearchResult r = SearchTag(mode);
    if (m_nPos >= m_nNextCheckpoint && m_checkpoint) {
      m_nNextCheckpoint = m_nPos + kCheckpointStep;
      if (!m_checkpoint(m_nPos)) return kStopped;
    }
    if (r != SearchResult::kFound) {
      if (r == SearchResult::kError) {
        platform::AfxMessageBox(Format(msg::kLayerError, int{K.m_byLayer}));
        return kSearchError;
      }
      // The buffer ran out: the cluster ends with the buffer, so no trailing byte is lost.
      const auto end = static_cast<Offset>(m_nBufferSize);
      K.EndLastHead(store, end);
      K.UpdateLength(store);
      return kBufferEnd;
    }

    const auto p = static_cast<Offset>(m_nMatchPos);
    const auto n = static_cast<Offset>(m_nMatchLength);
    CSection* S = K.GetLastSection(store);
    // The body's end (or the document's) at `at` ends this cluster where its tag begins.
    const auto endAt = [&](Offset at, LayerResult result) {
      K.EndLastHead(store, at);
      K.m_nCloseLength = 0;
      K.UpdateLength(store);
      return result;
    };

    switch (GroupKeyCode(m_nMatchCode)) {
      case kCodeBlockOpen: {
        if (!bDivides) {
          ++pending;
          continue;
        }
        K.m_bLeaf = false;
        K.EndLastHead(store, p);
        K.OpenLastNested(store, p, n);
        if (S->m_cluster.AddSection(store) != 0) return kNoMemory;
        const LayerResult r2 = SearchLayer(store, S->m_cluster, mode);
        // A nested tree that ran out of memory is incomplete; going on would drop its bytes.
        if (r2 == kNoMemory || r2 == kStopped) return r2;
        if (r2 == kBodyEnd || r2 == kDocumentEnd) {
          // The end tag closes every block left open: the block stays in its section, and
          // the tag is the trailer's, never a section of this layer.
          if (K.AddSection(store) != 0) return kNoMemory;
          return endAt(static_cast<Offset>(m_nMatchPos), r2);
        }
        if (m_bMatchComplete) {
          if (K.AddSection(store) != 0) return kNoMemory;
          TopSectionAdded(K);
          continue;
        }
        const std::size_t end = r2 == kBufferEnd ? m_nBufferSize : m_nPos;
        K.m_nLength = static_cast<Offset>(end) - K.m_nStart;
        return r2;
      }
      case kCodeBlockClose:
        if (pending > 0) {
          --pending;
          continue;
        }
        K.EndLastHead(store, p);
        K.m_nCloseLength = n;
        K.UpdateLength(store);
        return kClosed;
      case kCodeHr:
      case kCodeUser:
        if (!bDivides) continue;
        // A cluster divided by separators is no longer written unchanged, as after a block.
        K.m_bLeaf = false;
        K.EndLastHead(store, p);
        K.OpenLastNested(store, p, n);
        S->m_cluster.m_nLength = n;
        K.UpdateLength(store);
        if (K.AddSection(store) != 0) return kNoMemory;
        TopSectionAdded(K);
        continue;
      case kCodeBodyEnd:
        return endAt(p, kBodyEnd);
      case kCodeHtmlEnd:
        return endAt(p, kDocumentEnd);
      default:  // centering tags and anything else stay part of the current head
        continue;
    }
  }
}

}  // namespace engine
