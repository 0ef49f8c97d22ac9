#pragma once

#include <cstdio>
#include <string>

namespace engine {

// printf-style formatting of a message text with %d placeholders.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), format, args...);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

}  // namespace engine
