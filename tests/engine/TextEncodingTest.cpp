#include "engine/run/TextEncoding.h"

#include <gtest/gtest.h>

#include "engine/request/RunEncoding.h"

#include <optional>
#include <string>
#include <utility>

namespace engine {
namespace {

using E = TextEncoding;

std::optional<E> Detect(const std::string& bytes) {
  return DetectEncoding(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Each rule in its order, and what must not count for it.
TEST(TextEncoding, DetectsByTheFirstRuleThatApplies) {
  const std::string sjis = "\x82\xA0\x88\x9F";  // two Shift_JIS characters
  const std::string ascii = "<html><head><title>t</title></head><body>x</body></html>";
  const std::pair<std::string, std::optional<E>> rows[] = {
      {"\xEF\xBB\xBF<html>" + sjis, E::kUtf8},                              // the mark wins
      {"<html>" + std::string(20, 'a') + "\xE3\x81\x82</html>", E::kUtf8},  // after 8-byte runs
      {ascii, std::nullopt},  // no multi-byte sequence
      {"", std::nullopt},
      {"<meta charset=utf-8>" + sjis, E::kUtf8},  // a label when the bytes are no UTF-8
      {"<META CHARSET = \"Shift_JIS\">" + sjis, E::kShiftJis},
      {"<meta content='text/html; charset=\tEUC-JP-ms'>" + sjis, E::kEucJp},
      {"<meta charset='eucJP-ms'>" + sjis, E::kEucJp},
      {"<meta charset=Windows-31J>" + sjis, E::kShiftJis},
      {"<meta charset=MS_Kanji>" + sjis, E::kShiftJis},
      {"<meta charset=euc-kr>" + sjis, std::nullopt},  // the first label is unknown
      {"charset is said below <meta charset=euc-jp>" + sjis, E::kEucJp},  // a word, no '='
      {"<body><meta charset=euc-jp>" + sjis, std::nullopt},               // after the body starts
      {"<BoDy x><meta charset=euc-jp>" + sjis, std::nullopt},
      {"<meta charset=euc-jp><meta charset=utf-8>" + sjis, E::kEucJp},
      {"\xC0\x80", std::nullopt},          // overlong
      {"\xED\xA0\x80", std::nullopt},      // a surrogate
      {"\xF4\x90\x80\x80", std::nullopt},  // above U+10FFFF
      {"\xE3\x81", std::nullopt},          // cut short
      {"\xF0\x9F\x98\x80", E::kUtf8},
  };
  for (const auto& [bytes, expected] : rows) EXPECT_EQ(Detect(bytes), expected) << bytes;
}

// Only EUC labels after "charset" and "=", whole, become Shift_JIS; nothing else in the
// header changes (the spellings and quotes of a real header: the golden cases).
TEST(TextEncoding, RelabelsOnlyEucLabels) {
  const std::pair<std::string, std::string> rows[] = {
      {"<meta charset=euc-jp>", "<meta charset=Shift_JIS>"},
      {"<meta charset=x-euc>", "<meta charset=Shift_JIS>"},
      {"<meta charset=euc-jpx>", "<meta charset=euc-jpx>"},
      {"<meta charset=utf-8>", "<meta charset=utf-8>"},
      {"<title>charset euc-jp</title>", "<title>charset euc-jp</title>"},
      {"charset=euc-jp", "charset=Shift_JIS"},  // at the very end
      {"", ""},
  };
  for (const auto& [header, expected] : rows) EXPECT_EQ(RelabelEucHeader(header), expected);
}

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
