#pragma once

#include <initializer_list>
#include <string>

namespace behaviour {

// The resource text with %1, %2, ... replaced by the arguments, every place they stand.
inline std::string Format(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const std::size_t n = static_cast<std::size_t>(next - '1');
    if (pattern[i] == '%' && next >= '1' && next <= '9' && n < args.size()) {
      out += *(args.begin() + n);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace behaviour
