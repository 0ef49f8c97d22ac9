// The benchmark's logs: what the generator promises, and their conversions through the
// whole engine against the result worked out from the generator's own post positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "bench/LogGenerator.h"
#include "tests/support/Conversion.h"

namespace bench {
namespace {

using testing_support::Convert;
using testing_support::Settings;

constexpr std::size_t kSize = 300 << 10;

std::string Slice(const GeneratedLog& log, std::size_t from, std::size_t to) {
  return log.bytes.substr(from, to - from);
}

// Header through <BODY ...>, then `body`, then "</BODY>" through "</HTML>".
std::string Around(const GeneratedLog& log, const std::string& body) {
  const std::size_t end = log.bytes.rfind("</HTML>") + 7;
  return Slice(log, 0, log.bodyStart) + body + Slice(log, log.bodyEnd, end);
}

// Posts divided by separators, layer 1 reversed, separator first: the last head first,
// then each separator followed by the head before it.
std::string ReversedBySeparators(const GeneratedLog& log) {
  std::string body;
  std::size_t headEnd = log.bodyEnd;
  for (std::size_t i = log.posts.size(); i-- > 0;) {
    const PostSpan& p = log.posts[i];
    if (p.separatorLength == 0) continue;
    const std::size_t sepEnd = p.separatorPos + p.separatorLength;
    body += Slice(log, sepEnd, headEnd);  // the head after this separator
    body += Slice(log, p.separatorPos, sepEnd);
    headEnd = p.separatorPos;
  }
  return body + Slice(log, log.bodyStart, headEnd);
}

// Tables reversed in layers 1 to 3: posts last first, and in each post's row the two cells
// swapped, the table and row tags staying at their ends.
std::string ReversedTables(const GeneratedLog& log) {
  std::string body = Slice(log, log.posts.back().start + log.posts.back().length, log.bodyEnd);
  for (std::size_t i = log.posts.size(); i-- > 0;) {
    const PostSpan& p = log.posts[i];
    const std::size_t firstCell = log.bytes.find("<td", p.start);
    const std::size_t end = p.start + p.length;
    body += Slice(log, p.start, firstCell);       // "<table border=0><tr>"
    body += Slice(log, p.secondCell, p.rowEnd);   // the second cell
    body += Slice(log, firstCell, p.secondCell);  // the first
    body += Slice(log, p.rowEnd, end);            // "</tr></table>"
    const std::size_t headStart =
        i == 0 ? log.bodyStart : log.posts[i - 1].start + log.posts[i - 1].length;
    body += Slice(log, headStart, p.start);
  }
  return body;
}

struct LogCase {
  const char* name;
  LogVariant variant;
  Settings settings;
  bool bReversed;  // false: the output is the input unchanged
};
void PrintTo(const LogCase& c, std::ostream* os) {
  *os << c.name;
}

Settings Make(int kind, const std::string& user, std::vector<int> reverse) {
  Settings s;
  s.kind = kind;
  s.userSeparator = user;
  s.reverse = std::move(reverse);
  return s;
}

class GeneratedLogConversion : public testing::TestWithParam<LogCase> {};

TEST_P(GeneratedLogConversion, WritesThePostsAsTheirPositionsSay) {
  const LogCase& c = GetParam();
  const GeneratedLog log = GenerateLog(c.variant, kSize);
  int result = -1;
  const std::string out = Convert(log.bytes, c.settings, &result);
  ASSERT_EQ(result, 0);
  std::string body = Slice(log, log.bodyStart, log.bodyEnd);
  if (c.bReversed) {
    body = c.variant == LogVariant::kTable ? ReversedTables(log) : ReversedBySeparators(log);
  }
  const std::string expected = Around(log, body);
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_TRUE(out == expected) << "first difference at "
                               << std::mismatch(out.begin(), out.end(), expected.begin()).first -
                                      out.begin();
}

const LogCase kLogCases[] = {
    {"hr_reversed", LogVariant::kHr, Make(2, "", {1}), true},
    {"hr_by_kind_0", LogVariant::kHr, Make(0, "", {1}), true},
    {"hr_untouched", LogVariant::kHr, Make(2, "", {}), false},
    {"user_reversed", LogVariant::kUser, Make(3, kUserSeparatorSjis, {1}), true},
    {"user_with_tags", LogVariant::kUser, Make(2, kUserSeparatorSjis, {1}), true},
    {"user_untouched", LogVariant::kUser, Make(3, kUserSeparatorSjis, {}), false},
    {"table_reversed", LogVariant::kTable, Make(0, "", {1, 2, 3}), true},
    {"table_by_kind_1", LogVariant::kTable, Make(1, "", {1, 2, 3}), true},
    {"table_untouched", LogVariant::kTable, Make(0, "", {}), false},
};
INSTANTIATE_TEST_SUITE_P(Variants, GeneratedLogConversion, testing::ValuesIn(kLogCases),
                         [](const auto& info) { return std::string(info.param.name); });

class Generator : public testing::TestWithParam<LogVariant> {};

TEST_P(Generator, IsDeterministicAndSizedAsAsked) {
  const GeneratedLog a = GenerateLog(GetParam(), kSize);
  EXPECT_EQ(a.bytes, GenerateLog(GetParam(), kSize).bytes);
  EXPECT_NE(a.bytes, GenerateLog(GetParam(), kSize, 2).bytes);
  EXPECT_GE(a.bytes.size(), kSize);
  EXPECT_LT(a.bytes.size(), kSize + 2100);
}

TEST_P(Generator, PostsAreTwoHundredToTwoThousandBytesOfShiftJis) {
  const GeneratedLog log = GenerateLog(GetParam(), kSize);
  ASSERT_GT(log.posts.size(), 100u);
  for (const PostSpan& p : log.posts) {
    // A post stops at the first word that reaches its share.
    EXPECT_GE(p.length, 200u);
    EXPECT_LE(p.length, 2040u);
  }
  // Every lead byte has a trail byte: no key can start inside a character.
  const std::string& b = log.bytes;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const auto c = static_cast<unsigned char>(b[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ASSERT_LT(i + 1, b.size());
      const auto t = static_cast<unsigned char>(b[++i]);
      ASSERT_TRUE(t >= 0x40 && t <= 0xFC && t != 0x7F) << "at " << i;
    } else {
      ASSERT_LT(c, 0x80) << "at " << i;
    }
  }
}

TEST_P(Generator, HoldsTheTagsOfARealBoard) {
  const GeneratedLog log = GenerateLog(GetParam(), kSize);
  const bool bTable = GetParam() == LogVariant::kTable;
  for (const char* tag : {"<br>", "<a href=", "<b>", bTable ? "<blockquote>" : "<dt>"}) {
    EXPECT_NE(log.bytes.find(tag), std::string::npos) << tag;
  }
  std::size_t separators = 0;
  for (const PostSpan& p : log.posts) separators += p.separatorLength != 0;
  EXPECT_EQ(separators, bTable ? 0 : log.posts.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, Generator,
                         testing::Values(LogVariant::kHr, LogVariant::kTable, LogVariant::kUser),
                         [](const auto& info) { return std::string(VariantName(info.param)); });

}  // namespace
}  // namespace bench
