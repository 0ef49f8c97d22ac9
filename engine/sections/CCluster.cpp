#include "engine/sections/CCluster.h"

#include "engine/sections/CSection.h"
#include "engine/sections/CSectionStore.h"

namespace engine {

int CCluster::Reset() {
  m_byLayer = 0;
  m_nFirstSection = 0;
  m_nCount = 0;
  m_nStart = 0;
  m_nLength = 0;
  m_nLeadLength = 0;
  m_nCloseLength = 0;
  m_bLeaf = true;
  return 0;
}

}  // namespace engine
