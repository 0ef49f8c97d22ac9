// The real velmorant-cli, two runs writing over one existing output at once: the output is
// one of the two whole, and nothing else is left in the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename());
  return names;
}

// A board log of about `mib` MiB whose posts stand between <HR> tags.
std::string BigLog(std::size_t mib) {
  const std::string post = "<dl><dt>name</dt><dd>" + std::string(160, 'x') + "</dd></dl><HR>\r\n";
  std::string log = "<HTML><BODY>\r\n";
  log.reserve((mib << 20) + 64);
  for (std::size_t i = 0; log.size() < (mib << 20); ++i) log += post;
  return log + "</BODY></HTML>";
}

// Starts velmorant-cli in `dir` with messages to dir/.err; returns its process id.
pid_t Start(const std::string& dir, const std::vector<std::string>& args) {
  return testing_support::StartProgram(VELMORANT_CLI_PATH, dir, args);
}

int Wait(pid_t pid) {
  return testing_support::WaitProgram(pid);
}

const std::vector<std::string> kReverse = {"-q", "-f", "-k",       "2",      "-r",
                                           "1",  "-o", "out.html", "in.html"};

// Two runs on one output at the same time never mix: what is left is one of the two
// outputs, whole.
TEST(SafeOutput, ConcurrentRunsNeverMix) {
  TempDir dir;
  dir.Write("in.html", BigLog(8));
  const std::vector<std::string> inOrder = {"-q", "-f", "-k", "2", "-o", "out.html", "in.html"};
  ASSERT_EQ(Wait(Start(dir.Path(), kReverse)), 0);
  const std::string reversed = ReadFile(dir.File("out.html"));
  ASSERT_EQ(Wait(Start(dir.Path(), inOrder)), 0);
  const std::string ordered = ReadFile(dir.File("out.html"));
  ASSERT_NE(reversed, ordered);
  const auto names = Names(dir.Path());
  for (int round = 0; round < 6; ++round) {
    const pid_t a = Start(dir.Path(), round % 2 ? kReverse : inOrder);
    const pid_t b = Start(dir.Path(), round % 2 ? inOrder : kReverse);
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);
    const std::string out = ReadFile(dir.File("out.html"));
    EXPECT_TRUE(out == reversed || out == ordered) << "round " << round << ": a mix";
    EXPECT_EQ(Names(dir.Path()), names);
  }
}

}  // namespace
