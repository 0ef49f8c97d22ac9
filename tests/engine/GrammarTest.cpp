#include <gtest/gtest.h>

#include <numeric>

#include "engine/search/CSearcher.h"
#include "engine/search/SeparatorGrammar.h"

namespace engine {
namespace {

TEST(Grammar, RegistersTwelveModesWithTheirKeys) {
  CSearcher s;
  ASSERT_EQ(RegisterSeparatorGrammar(s, "--"), 0);
  ASSERT_EQ(s.m_nModeCount, kGrammarModeCount);
  const std::vector<std::size_t> counts = {1, 2, 4, 6, 2, 11, 18, 20, 5, 21, 19, 5};
  std::size_t total = 0;
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(s.m_apKeyStrings[m].size(), counts[m]) << "mode " << m;
    EXPECT_EQ(s.m_apKeyLengths[m].size(), counts[m]);
    EXPECT_EQ(s.m_apKeyCodes[m].size(), counts[m]);
    total += s.m_apKeyStrings[m].size();
  }
  EXPECT_EQ(total, std::size_t{kGrammarKeyCount});
  // The user key comes first wherever it is registered.
  for (int m : {5, 8, 9, 10, 11}) {
    EXPECT_EQ(s.m_apKeyStrings[m][0], "--");
    EXPECT_EQ(s.m_apKeyCodes[m][0], kCodeUser);
  }
  EXPECT_EQ(s.m_apKeyStrings[6][0], "<TABLE");
  EXPECT_EQ(s.m_apKeyStrings[6].back(), "</html");
  EXPECT_EQ(s.m_apKeyStrings[2][2], "</HTML");
}

TEST(Grammar, RegistrationStartsAfresh) {
  CSearcher s;
  ASSERT_EQ(RegisterSeparatorGrammar(s, "a"), 0);
  ASSERT_EQ(RegisterSeparatorGrammar(s, "b"), 0);
  EXPECT_EQ(s.m_nModeCount, 12);
  EXPECT_EQ(s.m_apKeyStrings[11][0], "b");
}

TEST(Grammar, StartModes) {
  struct Row {
    int kind, withoutUser, withUser;
  };
  for (const Row& r : {Row{0, 6, 10}, Row{1, 7, 9}, Row{2, 3, 5}, Row{3, 11, 11}, Row{9, 11, 11}}) {
    EXPECT_EQ(StartModeFor(0, r.kind), r.withoutUser) << r.kind;
    EXPECT_EQ(StartModeFor(1, r.kind), r.withUser) << r.kind;
  }
}

TEST(Grammar, AutoCloseDecision) {
  EXPECT_EQ(DecideAutoClose("----"), AutoCloseDecision::kNoOpen);
  EXPECT_EQ(DecideAutoClose("<HR"), AutoCloseDecision::kOpenNoClose);
  EXPECT_EQ(DecideAutoClose("<HR>"), AutoCloseDecision::kBoth);
  EXPECT_EQ(DecideAutoClose("--><!--"), AutoCloseDecision::kOpenAfterClose);
}

}  // namespace
}  // namespace engine
