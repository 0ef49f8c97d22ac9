#include "platform/win32/Arguments.h"

#include "platform/win32/WidePath.h"

namespace platform {

CUtf8Arguments::CUtf8Arguments(int argc, wchar_t** argv) {
  for (int i = 0; i < argc; ++i) m_astr.push_back(Narrow(argv[i]));
  for (std::string& a : m_astr) m_ap.push_back(a.data());
  m_ap.push_back(nullptr);
}

}  // namespace platform
