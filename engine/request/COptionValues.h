#pragma once

#include <bitset>

namespace engine {

// What a user can choose: layers 1 to kMaxLayer, and 0 to kMaxCut sections cut.
inline constexpr int kMaxLayer = 15;
inline constexpr int kMaxCut = 19;

// Layers as flags: bit n for layer n (bit 0 unused).
using LayerSet = std::bitset<kMaxLayer + 1>;

// The conversion options a run takes. Defaults are the options dialog's construction values.
struct COptionValues {
  LayerSet m_abyReverse;
  LayerSet m_abyRange;
  bool m_bCutOutsideRange = false;
  bool m_bOneFile = true;
  bool m_bSeparatorFirst = false;
  int m_nLeadCut = 0;
  bool m_bSimpleHeader = false;
  bool m_bAppendSeparator = true;
  int m_nTrailCut = 0;
  int m_nSeparatorStyle = 1;  // the text between files: 0 <HR SIZE="50">, 1 the numbered line

  bool operator==(const COptionValues&) const = default;
};

}  // namespace engine
