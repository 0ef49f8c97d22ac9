// Code page 932 as both builds convert it: the Linux build through iconv, the Windows build
// through Windows' tables and its own rules where the two tables part. Every row must give
// the same bytes on both.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/Encoding.h"

namespace platform {
namespace {

TEST(Encoding, Utf8ToCodePage932) {
  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {"以上　", "\x88\xC8\x8F\xE3\x81\x40"},
      {"", ""},
      {"ｱ①ⅰ", "\xB1\x87\x40\xFA\x40"},  // half-width, NEC and IBM extensions
      // Where Windows' table has no form, glibc's has one.
      {"¢£¥¬", "\x81\x91\x81\x92\x5C\x81\xCA"},
      {"—‖‾−〜～", "\x81\x5C\x81\x61\x7E\x81\x7C\x81\x60\x81\x60"},
      // Where Windows' table has one, glibc's has none.
      {"\xC2\x80", std::nullopt},
      {"\xEF\xA3\xB0", std::nullopt},  // U+F8F0
      {"😀", std::nullopt},
      // Not UTF-8: a stray byte, an overlong form, an encoded surrogate.
      {"a\xFF", std::nullopt},
      {"\xC0\x80", std::nullopt},
      {"\xED\xA0\x80", std::nullopt},
  };
  for (const auto& [utf8, cp932] : rows) EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
}

TEST(Encoding, CodePage932ToUtf8ShowsWhatItCannotRead) {
  const std::string bad = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> rows[] = {
      {"\x88\xC8\x8F\xE3\\~", "以上\\~"},
      {"\xB1\x87\x40\xFA\x40\x81\x60", "ｱ①ⅰ～"},
      {"\xF0\x40", "\xEE\x80\x80"},  // user-defined: private use
      // Bytes that start no character are passed over one at a time.
      {"\x80\xA0\xFD\xFE\xFF", bad + bad + bad + bad + bad},
      {"\x85\x40", bad + "@"},  // a pair with no character
      {"\x81\x20", bad + " "},
      {"a\x81", "a" + bad},  // cut at the end
  };
  for (const auto& [cp932, utf8] : rows) EXPECT_EQ(Cp932ToUtf8Lossy(cp932), utf8) << utf8;
}

}  // namespace
}  // namespace platform
