#include "engine/sections/OutlineStream.h"

#include <cstring>
#include <utility>

namespace engine {
namespace {
using Length = std::uint32_t;
}  // namespace

COutlineStream::COutlineStream(COutlineReader& reader, const std::uint8_t* data,
                               platform::FileHandle source, TextEncoding shown, bool bText,
                               WholeCheck whole)
    : m_reader(reader),
      m_pData(data),
      m_source(source),
      m_shown(shown),
      m_bText(bText),
      m_whole(std::move(whole)),
      m_here(data, source) {}

COutlineStream::~COutlineStream() {
  {
    std::lock_guard lock(m_mutex);
    m_bStop = true;
  }
  m_changed.notify_all();
  for (std::thread& t : m_threads) t.join();
}

bool COutlineStream::StartThreads() {
  if (!m_threads.empty()) return true;
  try {
    m_threads.reserve(2);
    for (int i = 0; i < 2; ++i) {
      m_threads.emplace_back([this] {
        Maker maker(m_pData, m_source);
        Loop(maker);
      });
    }
  } catch (const std::exception&) {
    // No thread or no memory for one: one thread prints alone; none, the caller prints.
  }
  return !m_threads.empty();
}

OutlineBatch& COutlineStream::NextBatch() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_nHanded - m_nPrinted < kSlots; });
  Slot& slot = m_aSlots[m_nHanded % kSlots];
  slot.state = SlotState::kFilling;
  slot.batch.entries.clear();
  slot.batch.texts.clear();
  slot.batch.nStart = slot.batch.nEnd = 0;
  return slot.batch;
}

void COutlineStream::Hand() {
  std::unique_lock lock(m_mutex);
  Slot& slot = m_aSlots[m_nHanded % kSlots];
  if (!m_threads.empty()) {
    slot.state = SlotState::kHanded;
    ++m_nHanded;
    m_changed.notify_all();
    return;
  }
  // Printed here: a failure stays with the slot it was in, which is free again.
  slot.state = SlotState::kFree;
  lock.unlock();
  MakeTexts(slot.batch, m_here);
  PrintWhole(slot.batch);
}

void COutlineStream::Finish() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_nPrinted == m_nHanded; });
  if (m_failure) std::rethrow_exception(m_failure);
}

// Prints the next batch when its texts are made and nobody prints; else makes the texts of
// the first batch nobody has taken.
void COutlineStream::Loop(Maker& maker) {
  std::unique_lock lock(m_mutex);
  for (;;) {
    Slot* make = nullptr;
    Slot* print = nullptr;
    m_changed.wait(lock, [&] {
      if (m_bStop) return true;
      Slot& next = m_aSlots[m_nPrinted % kSlots];
      if (m_nPrinted < m_nHanded && !m_bPrinting && next.state == SlotState::kMade) {
        print = &next;
        return true;
      }
      for (std::uint64_t n = m_nPrinted; n < m_nHanded; ++n) {
        if (m_aSlots[n % kSlots].state == SlotState::kHanded) {
          make = &m_aSlots[n % kSlots];
          return true;
        }
      }
      return false;
    });
    if (m_bStop) return;
    // After a failure batches are only passed along, so that the split never waits.
    const bool bFailed = m_failure != nullptr;
    std::exception_ptr failure;
    if (make) {
      make->state = SlotState::kMaking;
      lock.unlock();
      try {
        if (!bFailed) MakeTexts(make->batch, maker);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      make->state = SlotState::kMade;
    } else {
      m_bPrinting = true;
      lock.unlock();
      try {
        if (!bFailed) PrintWhole(print->batch);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      print->state = SlotState::kFree;
      ++m_nPrinted;
      m_bPrinting = false;
    }
    if (failure && !m_failure) m_failure = failure;
    m_changed.notify_all();
  }
}

// The texts go in one string, each after its length: the batch's memory is used again.
void MakeBatchTexts(OutlineBatch& batch, COutlineBytes& bytes, TextEncoding shown,
                    OutlineTextCache& cache, std::string& text) {
  bytes.Load(batch.nStart, batch.nEnd);
  // A section's bytes were read by the split long before: they are asked for a few sections
  // ahead, as waiting for each one's first took a tenth of an outline's time.
  constexpr std::size_t kAhead = 8;
  const std::vector<OutlineEntry>& entries = batch.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const OutlineEntry& e = entries[i];
    if (i + kAhead < entries.size()) bytes.Prefetch(entries[i + kAhead].nOffset);
    if (e.nLayer == 0) continue;
    bytes.MakeText(e.nOffset, e.nLength, shown, cache, text);
    const auto length = static_cast<Length>(text.size());
    batch.texts.append(reinterpret_cast<const char*>(&length), sizeof length);
    batch.texts += text;
  }
}

void COutlineStream::MakeTexts(OutlineBatch& batch, Maker& maker) const {
  if (m_bText) MakeBatchTexts(batch, maker.bytes, m_shown, maker.cache, maker.text);
}

// The texts were made before the file is looked at: when it is still whole, they were
// made from its bytes.
void COutlineStream::PrintWhole(const OutlineBatch& batch) {
  if (m_bCut || (m_whole && !m_whole())) {
    m_bCut = true;
    return;
  }
  Print(batch);
}

void COutlineStream::Print(const OutlineBatch& batch) {
  OutlineSection& o = m_section;
  std::size_t at = 0;
  for (const OutlineEntry& e : batch.entries) {
    if (e.nLayer == 0) {
      m_reader.Leave();
      continue;
    }
    o.nLayer = e.nLayer;
    o.nIndex = e.nIndex;
    o.nOffset = e.nOffset;
    o.nLength = e.nLength;
    o.nHeadLength = e.nHeadLength;
    o.action = e.action;
    if (m_bText) {
      Length length;
      std::memcpy(&length, batch.texts.data() + at, sizeof length);
      o.strText.assign(batch.texts, at + sizeof length, length);
      at += sizeof length + length;
    }
    m_reader.Add(o, e.bDivided);
  }
}

}  // namespace engine
