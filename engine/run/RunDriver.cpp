#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "platform/MessageBox.h"

namespace engine {
namespace {

constexpr char kFixedHeader[] = "<HTML>\r\n<BODY>\r\n";
constexpr char kFixedFooter[] = "\r\n</BODY>\r\n</HTML>\r\n";
constexpr char kHrSeparator[] = "<HR SIZE=\"50\">";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
// Mapped ranges at least this long are written from the view instead of being copied.
constexpr std::size_t kKeptRange = 4096;
// Shift_JIS: "以上　[" ... "] 番目のファイル内容 " between two rows of equals signs.
constexpr char kNumberedBefore[] =
    "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[";
constexpr char kNumberedAfter[] =
    "] \x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
    "==============================</CENTER>\r\n";
// The same text in UTF-8.
const std::string kNumberedBeforeUtf8 = "\r\n<CENTER>==============================以上　[";
const std::string kNumberedAfterUtf8 =
    "] 番目のファイル内容 ==============================</CENTER>\r\n";

// Thrown by the writer when the run is asked to stop.
struct RunStopped {};

}  // namespace

std::string NumberedSeparatorLine(std::size_t index, bool bUtf8) {
  if (bUtf8) return kNumberedBeforeUtf8 + std::to_string(index) + kNumberedAfterUtf8;
  return std::string(kNumberedBefore) + std::to_string(index) + kNumberedAfter;
}

CExecutor::CExecutor() {
  m_searcher.m_checkpoint = [this](std::size_t pos) {
    m_nSearched.store(pos, std::memory_order_relaxed);
    return Checkpoint(pos);
  };
  m_searcher.m_onTopSections = [this] {
    if (m_pStream) {
      StreamTopSections();
    } else {
      PlaceTopSections();
    }
  };
}

// Publishes how far the current file is and tells whether the run may go on. While the
// output is written as the file is split, the bytes written so far count as well.
bool CExecutor::Checkpoint(std::uint64_t doneInFile) {
  RaiseProgress(m_nProgressBase + doneInFile + m_nPlacedBytes.load(std::memory_order_relaxed));
  return m_pAbortFlag == nullptr || m_pAbortFlag->load(std::memory_order_relaxed) != 1;
}

// Two threads tell the progress of one file: it only ever grows.
void CExecutor::RaiseProgress(std::uint64_t done) {
  std::uint64_t now = m_nProgressDone.load(std::memory_order_relaxed);
  while (now < done && !m_nProgressDone.compare_exchange_weak(now, done)) {
  }
}

void CExecutor::StartProgress() {
  m_anExpectedSizes.assign(m_arrInputPaths.size(), 0);
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < m_arrInputPaths.size(); ++i) {
    std::uint64_t size = 0;
    if (platform::GetFileSize(m_arrInputPaths[i], &size)) total += m_anExpectedSizes[i] = size;
  }
  m_nProgressBase = 0;
  m_nProgressDone.store(0, std::memory_order_relaxed);
  m_nProgressTotal.store(2 * total, std::memory_order_relaxed);
  m_nProgressFiles.store(0, std::memory_order_relaxed);
}

CExecutor::~CExecutor() {
  CloseFiles();
}

void CExecutor::ResetRun() {
  m_nFileSize = 0;
  m_nInputCount = 0;
  m_nHeaderPos = 0;
  m_nHeaderLength = 0;
  m_nTrailerPos = 0;
  m_bHeaderFound = false;
  m_pFileData.reset();
  m_commitGate.Reset();
}

int CExecutor::SetInputFiles(const std::vector<std::string>& paths) {
  m_arrInputPaths.clear();
  try {
    m_arrInputPaths.reserve(paths.size());
    for (const std::string& p : paths) m_arrInputPaths.push_back(p);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return 0;
}

void CExecutor::CloseFiles() {
  StopPlacing();
  if (m_bInputOpen) {
    m_fileIn.Abort();
    m_bInputOpen = false;
  }
  if (m_bOutputOpen) {
    // Keep what was written before the failure: flush it, ignore a second error.
    m_fileOut.Abort();
    m_bOutputOpen = false;
  }
  m_pFileData.reset();
}

CExecutor::Progress CExecutor::GetProgress() const {
  return {m_nProgressDone.load(std::memory_order_relaxed),
          m_nProgressTotal.load(std::memory_order_relaxed),
          m_nProgressFiles.load(std::memory_order_relaxed)};
}

bool CExecutor::HoldsFiles() const {
  return m_bInputOpen || m_bOutputOpen || m_pFileData != nullptr || m_fileIn.IsOpen() ||
         m_fileOut.IsOpen();
}

CExecutor::SplitBounds CExecutor::LastSplit() const {
  return {m_bHeaderFound,  m_nHeaderPos,  m_nHeaderLength, m_nBodyStart,
          m_bTrailerFound, m_nTrailerPos, m_nTrailerLength};
}

// Long ranges of a mapped file are written where they lie (WriteFilePart flushes them
// before the view is released); short ones, and those of a small file, are copied and
// written with the next: the kernel spends about as much on each gathered range as on
// copying a kilobyte, and a table log comes in pieces of a few dozen bytes. A long range
// (a body written unchanged is one) goes out in steps, so that progress is published and a
// stop is seen within one step, not only when the whole range is written.
void CExecutor::Copy(std::size_t pos, std::size_t length) {
  if (m_bRecording) {
    m_placed.AddBytes(static_cast<Offset>(pos), static_cast<Offset>(length));
    return;
  }
  if (length < kKeptRange && m_nCopied + length < m_nNextCopyCheck) {
    // The common case, a short range between two checkpoints.
    if (length != 0) m_fileOut.Write(m_pFileData.get() + pos, length);
    m_nCopied += length;
    return;
  }
  do {
    const std::size_t n = std::min(length, CSearcher::kCheckpointStep);
    if (m_bDataMapped && n >= kKeptRange) {
      m_fileOut.WriteKept(m_pFileData.get() + pos, n);
    } else {
      m_fileOut.Write(m_pFileData.get() + pos, n);
    }
    pos += n;
    length -= n;
    m_nCopied += n;
    if (m_nCopied >= m_nNextCopyCheck) {
      m_nNextCopyCheck = m_nCopied + CSearcher::kCheckpointStep;
      if (!Checkpoint(m_nFileSize + std::min<std::uint64_t>(m_nCopied, m_nFileSize))) {
        throw RunStopped{};
      }
    }
  } while (length > 0);
}

void CExecutor::Put(const void* data, std::size_t count) {
  if (m_bRecording) {
    m_placed.AddText(data, count);
  } else {
    m_fileOut.Write(data, count);
  }
}

// Header, body and the end of file i's part. Throws CFileException when a write fails.
void CExecutor::WriteFilePart(std::size_t i) {
  if (m_placeError) throw *std::exchange(m_placeError, std::nullopt);
  const int placed = FinishPlacing(i);
  if (placed < 0) throw RunStopped{};
  if (placed > 0) return;
  if (m_bPlacedDropped) SplitAgain();
  // A part holds each byte of its file at most once, and a header, footer or separator line.
  if (m_bLargeFile) m_fileOut.Reserve(m_nFileSize + kPartExtra);
  WritePartHead(i);
  WriteClusterBytes(m_rootCluster);
  WritePartEnd(i);
  if (m_bDataMapped) m_fileOut.Flush();
}

void CExecutor::WritePartHead(std::size_t i) {
  if (i != 0 && m_bOneFile) return;
  // A UTF-8 log's byte-order mark may be all that tells its encoding: it stays with the
  // header, the log's own or the fixed one.
  const std::uint8_t* d = m_pFileData.get();
  if (m_bUtf8 && m_nFileSize >= 3 && std::memcmp(d, kUtf8Bom, 3) == 0) Put(kUtf8Bom, 3);
  if (m_bHeaderFound && !m_bSimpleHeader && m_bEuc) {
    // The bytes are Shift_JIS now: so must be what the header says of them.
    const std::string header = RelabelEucHeader(
        {reinterpret_cast<const char*>(m_pFileData.get()) + m_nHeaderPos, m_nHeaderLength});
    Put(header.data(), header.size());
  } else if (m_bHeaderFound && !m_bSimpleHeader) {
    Copy(m_nHeaderPos, m_nHeaderLength);
  } else {
    Put(kFixedHeader, sizeof kFixedHeader - 1);
  }
}

void CExecutor::WritePartEnd(std::size_t i) {
  const bool bLast = i + 1 == m_nInputCount;
  if (bLast || !m_bOneFile) {
    if (m_bTrailerFound) {
      Copy(m_nTrailerPos, m_nTrailerLength);
    } else {
      Put(kFixedFooter, sizeof kFixedFooter - 1);
    }
  } else if (m_bAppendSeparator) {
    if (m_nSeparatorStyle == 1) {
      const std::string line = NumberedSeparatorLine(i, m_bUtf8);
      Put(line.data(), line.size());
    } else {
      Put(kHrSeparator, sizeof kHrSeparator - 1);
    }
  }
}

int CExecutor::Run() {
  // However the run ends, a front end holding the gate has no output left to wait for.
  struct Finished {
    CCommitGate& gate;
    ~Finished() { gate.Finish(); }
  } finished{m_commitGate};
  m_nInputCount = m_arrInputPaths.size();
  m_nStoppedAt = m_nInputCount;
  m_bOutputDirect = false;
  m_bStopped = false;
  StartProgress();
  if (m_pAbortFlag == nullptr) {
    platform::AfxMessageBox(msg::kNoAbortFlag);
    return -1;
  }
  if (m_bOneFile && OpenOutputFile(0) != 0) return -1;

  for (std::size_t i = 0; i < m_nInputCount; ++i) {
    m_nStoppedAt = i;  // until it is done, where a failure would stop the run
    if (m_pAbortFlag->load() == 1) {
      m_bStopped = true;
      return -1;
    }
    if (!m_bOneFile && OpenOutputFile(i) != 0) return -1;
    if (OpenInputFile(i) != 0) return -1;
    // The total counted the size the file had when the run started.
    m_nProgressTotal += 2 * (std::uint64_t{m_nFileSize} - m_anExpectedSizes[i]);
    m_nCopied = 0;
    m_nNextCopyCheck = 0;
    m_searcher.SetBuffer(m_pFileData.get(), m_nFileSize, ScanSource());
    const std::size_t opened = m_nFileSize;
    m_nPartIndex = i;
    m_nSearched = 0;
    m_nPlacedBytes = 0;
    m_bPlaceArmed = CanPlace();
    const int split = Split();
    m_bPlaceArmed = false;
    // Converted EUC text is shorter: only its bytes are split and written.
    m_nProgressTotal -= 2 * std::uint64_t{opened - m_nFileSize};
    const auto splitFailed = [&](int result) {
      if (result == kSplitStopped) {
        m_bStopped = true;
      } else {
        ReportSplitFailure(i);
      }
      StopPlacing();
      m_pFileData.reset();
      return -1;  // the input stays open until CloseFiles
    };
    if (split != kSplitOk) return splitFailed(split);
    std::optional<platform::CFileException> writeError;
    bool bStopped = false;
    try {
      WriteFilePart(i);
    } catch (const platform::CFileException& e) {
      writeError = e;
    } catch (const RunStopped&) {
      bStopped = true;
    } catch (const SplitFailed& f) {
      return splitFailed(f.result);
    }
    StopPlacing();
    // A write that copied from a lost page failed because of the input, not the output.
    bool bFailed = true;
    if (bStopped) {
      m_bStopped = true;
    } else if (CheckLostInput()) {
      ShowReadError(m_readError);
    } else if (writeError) {
      ShowWriteError(*writeError);
    } else {
      bFailed = ReportChangedInput(i);
    }
    m_pFileData.reset();
    m_fileIn.Abort();
    m_bInputOpen = false;
    if (bFailed) return -1;
    m_nProgressBase += 2 * std::uint64_t{m_nFileSize};
    m_nProgressDone.store(m_nProgressBase, std::memory_order_relaxed);
    m_nProgressFiles.store(i + 1, std::memory_order_relaxed);
    if (!m_bOneFile && CommitOutput() != 0) return -1;
  }

  m_nStoppedAt = m_nInputCount;
  if (m_bOutputOpen && CommitOutput() != 0) return -1;
  return 0;
}

}  // namespace engine
