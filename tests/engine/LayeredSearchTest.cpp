#include <gtest/gtest.h>

#include <string>

#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "tests/support/MessageRecorder.h"

namespace engine {
namespace {

struct Tree {
  CExecutor ex;
  std::string buffer;
  std::uint8_t result = 0;

  // Runs the layered search over the whole buffer as the root's body.
  Tree(const std::string& body, std::uint8_t mode, std::uint8_t limit, const std::string& user = "",
       int autoClose = 1)
      : buffer(body) {
    RegisterSeparatorGrammar(ex.m_searcher, user);
    ex.m_searcher.m_bAutoClose = autoClose;
    ex.m_searcher.SetBuffer(reinterpret_cast<const std::uint8_t*>(buffer.data()), buffer.size());
    ex.m_rootCluster.m_nStart = 0;
    ex.m_rootCluster.m_byLayerLimit = limit;
    ex.m_rootCluster.AddSection(ex.m_sections);
    result = ex.m_searcher.SearchLayer(ex.m_sections, ex.m_rootCluster, mode);
  }

  std::string Text(Offset pos, Offset len) const { return buffer.substr(pos, len); }

  // A cluster as text: '*' for a leaf mark, its lead, "[head|nested]" per section, its close.
  std::string Dump(const CCluster& c) {
    if (c.m_nCount == 0) return Text(c.m_nStart, c.m_nLength);
    std::string s = c.m_bLeaf ? "*" : "";
    s += Text(c.m_nStart, c.m_nLeadLength);
    for (Offset i = 0; i < c.m_nCount; ++i) {
      const CSection& sec = c.GetSection(ex.m_sections, i);
      s += "[" + Text(sec.m_nHeadStart, sec.m_nHeadLength) + "|" + Dump(sec.m_cluster) + "]";
    }
    return s + Text(c.m_nClosePos, c.m_nCloseLength);
  }
  std::string Dump() { return Dump(ex.m_rootCluster); }
};

struct LayerCase {
  const char* name;
  std::uint8_t mode;
  std::uint8_t limit;
  const char* body;
  const char* dump;
  std::uint8_t result;
};

void PrintTo(const LayerCase& c, std::ostream* os) { *os << c.name; }

class LayeredSearch : public ::testing::TestWithParam<LayerCase> {};

TEST_P(LayeredSearch, BuildsTheTree) {
  const LayerCase& c = GetParam();
  Tree t(c.body, c.mode, c.limit);
  EXPECT_EQ(t.Dump(), c.dump);
  EXPECT_EQ(int{t.result}, int{c.result});
}

const LayerCase kLayerCases[] = {
    {"separators_make_sections", 3, 1, "A<HR>B<HR>C</BODY>", "[A|<HR>][B|<HR>][C|]",
     kLayerBodyEnd},
    {"separator_with_attributes", 3, 1, "A<hr size=2>B</body>", "[A|<hr size=2>][B|]",
     kLayerBodyEnd},
    {"table_passed_over_whole", 7, 1, "x<TABLE><TR><TD>p</TD></TR></TABLE>y</BODY>",
     "[x|*<TABLE>[<TR><TD>p</TD></TR>|]</TABLE>][y|]", kLayerBodyEnd},
    {"table_cut_at_layer_two", 7, 2, "x<TABLE><TR><TD>p</TD></TR></TABLE>y</BODY>",
     "[x|<TABLE>[|*<TR>[<TD>p</TD>|]</TR>][|]</TABLE>][y|]", kLayerBodyEnd},
    {"closing_tags_are_not_paired_by_name", 7, 2, "<TABLE>a<TD>b</TR>c</TD></BODY>",
     "[|<TABLE>[a|*<TD>[b|]</TR>][c|]</TD>][|]", kLayerBodyEnd},
    {"stray_closing_tag_closes_the_root", 7, 1, "a</TD>b</BODY>", "*[a|]</TD>", kLayerClosed},
    {"hr_above_the_limit_stays_in_the_head", 6, 1, "<TABLE>a<HR>b</TABLE></BODY>",
     "[|*<TABLE>[a<HR>b|]</TABLE>][|]", kLayerBodyEnd},
    {"centering_tags_stay_in_the_head", 7, 1, "a<CENTER>b</CENTER><TABLE>t</TABLE></BODY>",
     "[a<CENTER>b</CENTER>|*<TABLE>[t|]</TABLE>][|]", kLayerBodyEnd},
    {"center_is_text_in_mode_3", 3, 1, "a<CENTER><HR></CENTER></BODY>",
     "[a<CENTER>|<HR>][</CENTER>|]", kLayerBodyEnd},
    {"document_end_without_body_end", 3, 1, "a<HR>b</HTML>", "[a|<HR>][b|]", kLayerDocumentEnd},
    {"no_limit_keeps_one_section", 6, 0, "a<HR>b<TABLE>c</TABLE>d</BODY>",
     "*[a<HR>b<TABLE>c</TABLE>d|]", kLayerBodyEnd},
    {"two_separators_in_a_row", 3, 1, "a<HR><HR>b</BODY>", "[a|<HR>][|<HR>][b|]",
     kLayerBodyEnd},
    {"separator_right_after_a_block_opens", 6, 2, "<TABLE><HR>x</TABLE></BODY>",
     "[|<TABLE>[|<HR>][x|]</TABLE>][|]", kLayerBodyEnd},
    // The last bytes of a log without end tags belong to the last section.
    {"buffer_end_keeps_the_tail", 3, 1, "a<HR>bc", "[a|<HR>][bc|]", kLayerBufferEnd},
    {"tag_without_its_end_reaches_the_buffer_end", 3, 1, "a<HR>b<HR", "[a|<HR>][b<HR|]",
     kLayerBufferEnd},
    {"open_block_at_buffer_end", 7, 2, "a<TABLE>b<TR>c", "[a|<TABLE>[b|*<TR>[c|]]]",
     kLayerBufferEnd},
};

INSTANTIATE_TEST_SUITE_P(Cases, LayeredSearch, ::testing::ValuesIn(kLayerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LayeredSearchTree, RootEndsWhereTheBodyEndTagBegins) {
  Tree t("A<HR>B<HR>C</BODY>", 3, 1);
  const CCluster& root = t.ex.m_rootCluster;
  EXPECT_EQ(root.m_nStart + root.m_nLength, 11u);
  EXPECT_EQ(root.m_nClosePos, 11u);
  EXPECT_EQ(root.m_nCloseLength, 0u);
  EXPECT_EQ(root.m_bLeaf, 0);  // divided by separators: no longer written unchanged
}

TEST(LayeredSearchTree, BlockLeftOpenAtBodyEndGoesOnToTheDocumentEnd) {
  Tree t("x<TABLE>y</BODY>z</HTML>", 7, 1);
  EXPECT_EQ(int{t.result}, int{kLayerDocumentEnd});
  EXPECT_EQ(t.Dump(), "[x|*<TABLE>[y|]][</BODY>z|]");
  const CCluster& root = t.ex.m_rootCluster;
  EXPECT_EQ(root.m_nStart + root.m_nLength, 17u);
}

TEST(LayeredSearchTree, InvariantsHoldForANestedLog) {
  const std::string body =
      "h<HR><TABLE><TR><TD>a<HR>b</TD><TD>c</TD></TR></TABLE>m<HR>"
      "<TABLE><TR><TD>d</TD></TR></TABLE>t</BODY>";
  for (std::uint8_t limit = 0; limit <= 5; ++limit) {
    Tree t(body, 6, limit);
    ASSERT_EQ(int{t.result}, int{kLayerBodyEnd});
    // Sections of every cluster are contiguous and the tree covers the body exactly.
    std::function<void(const CCluster&)> check = [&](const CCluster& c) {
      if (c.m_nCount == 0) return;
      Offset pos = c.m_nStart + c.m_nLeadLength;
      for (Offset i = 0; i < c.m_nCount; ++i) {
        const CSection& s = c.GetSection(t.ex.m_sections, i);
        EXPECT_EQ(s.m_nStart, pos);
        EXPECT_EQ(s.m_nIndex, i);
        if (s.m_cluster.m_nLength != 0) {
          EXPECT_EQ(s.m_cluster.m_nStart, s.m_nStart + s.m_nHeadLength);
        }
        EXPECT_EQ(s.m_nTotalLength, s.m_nHeadLength + s.m_cluster.m_nLength);
        check(s.m_cluster);
        pos += s.m_nTotalLength;
      }
      const CSection& last = c.GetSection(t.ex.m_sections, c.m_nCount - 1);
      EXPECT_EQ(last.m_cluster.m_nLength, 0u);
      EXPECT_EQ(c.m_nStart + c.m_nLength, pos + c.m_nCloseLength);
    };
    check(t.ex.m_rootCluster);
    EXPECT_EQ(t.ex.m_rootCluster.m_nLength, body.size() - 7) << int{limit};
  }
}

TEST(LayeredSearchTree, UserSeparatorIsASeparator) {
  Tree exact("a--b--c</BODY>", 11, 1, "--", 0);
  EXPECT_EQ(exact.Dump(), "[a|--][b|--][c|]");
  // Auto-close runs the user key on through the next '>'.
  Tree closed("a<!-- x -->b</BODY>", 11, 1, "<!--", 1);
  EXPECT_EQ(closed.Dump(), "[a|<!-- x -->][b|]");
}

TEST(LayeredSearchTree, SearchErrorShowsTheLayer) {
  testing_support::MessageRecorder rec;
  CExecutor ex;
  RegisterSeparatorGrammar(ex.m_searcher, "");
  ex.m_rootCluster.m_byLayerLimit = 1;
  ex.m_rootCluster.AddSection(ex.m_sections);
  // No buffer was handed over.
  EXPECT_EQ(int{ex.m_searcher.SearchLayer(ex.m_sections, ex.m_rootCluster, 3)},
            int{kLayerSearchError});
  ASSERT_EQ(rec.Texts().size(), 2u);
  EXPECT_EQ(rec.Texts()[0], "検索クラスにファイルバッファがセットされていません");
  EXPECT_EQ(rec.Texts()[1], "レイヤー値[0]の区切りサーチ中にエラーが発生\n");
}

}  // namespace
}  // namespace engine
