#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace platform {
namespace {

TEST(Encoding, Utf8ToCodePage932) {
  EXPECT_EQ(Utf8ToCp932("以上　"), std::optional<std::string>("\x88\xC8\x8F\xE3\x81\x40"));
  EXPECT_EQ(Utf8ToCp932("<HR>"), std::optional<std::string>("<HR>"));
  EXPECT_EQ(Utf8ToCp932("ｶﾒﾗ"), std::optional<std::string>("\xB6\xD2\xD7"));
  EXPECT_EQ(Utf8ToCp932("①"), std::optional<std::string>("\x87\x40"));  // a code page 932 extension
  EXPECT_EQ(Utf8ToCp932("😀"), std::nullopt);
  EXPECT_EQ(Utf8ToCp932("한"), std::nullopt);
  EXPECT_EQ(Utf8ToCp932("\xFF"), std::nullopt);
  EXPECT_EQ(Cp932ToUtf8("\x88\xC8\x8F\xE3"), std::optional<std::string>("以上"));
}

}  // namespace
}  // namespace platform
