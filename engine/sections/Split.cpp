#include <new>

#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/MessageBox.h"

namespace engine {

int CExecutor::FailSplit(int result, int failure, std::size_t pos, std::size_t length) {
  m_nSplitFailure = failure;
  m_nFailurePos = pos;
  m_nFailureLength = length;
  return result;
}

int CExecutor::FindHeader() {
  SearchResult r = m_searcher.SearchTag(kModeHtml);
  if (r != SearchResult::kFound)
    return FailSplit(kSplitCannot, r == SearchResult::kNotFound ? kFailNoHtml : kFailSearch);
  m_nHeaderPos = m_searcher.m_nMatchPos;
  r = m_searcher.SearchTag(kModeBody);
  if (r != SearchResult::kFound)
    return FailSplit(kSplitCannot, r == SearchResult::kNotFound ? kFailNoBody : kFailSearch,
                     m_nHeaderPos);
  if (m_searcher.m_nMatchCode == kCodeBody) {
    m_nBodyStart = m_searcher.m_nMatchPos + m_searcher.m_nMatchLength;
    m_nHeaderLength = m_nBodyStart - m_nHeaderPos;
    return kSplitOk;
  }
  if (m_searcher.m_nMatchCode == kCodeHtmlEnd) {
    return FailSplit(kSplitHtmlEndFirst, kFailHtmlEndFirst, m_searcher.m_nMatchPos);
  }
  return FailSplit(kSplitCannot, kFailSearch);
}

int CExecutor::Split() {
  m_nSplitFailure = kFailNone;
  if (!ReadInput()) return FailSplit(kSplitCannot, kFailRead);
  return SplitBuffer();
}

int CExecutor::SplitBuffer() {
  int result;
  {
    // The index thread reads the buffer: it must end before anything else can happen to it.
    struct StopIndex {
      CSearcher& searcher;
      ~StopIndex() { searcher.StopIndex(); }
    } stop{m_searcher};
    result = SplitLoaded();
  }
  return CheckLostInput() ? FailSplit(kSplitCannot, kFailLost) : result;
}

void CExecutor::SplitAgain() {
  m_nSplitFailure = kFailNone;
  m_searcher.Rewind();
  const int result = SplitBuffer();
  if (result != kSplitOk) throw SplitFailed{result};
}

// One read of the whole file, unless it is mapped. A file that shrank or failed since it
// was opened must not be written: part of the buffer would hold no file bytes.
bool CExecutor::ReadInput() {
  if (platform::IsMapped(m_pFileData)) {
    NoteEncoding();
    return true;
  }
  try {
    m_fileIn.SeekToBegin();
    if (m_fileIn.Read(m_pFileData.get(), m_nFileSize) != m_nFileSize) {
      m_readError =
          platform::CFileException(platform::CFileException::endOfFile, -1, m_fileIn.GetFilePath());
      return false;
    }
  } catch (const platform::CFileException& e) {
    m_readError = e;
    return false;
  }
  NoteEncoding();  // on the bytes as the file holds them
  if (m_bEuc) {
    ConvertEucToSjis();
    m_searcher.SetBuffer(m_pFileData.get(), m_nFileSize);  // the converted text is shorter
  }
  return true;
}

void CExecutor::NoteEncoding() const {
  if (!m_onEncodingMismatch) return;
  const TextEncoding run = m_bEuc    ? TextEncoding::kEucJp
                           : m_bUtf8 ? TextEncoding::kUtf8
                                     : TextEncoding::kShiftJis;
  const auto seen = DetectEncoding(m_pFileData.get(), m_nFileSize);
  if (seen && *seen != run) m_onEncodingMismatch(m_fileIn.GetFilePath(), *seen);
}

int CExecutor::SplitLoaded() {
  m_bTrailerFound = false;
  m_bHeaderFound = false;
  m_bPlacedDropped = false;
  m_rootCluster.Reset();
  m_sections.Clear();

  const int header = FindHeader();
  if (header != kSplitOk) return header;
  m_bHeaderFound = true;
  StartPlacing();

  try {
    m_rootCluster.m_nStart = static_cast<Offset>(m_nBodyStart);
    m_rootCluster.m_byLayerLimit = m_byLayerLimit;
    m_searcher.m_bAutoClose = m_bAutoClose;
    if (m_rootCluster.AddSection(m_sections) != 0) {
      platform::AfxMessageBox(msg::kDefaultCluster);
      return FailSplit(kSplitNoMemory, kFailNoMemory);
    }
    m_searcher.IndexAhead(m_nStartMode, m_nBodyStart);
    switch (m_searcher.SearchLayer(m_sections, m_rootCluster, m_nStartMode)) {
      case LayerResult::kBodyEnd: {
        m_nTrailerPos = m_searcher.m_nMatchPos;
        m_nTrailerLength = m_searcher.m_nMatchLength;
        const SearchResult r = m_searcher.SearchTag(kModeHtmlEnd);
        if (r == SearchResult::kFound) {
          m_nTrailerLength = m_searcher.m_nMatchPos + m_searcher.m_nMatchLength - m_nTrailerPos;
          m_bTrailerFound = true;
          return kSplitOk;
        }
        return r == SearchResult::kNotFound ? kSplitOk : FailSplit(kSplitCannot, kFailSearch);
      }
      case LayerResult::kDocumentEnd:
        m_nTrailerPos = m_searcher.m_nMatchPos;
        m_nTrailerLength = m_searcher.m_nMatchLength;
        m_bTrailerFound = true;
        return kSplitOk;
      case LayerResult::kNoMemory:
        return FailSplit(kSplitNoMemory, kFailNoMemory);
      case LayerResult::kBufferEnd:
        return kSplitOk;
      case LayerResult::kStopped:
        return kSplitStopped;
      case LayerResult::kClosed:  // only a block closed at the top level ends the body this way
        return FailSplit(kSplitCannot, kFailStrayClose, m_searcher.m_nMatchPos,
                         m_searcher.m_nMatchLength);
      default:
        return FailSplit(kSplitCannot, kFailSearch);
    }
  } catch (const std::bad_alloc&) {
    return FailSplit(kSplitNoMemory, kFailNoMemory);
  }
}

}  // namespace engine
