#include "engine/run/TextEncoding.h"

#include <gtest/gtest.h>

#include "engine/request/RunEncoding.h"

#include <optional>
#include <string>
#include <utility>

namespace engine {
namespace {

using E = TextEncoding;

// The question before a desktop run: asked only when the first input's bytes say another
// encoding than the one chosen, and its answer decides; auto and the command line ask none.
TEST(TextEncoding, AsksOnlyAboutAnotherEncodingAndTakesTheAnswer) {
  using C = EncodingChoice;
  struct Row {
    C choice;
    std::optional<E> firstInput;
    bool bAnswer;
    E expected;
    const char* question;  // "" when none is asked
  };
  const Row rows[] = {
      {C::kShiftJis, E::kUtf8, true, E::kUtf8,
       "「a.html」は UTF-8 のようです。UTF-8 として処理しますか？"},
      {C::kShiftJis, E::kUtf8, false, E::kShiftJis,
       "「a.html」は UTF-8 のようです。UTF-8 として処理しますか？"},
      {C::kEucJp, E::kEucJp, true, E::kEucJp, ""},
      {C::kEucJp, std::nullopt, true, E::kEucJp, ""},
      {C::kAuto, E::kEucJp, false, E::kEucJp, ""},
  };
  for (const Row& r : rows) {
    RunInputs inputs;
    std::string asked;
    const E got = ApplyEncoding(inputs, {r.choice, "x", r.firstInput, "a.html"},
                                [&](const std::string& question, E) {
                                  asked = question;
                                  return r.bAnswer;
                                });
    EXPECT_EQ(std::pair(got, inputs.encoding), std::pair(r.expected, r.expected));
    EXPECT_EQ(asked, r.question);
  }
}

}  // namespace
}  // namespace engine
