#include <algorithm>
#include <cstring>
#include <system_error>

#include "engine/run/CExecutor.h"

namespace engine {
namespace {

// The body's end is looked for this far from the end of the file only.
constexpr std::size_t kEndSearched = 64u << 10;

// Where the last `tag` (written in capitals, or in small letters) begins in the last bytes
// of data[0, size); size when there is none.
std::size_t LastTag(const std::uint8_t* data, std::size_t size, const char* upper,
                    const char* lower) {
  const std::size_t n = std::strlen(upper);
  const std::size_t from = size > kEndSearched ? size - kEndSearched : 0;
  for (std::size_t p = size; p >= from + n; --p) {
    const char* at = reinterpret_cast<const char*>(data) + p - n;
    if (std::memcmp(at, upper, n) == 0 || std::memcmp(at, lower, n) == 0) return p - n;
  }
  return size;
}

}  // namespace

// Positioned writes need a file of the run's own, and places that follow from the order
// alone: no section may be cut, and a layer at least must be divided.
bool CExecutor::CanPlace() const {
  if (m_nFileSize < m_nPlaceMin || !m_fileOut.IsReplacing() || m_byLayerLimit == 0) return false;
  if (m_nLeadCut <= 0 && m_nTrailCut <= 0) return true;
  for (std::size_t layer = 1; layer <= m_byLayerLimit; ++layer) {
    if (m_abyRange[layer]) return false;
  }
  return true;
}

// Called by the split once the header is found. The head goes out at once; the body's end,
// where a reversed top layer's first sections go, is taken to be the last end tag.
void CExecutor::StartPlacing() {
  if (!m_bPlaceArmed) return;
  m_nPartStart = m_fileOut.GetPosition();
  try {
    m_fileOut.Flush();  // the parts before this one go first
    m_fileOut.Reserve(m_nFileSize + kPartExtra);
    m_placed.Start(m_fileOut, m_pFileData.get(), m_bDataMapped, ScanSource(),
                   [this](std::uint64_t written) { return PlacedProgress(written); });
  } catch (const platform::CFileException& e) {
    m_placeError = e;  // reported where the part is written
    return;
  } catch (const std::system_error&) {
    return;  // no thread: the part is written in order after the split
  }
  m_nPlacedSections = 0;
  m_bGuessFailed = false;
  m_bRecording = true;
  WritePartHead(m_nPartIndex);
  m_nBodyOut = m_nPartStart + m_placed.PartLength();
  m_placed.Submit(m_nPartStart);
  const std::uint8_t* d = m_pFileData.get();
  m_nGuessedEnd = std::min(LastTag(d, m_nFileSize, "</BODY", "</body"),
                           LastTag(d, m_nFileSize, "</HTML", "</html"));
}

void CExecutor::PlaceTopSections() {
  // The last section may still grow.
  const CCluster& root = m_rootCluster;
  if (!m_bRecording || root.m_nCount <= 1) return;
  PlaceSections(m_nPlacedSections, root.m_nCount - 1);
  // Once every top section but the last, still empty one is handed over, nothing needs them
  // or the sections nested in them unless the part must be written again in order: their
  // memory takes the next ones, and the last becomes the first. Fresh memory costs more than
  // the search on a table log (a third of its time where a virtual machine's host backs each
  // page on first touch).
  if (m_nPlacedSections == root.m_nCount - 1 &&
      root.GetLastSection(m_sections)->m_cluster.m_nCount == 0) {
    m_sections.KeepLast(1);
    m_rootCluster.m_nFirstSection = 0;
    m_rootCluster.m_nCount = 1;
    m_nPlacedSections = 0;
    m_bPlacedDropped = true;
  }
}

// Top sections [from, to) go where the order puts them: in order, as far from the body's
// start as in the input; reversed, as far from the guessed end.
void CExecutor::PlaceSections(Offset from, Offset to) {
  const CCluster& root = m_rootCluster;
  if (from >= to || m_bGuessFailed) return;
  auto section = [&](Offset i) -> const CSection& { return root.GetSection(m_sections, i); };
  std::uint64_t at;
  if (ChooseOrder(root) == kReversed) {
    const std::size_t end = section(to - 1).Start() + std::size_t{section(to - 1).TotalLength()};
    if (end > m_nGuessedEnd) {
      m_bGuessFailed = true;
      return;
    }
    for (Offset i = to; i > from; --i) WriteSectionBytes(section(i - 1));
    at = m_nBodyOut + (m_nGuessedEnd - end);
  } else {
    for (Offset i = from; i < to; ++i) WriteSectionBytes(section(i));
    at = m_nBodyOut + (section(from).Start() - root.m_nStart);
  }
  m_placed.Submit(at);
  m_nPlacedSections = to;
}

int CExecutor::FinishPlacing(std::size_t i) {
  if (!m_placed.IsRunning()) return 0;
  const CCluster& root = m_rootCluster;
  const int order = root.m_nCount == 0 ? kUnchanged : ChooseOrder(root);
  const CSection* last = root.GetLastSection(m_sections);
  const std::size_t end = last ? last->Start() + std::size_t{last->TotalLength()} : 0;
  const bool bPlaced = !m_bGuessFailed && root.m_nCloseLength == 0 && root.m_nLeadLength == 0 &&
                       (order == kInOrder || (order == kReversed && end == m_nGuessedEnd));
  if (!bPlaced) {
    StopPlacing();
    m_nPlacedBytes = 0;
    m_fileOut.SetPosition(m_nPartStart, true);
    return 0;
  }
  PlaceSections(m_nPlacedSections, root.m_nCount);
  WritePartEnd(i);
  const std::uint64_t partEnd = m_nBodyOut + root.m_nLength + m_placed.PartLength();
  m_placed.Submit(m_nBodyOut + root.m_nLength);
  m_bRecording = false;
  if (!m_placed.Finish()) return -1;
  m_fileOut.SetPosition(partEnd);
  return 1;
}

void CExecutor::StopPlacing() noexcept {
  m_bRecording = false;
  m_placed.Cancel();
}

// On the writing thread.
bool CExecutor::PlacedProgress(std::uint64_t written) {
  m_nPlacedBytes.store(written, std::memory_order_relaxed);
  RaiseProgress(m_nProgressBase + m_nSearched.load(std::memory_order_relaxed) + written);
  return m_pAbortFlag == nullptr || m_pAbortFlag->load(std::memory_order_relaxed) != 1;
}

}  // namespace engine
