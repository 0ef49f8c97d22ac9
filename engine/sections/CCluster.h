#pragma once

#include <cstdint>

namespace engine {

// Byte offsets and lengths into one loaded file. 32 bits keep a section at 32 bytes;
// the executor refuses files whose offsets would not fit.
using Offset = std::uint32_t;

class CSection;
class CSectionStore;

// A run of consecutive sections at one layer, with an optional opening part (a block's
// opening tag, or the separator itself) before them and a closing tag after them.
// The sections live in the store, contiguously, from m_nFirstSection on.
class CCluster {
 public:
  // 1 while no section was made inside this cluster; such a cluster is written unchanged.
  bool m_bLeaf = true;
  // Separators and blocks make sections only while m_byLayer is below this.
  std::uint8_t m_byLayerLimit = 1;
  std::uint8_t m_byLayer = 0;
  Offset m_nFirstSection = 0;
  Offset m_nStart = 0;
  Offset m_nLength = 0;
  Offset m_nCount = 0;
  Offset m_nLeadLength = 0;
  Offset m_nCloseLength = 0;

  // Where the closing tag begins; the cluster ends with it.
  Offset ClosePos() const { return m_nStart + m_nLength - m_nCloseLength; }

  // Forgets the sections (the store that holds them is cleared by its owner).
  int Reset();
  // Appends an empty section after the last one; -1 when memory runs out (nothing added).
  int AddSection(CSectionStore& store);
  CSection* GetLastSection(CSectionStore& store) const;
  CSection& GetSection(CSectionStore& store, Offset index) const;
  const CSection& GetSection(const CSectionStore& store, Offset index) const;
  // The last section's head ends where the separator or block tag at `offset` begins.
  void EndLastHead(CSectionStore& store, Offset offset);
  // The last section's nested cluster starts at `offset` with an opening part of `lead` bytes.
  int OpenLastNested(CSectionStore& store, Offset offset, Offset lead);
  void UpdateLength(CSectionStore& store);
};

}  // namespace engine
