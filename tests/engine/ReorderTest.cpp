#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/Conversion.h"

namespace engine {
namespace {

using testing_support::Convert;
using testing_support::Doc;
using testing_support::Settings;

// P1 <HR> P2 B P3: three top-level sections, the second carrying a whole table.
const std::string kB = "<TABLE><TR><TD>t</TD></TR></TABLE>";
const std::string kBody = "p1 <HR>p2 " + kB + "p3 ";

Settings Reverse1(int separatorFirst) {
  Settings s;
  s.reverse = {1};
  s.separatorFirst = separatorFirst;
  return s;
}

struct ReorderCase {
  const char* name;
  std::string body;
  Settings settings;
  std::string expected;
};

Settings With(Settings s, std::vector<int> range, int lead, int trail, int keep) {
  s.range = std::move(range);
  s.leadCut = lead;
  s.trailCut = trail;
  s.cutOutsideRange = keep;
  return s;
}

const ReorderCase kCases[] = {
    {"nothing_set_copies_the_body", kBody, Settings{}, kBody},
    {"reversed_text_first", kBody, Reverse1(0), "p3 p2 " + kB + "p1 <HR>"},
    {"reversed_separator_first", kBody, Reverse1(1), "p3 " + kB + "p2 <HR>p1 "},
    {"lead_cut_drops_the_first", kBody, With(Reverse1(1), {1}, 1, 0, 0), "p3 " + kB + "p2 "},
    {"lead_cut_kept_in_place", kBody, With(Reverse1(1), {1}, 1, 0, 1),
     "p1 <HR>p3 " + kB + "p2 "},
    {"trail_cut_drops_the_last", kBody, With(Reverse1(0), {1}, 0, 1, 0), "p2 " + kB + "p1 <HR>"},
    {"cuts_cover_everything", kBody, With(Reverse1(0), {1}, 2, 1, 0), ""},
    {"cuts_cover_everything_kept", kBody, With(Reverse1(0), {1}, 19, 19, 1), kBody},
    {"zero_cuts_with_range", kBody, With(Reverse1(0), {1}, 0, 0, 0), "p3 p2 " + kB + "p1 <HR>"},
    {"range_without_reverse_cuts_in_order", kBody, With(Settings{}, {1}, 1, 1, 0), "p2 " + kB},
    // Separators alone now divide a cluster that can be reversed.
    {"hr_only_log_reversed", "a <HR>b <HR>c ", Reverse1(1), "c <HR>b <HR>a "},
    {"hr_only_log_in_order_unchanged", "a <HR>b <HR>c ", With(Settings{}, {1}, 0, 0, 0),
     "a <HR>b <HR>c "},
    {"kind_2_reverses_posts", "<dl>1</dl><HR><dl>2</dl><HR><dl>3</dl>",
     [] {
       Settings s = Reverse1(0);
       s.kind = 2;
       return s;
     }(),
     "<dl>3</dl><dl>2</dl><HR><dl>1</dl><HR>"},
    {"user_separator_only", "a--b--c", [] {
       Settings s = Reverse1(1);
       s.kind = 3;
       s.userSeparator = "--";
       return s;
     }(),
     "c--b--a"},
    // Layer 2 reversed: rows inside each table, the table's own tags stay at its ends.
    {"layer_2_reverses_rows", "x<TABLE><TR>r1</TR><TR>r2</TR></TABLE>y",
     [] {
       Settings s;
       s.kind = 1;
       s.reverse = {2};
       s.separatorFirst = 1;
       return s;
     }(),
     "x<TABLE><TR>r2</TR><TR>r1</TR></TABLE>y"},
    {"layer_2_block_without_inner_blocks_unchanged", "x<TABLE>a b</TABLE>y", [] {
       Settings s;
       s.kind = 1;
       s.reverse = {2};
       return s;
     }(),
     "x<TABLE>a b</TABLE>y"},
    // The close part of a block is written even when every section is cut.
    {"block_close_written_when_all_cut", "<TABLE><TR>1</TR><TR>2</TR></TABLE>", [] {
       Settings s;
       s.kind = 1;
       s.range = {2};
       s.leadCut = 5;
       return s;
     }(),
     "<TABLE></TABLE>"},
    // An in-order layer whose last section is empty still honours its cuts.
    {"in_order_cut_before_a_closing_tag", "<TABLE>a<HR>b<HR></TABLE>", [] {
       Settings s;
       s.range = {2};
       s.leadCut = 1;
       return s;
     }(),
     "<TABLE>b<HR></TABLE>"},
    // ...and the reversal of the layers below it.
    {"in_order_layer_keeps_inner_reversal", "<TABLE><TR>1</TR><TR>2</TR><HR></TABLE>", [] {
       Settings s;
       s.reverse = {2};
       s.range = {1};
       s.separatorFirst = 1;
       return s;
     }(),
     "<TABLE><HR><TR>2</TR><TR>1</TR></TABLE>"},
};

void PrintTo(const ReorderCase& c, std::ostream* os) { *os << c.name; }

class Reorder : public ::testing::TestWithParam<ReorderCase> {};

TEST_P(Reorder, WritesTheBody) {
  const ReorderCase& c = GetParam();
  int result = -2;
  EXPECT_EQ(Convert(Doc(c.body), c.settings, &result), Doc(c.expected));
  EXPECT_EQ(result, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Reorder, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReorderBytes, ReversalKeepsEveryByteOfTheBody) {
  std::string body;
  for (int i = 0; i < 50; ++i) {
    body += "<dl><dt>" + std::to_string(i) + " \x96\xBC\x91\x4F<dd>text<br></dl>\r\n";
    body += (i % 7 == 3) ? "<TABLE><TR><TD>" + std::to_string(i) + "</TD></TR></TABLE>" : "<HR>";
  }
  for (int limit = 1; limit <= 4; ++limit) {
    Settings s;
    for (int l = 1; l <= limit; ++l) s.reverse.push_back(l);
    std::string out = Convert(Doc(body), s);
    ASSERT_EQ(out.size(), Doc(body).size());
    std::string a = out, b = Doc(body);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b);
  }
}

}  // namespace
}  // namespace engine
