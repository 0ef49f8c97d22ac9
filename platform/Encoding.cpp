#include "platform/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace platform {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  const bool ok = r != static_cast<size_t>(-1) &&
                  ::iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
  ::iconv_close(cd);
  // glibc counts characters it replaced in r; any replacement means the text has no exact form.
  if (!ok || r != 0) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8); }

}  // namespace platform
