// The stream an outline is printed through while its file is split: every section in the
// order handed over, with its own text, on the threads or on the caller's; and a reader that
// fails gets nothing more, and the failure comes back to the caller.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/sections/OutlineStream.h"

namespace engine {
namespace {

// Writes down what it is given; throws at its nth Add (0: never).
class Recorder : public COutlineReader {
 public:
  explicit Recorder(int failAt) : m_nFailAt(failAt) {}
  void Begin(const FileOutline&) override {}
  void Add(const OutlineSection& s, bool bDivided) override {
    if (++m_nAdded == m_nFailAt) throw std::runtime_error("write failed");
    lines.push_back(std::to_string(s.nLayer) + "#" + std::to_string(s.nIndex) + " " + s.strText +
                    (bDivided ? " {" : ""));
  }
  void Leave() override { lines.push_back("}"); }
  void End(const FileOutline&) override {}
  std::vector<std::string> lines;

 private:
  int m_nFailAt;
  int m_nAdded = 0;
};

TEST(OutlineStream, PrintsEveryBatchInOrderAndStopsAtTheFirstFailure) {
  // Forty batches of a word each, the first word of every batch holding the second.
  const std::string log = [] {
    std::string s;
    for (int i = 0; i < 80; ++i) s += "w" + std::to_string(100 + i) + " ";
    return s;
  }();
  const auto data = reinterpret_cast<const std::uint8_t*>(log.data());
  std::vector<std::string> all;
  for (int b = 0; b < 40; ++b) {
    all.push_back("1#" + std::to_string(b) + " w" + std::to_string(100 + 2 * b) + " {");
    all.push_back("2#0 w" + std::to_string(101 + 2 * b));
    all.push_back("}");
  }
  struct Row {
    bool bThreads;
    int failAt;
  };
  for (const Row& r : {Row{false, 0}, Row{true, 0}, Row{false, 7}, Row{true, 7}, Row{true, 60}}) {
    SCOPED_TRACE(std::to_string(r.bThreads) + " " + std::to_string(r.failAt));
    Recorder reader(r.failAt);
    bool bFailed = false;
    {
      COutlineStream stream(reader, data, platform::kNoFileHandle, TextEncoding::kShiftJis, true);
      if (r.bThreads) {
        ASSERT_TRUE(stream.StartThreads());
      }
      try {
        for (int b = 0; b < 40; ++b) {
          OutlineBatch& batch = stream.NextBatch();
          const auto at = static_cast<Offset>(10 * b);
          batch.nStart = at;
          batch.nEnd = at + 10;
          batch.entries.push_back({at, 5, 0, static_cast<Offset>(b), 1, {}, true});
          batch.entries.push_back({at + 5, 5, 0, 0, 2, {}, false});
          batch.entries.push_back({});
          stream.Hand();
        }
        stream.Finish();
      } catch (const std::runtime_error&) {
        bFailed = true;
      }
    }
    EXPECT_EQ(bFailed, r.failAt != 0);
    // Of the sections, exactly those before the failing one were printed.
    std::vector<std::string> expected;
    for (std::size_t n = 0, adds = 0; n < all.size(); ++n) {
      if (all[n] != "}" && ++adds == static_cast<std::size_t>(r.failAt)) break;
      expected.push_back(all[n]);
    }
    EXPECT_EQ(reader.lines, expected);
  }
}

}  // namespace
}  // namespace engine
