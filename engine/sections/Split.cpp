#include <new>

#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/MessageBox.h"

namespace engine {

int CExecutor::FindHeader() {
  if (m_searcher.SearchTag(kModeHtml) != kFound) return kSplitCannot;
  m_nHeaderPos = m_searcher.m_nMatchPos;
  if (m_searcher.SearchTag(kModeBody) != kFound) return kSplitCannot;
  if (m_searcher.m_nMatchCode == kCodeBody) {
    m_nBodyStart = m_searcher.m_nMatchPos + m_searcher.m_nMatchLength;
    m_nHeaderLength = m_nBodyStart - m_nHeaderPos;
    return kSplitOk;
  }
  return m_searcher.m_nMatchCode == kCodeHtmlEnd ? kSplitHtmlEndFirst : kSplitCannot;
}

int CExecutor::Split() {
  if (!ReadInput()) return kSplitCannot;
  int result;
  {
    // The index thread reads the buffer: it must end before anything else can happen to it.
    struct StopIndex {
      CSearcher& searcher;
      ~StopIndex() { searcher.StopIndex(); }
    } stop{m_searcher};
    result = SplitLoaded();
  }
  return ReportLostInput() ? kSplitCannot : result;
}

// One read of the whole file, unless it is mapped. A file that shrank or failed since it
// was opened must not be written: part of the buffer would hold no file bytes.
bool CExecutor::ReadInput() {
  if (platform::IsMapped(m_pFileData)) return true;
  try {
    m_fileIn.SeekToBegin();
    if (m_fileIn.Read(m_pFileData.get(), m_nFileSize) != m_nFileSize) {
      platform::AfxMessageBox(std::string(msg::kCannotRead) +
                              FileErrorCauseText(platform::CFileException::endOfFile));
      return false;
    }
  } catch (const platform::CFileException& e) {
    platform::AfxMessageBox(std::string(msg::kCannotRead) + FileErrorCauseText(e.m_cause));
    return false;
  }
  if (m_bEuc == 1) ConvertEucToSjis();
  return true;
}

int CExecutor::SplitLoaded() {
  m_bTrailerFound = 0;
  m_bHeaderFound = 0;
  m_rootCluster.Reset();
  m_sections.Clear();

  const int header = FindHeader();
  if (header != kSplitOk) return header;
  m_bHeaderFound = 1;

  try {
    m_rootCluster.m_nStart = static_cast<Offset>(m_nBodyStart);
    m_rootCluster.m_byLayerLimit = m_byLayerLimit;
    m_searcher.m_bAutoClose = m_bAutoClose;
    if (m_rootCluster.AddSection(m_sections) != 0) {
      platform::AfxMessageBox(msg::kDefaultCluster);
      return kSplitNoMemory;
    }
    m_searcher.IndexAhead(m_nStartMode, m_nBodyStart);
    switch (m_searcher.SearchLayer(m_sections, m_rootCluster, m_nStartMode)) {
      case kLayerBodyEnd: {
        m_nTrailerPos = m_searcher.m_nMatchPos;
        m_nTrailerLength = m_searcher.m_nMatchLength;
        const int r = m_searcher.SearchTag(kModeHtmlEnd);
        if (r == kFound) {
          m_nTrailerLength = m_searcher.m_nMatchPos + m_searcher.m_nMatchLength - m_nTrailerPos;
          m_bTrailerFound = 1;
          return kSplitOk;
        }
        return r == kNotFound ? kSplitOk : kSplitCannot;
      }
      case kLayerDocumentEnd:
        m_nTrailerPos = m_searcher.m_nMatchPos;
        m_nTrailerLength = m_searcher.m_nMatchLength;
        m_bTrailerFound = 1;
        return kSplitOk;
      case kLayerNoMemory:
        return kSplitNoMemory;
      case kLayerBufferEnd:
        return kSplitOk;
      default:
        return kSplitCannot;
    }
  } catch (const std::bad_alloc&) {
    return kSplitNoMemory;
  }
}

}  // namespace engine
