#pragma once

#include <array>
#include <cstdint>

namespace engine {

// The conversion options as the options dialog keeps them (index = layer 1 to 15).
// Defaults are the dialog's construction values.
struct COptionValues {
  std::array<std::uint8_t, 16> m_abyReverseEdit{};
  std::array<std::uint8_t, 16> m_abyRangeEdit{};
  std::array<std::uint8_t, 16> m_abyReverse{};
  std::array<std::uint8_t, 16> m_abyRange{};
  int m_nOrderRadio = 1;
  int m_bCutOutsideRange = 0;
  int m_bOneFile = 1;
  int m_bSeparatorFirst = 0;
  int m_nLeadCut = 0;
  int m_bSimpleHeader = 0;
  int m_bAppendSeparator = 1;
  int m_nTrailCut = 0;
  int m_nSeparatorStyle = 1;
  int m_nTrailCutSel = 0;
  int m_nLeadCutSel = 0;

  bool operator==(const COptionValues&) const = default;
};

}  // namespace engine
