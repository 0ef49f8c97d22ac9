// The stream an outline is printed through while its file is split: every section in the
// order handed over, with its own text, on the threads or on the caller's; a reader that
// fails gets nothing more, and the failure comes back to the caller; and once the file is
// found cut, no batch is printed from its lost bytes.
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

TEST(OutlineStream, PrintsEveryBatchInOrderAndStopsAtAFailureOrACutFile) {
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
    int failAt;  // the Add that fails, from 1; 0: none
    int cutAt;   // the batch from which on the file is found cut, from 0; -1: never
  };
  const Row rows[] = {{false, 0, -1}, {true, 0, -1}, {false, 7, -1}, {true, 7, -1},
                      {true, 60, -1}, {false, 0, 5}, {true, 0, 5},   {true, 0, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.bThreads) + " " + std::to_string(r.failAt) + " " +
                 std::to_string(r.cutAt));
    Recorder reader(r.failAt);
    bool bFailed = false;
    {
      int checks = 0;
      const auto whole = [&] { return r.cutAt < 0 || checks++ < r.cutAt; };
      COutlineStream stream(reader, data, platform::kNoFileHandle, TextEncoding::kShiftJis, true,
                            whole);
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
    // Of the sections, exactly those before the failing one, or the cut batch, were printed.
    std::vector<std::string> expected;
    for (std::size_t n = 0, adds = 0; n < all.size(); ++n) {
      if (all[n] != "}" && ++adds == static_cast<std::size_t>(r.failAt)) break;
      if (r.cutAt >= 0 && n == 3 * static_cast<std::size_t>(r.cutAt)) break;
      expected.push_back(all[n]);
    }
    EXPECT_EQ(reader.lines, expected);
  }
}

}  // namespace
}  // namespace engine
