#include "engine/sections/OutlineTexts.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/sections/Outline.h"

namespace engine {

// A nested section mostly starts with the words of the one that holds it: its text is the
// same when its first visible character is, and it reaches past where those words ended
// (and past what was looked at beyond them).
void MakeOutlineText(const std::uint8_t* d, std::size_t base, std::size_t start, std::size_t length,
                     TextEncoding shown, OutlineTextCache& cache, std::string& text) {
  constexpr std::size_t kLookedAhead = 16;  // a character reference is read whole
  const std::size_t end = start + length;
  const std::size_t first = start + FirstVisible(d + (start - base), length);
  if (first == cache.nFirst && end >= cache.nStop + kLookedAhead) {
    text = cache.strText;
    return;
  }
  std::size_t stop = 0;
  text = VisibleText(d + (first - base), end - first, shown, kOutlineChars, &stop);
  // Only words that ended well inside their section are the same in a longer one.
  if (first + stop + kLookedAhead <= end) cache = {first, first + stop, text};
}

// A chunk that cannot be read whole (no memory, a file cut meanwhile, or a chunk longer
// than kMaxRead) is made from the view.
void COutlineBytes::Load(const CSectionStore& store, const CCluster& root, Offset from, Offset to) {
  constexpr std::size_t kMaxRead = 8u << 20;
  m_pBytes = m_pView;
  m_nBase = m_nSize = 0;
  if (m_source == platform::kNoFileHandle || from >= to) return;
  const std::size_t start = root.GetSection(store, from).Start();
  const CSection& last = root.GetSection(store, to - 1);
  const std::size_t end = last.Start() + std::size_t{last.TotalLength()};
  if (end - start > kMaxRead) return;
  if (const std::uint8_t* read = m_read.Read(m_source, start, end - start)) {
    m_pBytes = read;
    m_nBase = start;
    m_nSize = end - start;
  }
}

namespace {
using Length = std::uint32_t;
}  // namespace

COutlineTexts::COutlineTexts(CSectionStore& store, const CCluster& root, const std::uint8_t* data,
                             platform::FileHandle source, TextEncoding shown)
    : m_store(store),
      m_root(root),
      m_bytes(data, source),
      m_shown(shown),
      m_nChunks(static_cast<Offset>((std::uint64_t{root.m_nCount} + kChunk - 1) / kChunk)),
      m_abTaken(m_nChunks) {
  m_thread = std::thread([this] { Loop(); });
}

COutlineTexts::~COutlineTexts() {
  {
    std::lock_guard lock(m_mutex);
    m_bStop = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

// Takes the first chunk nobody has, past the one after the walk's, while there is a free
// slot for it.
void COutlineTexts::Loop() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    Offset c = 0;
    m_changed.wait(lock, [&] {
      c = std::max(m_nThreadNext, m_nReading + 2);
      while (c < m_nChunks && m_abTaken[c]) ++c;
      return m_bStop || c >= m_nChunks || c < m_nReading + kSlots;
    });
    if (m_bStop || c >= m_nChunks) return;
    m_abTaken[c] = true;
    m_nThreadNext = c + 1;
    Slot& slot = m_aSlots[c % kSlots];
    slot.chunk = c;
    slot.state = SlotState::kMaking;
    lock.unlock();
    SlotState made = SlotState::kMade;
    try {
      slot.texts.clear();
      const auto end = std::min<std::uint64_t>(m_root.m_nCount, (std::uint64_t{c} + 1) * kChunk);
      m_bytes.Load(m_store, m_root, c * kChunk, static_cast<Offset>(end));
      Make(m_root, c * kChunk, static_cast<Offset>(end), slot.texts);
    } catch (const std::bad_alloc&) {
      made = SlotState::kFailed;  // the walk makes this chunk's texts itself
    }
    lock.lock();
    slot.state = made;
    m_changed.notify_all();
  }
}

void COutlineTexts::Make(const CCluster& cluster, Offset from, Offset to, std::string& texts) {
  std::string text;
  for (Offset i = from; i < to; ++i) {
    const CSection& s = cluster.GetSection(m_store, i);
    m_bytes.MakeText(s, m_shown, m_cache, text);
    const Length length = static_cast<Length>(text.size());
    texts.append(reinterpret_cast<const char*>(&length), sizeof length);
    texts += text;
    if (ShowsSections(s.m_cluster)) Make(s.m_cluster, 0, s.m_cluster.m_nCount, texts);
  }
}

bool COutlineTexts::TakeChunk(Offset c) {
  std::unique_lock lock(m_mutex);
  m_pRead = nullptr;
  m_nReading = c;  // the slots of the chunks before it are free again
  m_changed.notify_all();
  const Slot& slot = m_aSlots[c % kSlots];
  if (!m_abTaken[c] || slot.chunk != c) {
    m_abTaken[c] = true;  // the walk makes this one
    return false;
  }
  m_changed.wait(
      lock, [&] { return slot.state == SlotState::kMade || slot.state == SlotState::kFailed; });
  if (slot.state == SlotState::kFailed) return false;
  m_pRead = &slot;
  m_nReadAt = 0;
  return true;
}

bool COutlineTexts::Next(std::string& text) {
  if (m_pRead == nullptr || m_nReadAt == m_pRead->texts.size()) return false;
  Length length;
  std::memcpy(&length, m_pRead->texts.data() + m_nReadAt, sizeof length);
  text.assign(m_pRead->texts, m_nReadAt + sizeof length, length);
  m_nReadAt += sizeof length + length;
  return true;
}

}  // namespace engine
