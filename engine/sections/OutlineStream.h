#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/sections/Outline.h"
#include "engine/sections/OutlineTexts.h"

namespace engine {

// A section of an outline as the split hands it on: what is printed of it but its text.
// nLayer 0 marks the end of a divided section's block (COutlineReader::Leave).
struct OutlineEntry {
  Offset nOffset = 0;
  Offset nLength = 0;
  Offset nHeadLength = 0;
  Offset nIndex = 0;
  std::uint8_t nLayer = 0;
  SectionAction action = SectionAction::kInOrder;
  bool bDivided = false;
};

// Top-level sections in file order, with those shown inside them, and the bytes they span.
struct OutlineBatch {
  std::vector<OutlineEntry> entries;
  std::size_t nStart = 0;
  std::size_t nEnd = 0;
  std::string texts;  // made for the entries, each after its length
};

// Makes the texts of a batch's sections into its `texts`, from `bytes`, with the text that
// may stand for others in `cache`; `text` is room for one.
void MakeBatchTexts(OutlineBatch& batch, COutlineBytes& bytes, TextEncoding shown,
                    OutlineTextCache& cache, std::string& text);

// Prints an outline as the split goes, so that no tree of the whole file is kept: the split
// hands over batches of finished sections, and two threads make their texts (which cost
// more than the lines) and take turns printing them to the reader in order. Without threads
// each batch is printed as it is handed over.
class COutlineStream {
 public:
  // Whether the file still holds the bytes the texts were made from: false once another
  // program has cut it (a mapped file's lost pages read as zeros).
  using WholeCheck = std::function<bool()>;
  // The texts are made from the view `data` of the file `source` (as COutlineBytes), unless
  // !bText. With `whole`, each batch is printed only when the file is whole once its texts
  // are made; from the first that is not, nothing more is. The reader and the bytes must
  // stay until this is gone.
  COutlineStream(COutlineReader& reader, const std::uint8_t* data, platform::FileHandle source,
                 TextEncoding shown, bool bText, WholeCheck whole = {});
  ~COutlineStream();  // stops the threads; what was not printed is dropped
  COutlineStream(const COutlineStream&) = delete;
  COutlineStream& operator=(const COutlineStream&) = delete;

  // Prints on two threads from now on; false when none can be had.
  bool StartThreads();
  // A batch to fill, emptied; waits while the threads are a few batches behind.
  OutlineBatch& NextBatch();
  // Hands over the batch NextBatch gave. Without threads it is printed here, and what the
  // reader throws comes out here.
  void Hand();
  // Waits until every batch handed over is printed; throws what the reader threw.
  void Finish();

 private:
  static constexpr std::size_t kSlots = 8;
  enum class SlotState { kFree, kFilling, kHanded, kMaking, kMade };
  struct Slot {
    OutlineBatch batch;
    SlotState state = SlotState::kFree;
  };
  // What one thread makes texts with: read bytes and the last text that may stand for others.
  struct Maker {
    Maker(const std::uint8_t* data, platform::FileHandle source) : bytes(data, source) {}
    COutlineBytes bytes;
    OutlineTextCache cache;
    std::string text;
  };
  void Loop(Maker& maker);
  void MakeTexts(OutlineBatch& batch, Maker& maker) const;
  void Print(const OutlineBatch& batch);
  // Prints the batch unless the file was cut: then this and every later one is dropped.
  void PrintWhole(const OutlineBatch& batch);

  COutlineReader& m_reader;
  const std::uint8_t* const m_pData;
  const platform::FileHandle m_source;
  const TextEncoding m_shown;
  const bool m_bText;
  const WholeCheck m_whole;
  bool m_bCut = false;       // read and set by the one printing
  Maker m_here;              // for batches printed by the caller
  OutlineSection m_section;  // the one handed to the reader, its text's room kept
  std::array<Slot, kSlots> m_aSlots;
  std::uint64_t m_nHanded = 0;   // batches handed over; the next one is filled in slot n % kSlots
  std::uint64_t m_nPrinted = 0;  // of them, printed (or dropped after a failure)

  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_bPrinting = false;  // a thread prints batch m_nPrinted
  bool m_bStop = false;
  std::exception_ptr m_failure;  // the first thing a thread threw: what follows is dropped
  std::vector<std::thread> m_threads;
};

}  // namespace engine
