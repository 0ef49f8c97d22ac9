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

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  return Convert("CP932", "UTF-8", utf8);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  // Opened once per thread: an outline converts a line of text for every section.
  struct Converter {
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    ~Converter() {
      if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
    }
  };
  thread_local Converter converter;
  iconv_t cd = converter.cd;
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(cp932);
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh state
  std::string out;
  char buffer[256];
  char* src = const_cast<char*>(cp932.data());
  size_t srcLeft = cp932.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
    out += "\xEF\xBF\xBD";  // EILSEQ or a cut character: skip one byte
    ++src;
    --srcLeft;
  }
  return out;
}

}  // namespace platform
