#include "engine/sections/PlacedWriter.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <utility>

#include "engine/search/CSearcher.h"

namespace engine {
namespace {
// Parts waiting for the thread before Submit waits too: a part holds a megabyte or so of
// the input as a few thousand ranges.
constexpr std::size_t kMaxWaiting = 16;
// Ranges at least this long are written from the view, or from what was read, instead of
// being copied.
constexpr std::size_t kKeptRange = 4096;
// Pieces fetched ahead of the copy.
constexpr std::size_t kFetchAhead = 16;
// A part's ranges are read through the file when they lie within this much of the input:
// a part holds about a megabyte of top sections, which lie side by side.
constexpr std::size_t kReadSpan = 4u << 20;
}  // namespace

CPlacedWriter::~CPlacedWriter() {
  Cancel();
}

void CPlacedWriter::Start(const platform::CFile& out, const std::uint8_t* data, bool bMapped,
                          platform::FileHandle source, Progress progress) {
  Cancel();
  m_pData = data;
  m_bMapped = bMapped;
  m_source = source;
  m_progress = std::move(progress);
  m_nWritten = 0;
  m_part = Part{};
  m_bClosing = m_bCancel = m_bStopped = false;
  m_error.reset();
  // On one processor a second thread would only take turns with the first.
  const std::size_t count = std::thread::hardware_concurrency() > 1 ? m_workers.size() : 1;
  for (std::size_t i = 0; i < count; ++i) {
    Worker& w = m_workers[i];
    w.out.AttachPositioned(out.GetHandle(), out.GetFilePath(), &m_turns);
    try {
      w.thread = std::thread([this, &w] { Loop(w); });
    } catch (const std::system_error&) {
      w.out.Abort();
      if (i == 0) throw;
      break;  // the threads there are write it all
    }
  }
}

void CPlacedWriter::AddBytes(Offset pos, Offset length) {
  if (length == 0) return;
  m_part.length += length;
  if (!m_part.pieces.empty()) {
    Piece& last = m_part.pieces.back();
    if (!last.bText && last.pos + last.length == pos) {
      last.length += length;
      return;
    }
  }
  m_part.pieces.push_back({pos, length, false});
}

void CPlacedWriter::AddText(const void* text, std::size_t length) {
  if (length == 0) return;
  m_part.pieces.push_back(
      {static_cast<Offset>(m_part.text.size()), static_cast<Offset>(length), true});
  m_part.text.append(static_cast<const char*>(text), length);
  m_part.length += length;
}

void CPlacedWriter::Submit(std::uint64_t offset) {
  m_part.at = offset;
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_queue.size() < kMaxWaiting; });
  m_queue.push_back(std::move(m_part));
  m_part = Part{};
  if (!m_spare.empty()) {
    m_part = std::move(m_spare.back());
    m_spare.pop_back();
  }
  m_changed.notify_all();
}

void CPlacedWriter::Loop(Worker& w) {
  for (;;) {
    Part part;
    bool bWrite = false;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_bCancel || m_bClosing || !m_queue.empty(); });
      if (m_bCancel || m_queue.empty()) return;
      part = std::move(m_queue.front());
      m_queue.pop_front();
      m_changed.notify_all();
      // After a failure or a stop the parts are only taken, so that Submit never waits.
      bWrite = !m_bStopped && !m_error;
    }
    if (bWrite) {
      try {
        Write(w, part);
      } catch (const platform::CFileException& e) {
        std::lock_guard lock(m_mutex);
        if (!m_error) m_error = e;
      } catch (const Stopped&) {
        std::lock_guard lock(m_mutex);
        m_bStopped = true;
      }
    }
    part.at = part.length = 0;
    part.pieces.clear();
    part.text.clear();
    std::lock_guard lock(m_mutex);
    m_spare.push_back(std::move(part));
  }
}

// The input bytes of a part's ranges, in memory of this writer's: read through the file, or
// copied from the view in one pass. The ranges of a part lie side by side in another order
// (a table log's are some 140 bytes each), and the view's bytes were searched long ago or
// by the other thread: copied where they belong one by one, each waited for memory (a
// 256 MiB log's conversion took 4 to 7 % more processor time). Those of
// [*pFrom, ...) start at the pointer returned; null when they are to be copied from the
// view (an input read into memory, ranges far apart, no memory, or the read fell short).
const std::uint8_t* CPlacedWriter::ReadPieces(Worker& w, const Part& part, Offset* pFrom) {
  if (m_source == platform::kNoFileHandle && !m_bMapped) return nullptr;
  std::uint64_t from = UINT64_MAX;
  std::uint64_t to = 0;
  for (const Piece& piece : part.pieces) {
    if (piece.bText) continue;
    from = std::min<std::uint64_t>(from, piece.pos);
    to = std::max<std::uint64_t>(to, std::uint64_t{piece.pos} + piece.length);
  }
  if (to <= from || to - from > kReadSpan) return nullptr;
  const auto count = static_cast<std::size_t>(to - from);
  const std::uint8_t* read = m_source != platform::kNoFileHandle
                                 ? w.read.Read(m_source, from, count)
                                 : w.read.Copy(m_pData, from, count);
  if (read == nullptr) return nullptr;
  *pFrom = static_cast<Offset>(from);
  return read;
}

// A long range goes out in steps, so that progress is told and a stop seen within one.
// Ranges copied from the view were searched long ago, or by the other thread, and a
// reversed order walks them backwards, which the processor does not fetch ahead of: the
// short ranges a few pieces on are asked for before they are copied.
void CPlacedWriter::Write(Worker& w, const Part& part) {
  w.out.SetPosition(part.at);
  Offset readFrom = 0;
  const std::uint8_t* read = ReadPieces(w, part, &readFrom);
  const std::size_t count = part.pieces.size();
  // Input bytes written since the progress was last told: added up here rather than to the
  // count both threads share at each of a table log's thousands of ranges.
  std::uint64_t written = 0;
  auto tell = [&] {
    m_nWritten.fetch_add(written, std::memory_order_relaxed);
    written = 0;
    Report();
  };
  for (std::size_t i = 0; i < count; ++i) {
    if (read == nullptr && i + kFetchAhead < count) {
      const Piece& next = part.pieces[i + kFetchAhead];
      if (!next.bText && next.length < kKeptRange) {
        for (std::size_t at = 0; at < next.length; at += 64) {
          __builtin_prefetch(m_pData + next.pos + at);
        }
      }
    }
    const Piece& piece = part.pieces[i];
    const std::uint8_t* p =
        piece.bText ? reinterpret_cast<const std::uint8_t*>(part.text.data()) + piece.pos
        : read      ? read + (piece.pos - readFrom)
                    : m_pData + piece.pos;
    // Long ranges are written where they lie (what was read stays in place until the flush
    // below), short ones copied into the file's buffer first. The system writes one file
    // under one lock, so the two threads' writes take turns while their copies do not; and
    // it copies a long buffer faster than the thousands of ranges of a table log's part.
    const std::size_t kept = piece.bText || (!read && !m_bMapped) ? SIZE_MAX : kKeptRange;
    std::size_t left = piece.length;
    while (left > 0) {
      const std::size_t n = std::min(left, CSearcher::kCheckpointStep);
      if (n >= kept) {
        w.out.WriteKept(p, n);
      } else {
        w.out.Write(p, n);
      }
      p += n;
      left -= n;
      if (piece.bText) continue;
      written += n;
      if (n == CSearcher::kCheckpointStep) tell();
    }
  }
  w.out.Flush();
  tell();
}

void CPlacedWriter::Report() {
  if (m_progress && !m_progress(m_nWritten.load(std::memory_order_relaxed))) throw Stopped{};
}

bool CPlacedWriter::Finish() {
  Join(false);
  if (m_error) {
    const platform::CFileException e = *m_error;
    m_error.reset();
    throw e;
  }
  return !m_bStopped;
}

void CPlacedWriter::Cancel() noexcept {
  Join(true);
}

void CPlacedWriter::Join(bool bCancel) noexcept {
  if (!IsRunning()) return;
  {
    std::lock_guard lock(m_mutex);
    (bCancel ? m_bCancel : m_bClosing) = true;
    m_changed.notify_all();
  }
  for (Worker& w : m_workers) {
    if (w.thread.joinable()) w.thread.join();
    // Nothing is left to write: the file is the other CFile's again.
    w.out.Abort();
  }
  m_queue.clear();
  m_part = Part{};
}

}  // namespace engine
