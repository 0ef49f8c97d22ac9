#include "tests/support/Conversion.h"

#include "engine/search/SeparatorGrammar.h"

namespace testing_support {

void Apply(const Settings& s, engine::CExecutor& ex) {
  const int user = s.userSeparator.empty() ? 0 : 1;
  ex.m_strSeparator = s.userSeparator;
  engine::RegisterSeparatorGrammar(ex.m_searcher, ex.m_strSeparator);
  ex.m_bAutoClose = s.autoClose;
  ex.m_nStartMode = engine::StartModeFor(user, s.kind);
  ex.m_abyReverse.fill(0);
  ex.m_abyRange.fill(0);
  ex.m_byLayerLimit = 0;
  for (int l : s.reverse) {
    ex.m_abyReverse[l] = 1;
    if (l > ex.m_byLayerLimit) ex.m_byLayerLimit = static_cast<std::uint8_t>(l);
  }
  for (int l : s.range) {
    ex.m_abyRange[l] = 1;
    if (l > ex.m_byLayerLimit) ex.m_byLayerLimit = static_cast<std::uint8_t>(l);
  }
  ex.m_nLeadCut = s.leadCut;
  ex.m_nTrailCut = s.trailCut;
  ex.m_bCutOutsideRange = s.cutOutsideRange;
  ex.m_bSeparatorFirst = s.separatorFirst;
  ex.m_bOneFile = true;
  ex.m_bAppendSeparator = true;
  ex.m_nSeparatorStyle = s.separatorStyle;
  ex.m_bSimpleHeader = false;
  ex.m_bEuc = false;
}

std::string Doc(const std::string& body) {
  return "<HTML><BODY>" + body + "</BODY></HTML>";
}

}  // namespace testing_support
