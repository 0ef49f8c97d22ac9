#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/search/ReadBuffer.h"
#include "engine/sections/CCluster.h"
#include "platform/File.h"

namespace engine {

// Writes the parts of one output on threads of its own, each at its own place in the file,
// while the thread that hands them over goes on (splitting the rest of the input): once
// the sections before a place are known, what goes there no longer waits for the end of
// the search. A part is made of ranges of the input's bytes and texts of its own. Parts
// never overlap, so two threads write them in any order: the second takes the processor
// the search leaves once it ends, when the parts still waiting are the run's last work.
class CPlacedWriter {
 public:
  // Told how many input bytes are written so far; false stops the writing.
  using Progress = std::function<bool(std::uint64_t written)>;

  CPlacedWriter() = default;
  ~CPlacedWriter();
  CPlacedWriter(const CPlacedWriter&) = delete;
  CPlacedWriter& operator=(const CPlacedWriter&) = delete;

  // Starts the threads, writing to the file `out` has open, from the input at `data` (its
  // long ranges written where they lie when `bMapped`); the bytes must stay as they are
  // until Finish or Cancel. With a `source`, `data` is that file's view, and the ranges of
  // a part are read through the file where they lie close together (see CScanWindow).
  // Throws std::system_error when no thread at all can be had.
  void Start(const platform::CFile& out, const std::uint8_t* data, bool bMapped,
             platform::FileHandle source, Progress progress);
  bool IsRunning() const { return m_workers[0].thread.joinable(); }

  // The part being made: `length` bytes of the input at `pos`, or a text.
  void AddBytes(Offset pos, Offset length);
  void AddText(const void* text, std::size_t length);
  std::uint64_t PartLength() const { return m_part.length; }
  // Hands the part over, to be written at `offset`, and starts the next one; waits while
  // the threads are far behind, so that the ranges waiting take little memory.
  void Submit(std::uint64_t offset);

  // Waits until every part handed over is written and ends the threads. False when the
  // progress callback stopped them; throws the first write failure.
  bool Finish();
  // Ends the threads at once: what was not written yet never is.
  void Cancel() noexcept;

 private:
  struct Piece {
    Offset pos;  // in the input, or in the part's text
    Offset length;
    bool bText;
  };
  struct Part {
    std::uint64_t at = 0;
    std::uint64_t length = 0;
    std::vector<Piece> pieces;
    std::string text;
  };
  struct Stopped {};
  struct Worker {
    platform::CFile out;
    CReadBuffer read;  // a part's input bytes, read through the file or copied from the view
    std::thread thread;
  };
  void Loop(Worker& w);
  void Write(Worker& w, const Part& part);
  const std::uint8_t* ReadPieces(Worker& w, const Part& part, Offset* pFrom);
  void Report();
  void Join(bool bCancel) noexcept;

  std::mutex m_turns;  // the workers write to the file one at a time; outlives them
  std::array<Worker, 2> m_workers;
  const std::uint8_t* m_pData = nullptr;
  bool m_bMapped = false;
  platform::FileHandle m_source = platform::kNoFileHandle;
  Progress m_progress;                       // called on the writing threads
  std::atomic<std::uint64_t> m_nWritten{0};  // input bytes
  Part m_part;                               // being made, on the thread that hands it over

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Part> m_queue;
  std::vector<Part> m_spare;  // written parts, their memory kept for the next ones
  bool m_bClosing = false;
  bool m_bCancel = false;
  bool m_bStopped = false;
  std::optional<platform::CFileException> m_error;  // the first
};

}  // namespace engine
