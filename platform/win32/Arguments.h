#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments, which Windows passes as UTF-16, as UTF-8 strings that live as
// long as this object.
class CUtf8Arguments {
 public:
  CUtf8Arguments(int argc, wchar_t** argv);
  CUtf8Arguments(const CUtf8Arguments&) = delete;
  CUtf8Arguments& operator=(const CUtf8Arguments&) = delete;

  int Count() const { return static_cast<int>(m_astr.size()); }
  char** Values() { return m_ap.data(); }

 private:
  std::vector<std::string> m_astr;
  std::vector<char*> m_ap;
};

}  // namespace platform
