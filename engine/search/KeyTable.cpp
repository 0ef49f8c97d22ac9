#include <algorithm>
#include <cstring>
#include <new>

#include "engine/search/CSearcher.h"
#include "engine/search/MatchBatch.h"
#include "engine/search/MatchIndex.h"

namespace engine {
namespace {

// Marks in the nibble filter the bytes `text` allows: a key shorter than the filter allows
// any byte past its end. The group follows from the key's first bytes folded to small
// letters, so that "<TABLE" and "<table" tighten one group instead of loosening two.
void AddToFilter(CSearcher::ModeScan& s, const std::string& text) {
  constexpr std::size_t kBytes = CSearcher::ModeScan::kFilterBytes;
  std::uint32_t hash = 2166136261u;
  for (std::size_t j = 0; j < kBytes && j < text.size(); ++j) {
    auto c = static_cast<std::uint8_t>(text[j]);
    if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c + ('a' - 'A'));
    hash = (hash ^ c) * 16777619u;
  }
  const auto group = static_cast<std::uint8_t>(1u << (hash >> 29));
  for (std::size_t j = 0; j < kBytes; ++j) {
    if (j < text.size()) {
      const auto c = static_cast<std::uint8_t>(text[j]);
      s.lowNibble[j][c & 0x0F] |= group;
      s.highNibble[j][c >> 4] |= group;
    } else {
      for (std::uint8_t& g : s.lowNibble[j]) g |= group;
      for (std::uint8_t& g : s.highNibble[j]) g |= group;
    }
  }
}

}  // namespace

int CSearcher::AddMode(const std::string& text, std::uint8_t code) {
  if (m_nModeCount >= kMaxModes) return 2;
  try {
    m_apKeyStrings.resize(m_nModeCount + 1u);
    m_apKeyLengths.resize(m_nModeCount + 1u);
    m_apKeyCodes.resize(m_nModeCount + 1u);
    m_aModeScan.resize(m_nModeCount + 1u);
  } catch (const std::bad_alloc&) {
    m_apKeyStrings.resize(m_nModeCount);
    m_apKeyLengths.resize(m_nModeCount);
    m_apKeyCodes.resize(m_nModeCount);
    m_aModeScan.resize(m_nModeCount);
    return 2;
  }
  const std::uint8_t mode = m_nModeCount++;
  return AddKey(mode, text, code) == 0 ? 0 : 2;
}

int CSearcher::AddKey(std::uint8_t mode, const std::string& text, std::uint8_t code) {
  if (mode >= m_nModeCount || m_apKeyStrings[mode].size() >= kMaxKeysPerMode) return -1;
  try {
    // Room first, so that AddToScan cannot fail once the key is in the table.
    m_aModeScan[mode].keys.reserve(m_apKeyStrings[mode].size() + 1);
    m_apKeyStrings[mode].push_back(text);
    try {
      m_apKeyLengths[mode].push_back(text.size());
      try {
        m_apKeyCodes[mode].push_back(code);
      } catch (...) {
        m_apKeyLengths[mode].pop_back();
        throw;
      }
    } catch (...) {
      m_apKeyStrings[mode].pop_back();
      throw;
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  AddToScan(mode, text, code);
  return 0;
}

void CSearcher::AddToScan(std::uint8_t mode, const std::string& text, std::uint8_t code) {
  ForgetSpan();  // found with the keys before this one
  ModeScan& s = m_aModeScan[mode];
  KeyScan key;
  key.length = text.size();
  key.bTag = code != kCodeUser;
  const std::size_t n = std::min<std::size_t>(text.size(), sizeof key.prefix);
  std::uint8_t ones[sizeof key.mask];
  std::memset(ones, 0xFF, sizeof ones);
  std::memcpy(&key.prefix, text.data(), n);
  std::memcpy(&key.mask, ones, n);
  if (text.size() > sizeof key.suffix) {
    std::memcpy(&key.suffix, text.data() + text.size() - sizeof key.suffix, sizeof key.suffix);
  }
  s.keys.push_back(key);

  // An empty key would match at every position without moving the scan; it never matches.
  if (text.empty()) return;
  AddToFilter(s, text);
  const std::size_t k = s.keys.size() - 1;
  if (k < 64) {
    const std::uint64_t bit = std::uint64_t{1} << k;
    auto mark = [&](std::array<std::uint64_t, 256>& table, std::size_t at) {
      if (text.size() <= at) {
        for (std::uint64_t& t : table) t |= bit;
      } else {
        table[static_cast<std::uint8_t>(text[at])] |= bit;
      }
    };
    mark(s.bySecond, 1);
    mark(s.byThird, 2);
  }
  // A few keys are compared faster one by one than through two look-ups.
  s.bSieve = s.keys.size() > 8 && s.keys.size() <= 64;
  s.min = s.min == 0 ? text.size() : std::min(s.min, text.size());
  s.max = std::max(s.max, text.size());
  const auto b = static_cast<std::uint8_t>(text[0]);
  if (!s.first[b]) {
    s.first[b] = true;
    if (s.distinctFirst < static_cast<int>(s.firstBytes.size())) s.firstBytes[s.distinctFirst] = b;
    ++s.distinctFirst;
    s.onlyFirst = b;
  }
  if (text.size() == 1) {
    s.bShortKey = true;
    return;
  }
  const auto b2 = static_cast<std::uint8_t>(text[1]);
  const std::uint8_t* seen = s.secondBytes.data();
  const std::uint8_t* end = seen + std::min<std::size_t>(s.distinctSecond, s.secondBytes.size());
  if (std::find(seen, end, b2) != end) return;
  if (s.distinctSecond < static_cast<int>(s.secondBytes.size()))
    s.secondBytes[s.distinctSecond] = b2;
  ++s.distinctSecond;
}

void CSearcher::Reset() {
  StopIndex();
  m_apKeyStrings.clear();
  m_apKeyLengths.clear();
  m_apKeyCodes.clear();
  m_aModeScan.clear();
  m_nModeCount = 0;
  m_nCurMode = 0;
  m_pBuffer = nullptr;
  m_nBufferSize = 0;
  m_bBufferSet = false;
  m_nPos = 0;
  m_nMatchPos = 0;
  m_nMatchLength = 0;
  m_nMatchCode = 0;
  m_bMatchComplete = false;
  m_bAutoClose = true;
}

}  // namespace engine
