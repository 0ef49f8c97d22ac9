// The golden corpus: every folder of tests/data is one run of the real velmorant-cli with
// the bytes it must leave behind (tests/data/README.md describes a case folder). Each case
// runs once per threshold profile, so that logs of a few hundred bytes also take the
// mapped-input and two-thread search paths, and must give the same bytes on every one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PathOf;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::Utf8Of;
using Files = std::map<std::string, std::string>;
using Env = std::vector<std::pair<std::string, std::string>>;

struct Profile {
  const char* name;
  Env env;
};

// The thresholds a run takes: as shipped, every input mapped, and every body also searched
// by the second thread while a third writes each top section as soon as it is complete.
const Profile kProfiles[] = {
    {"default", {}},
    {"mapped", {{"VELMORANT_TEST_LARGE_FILE", "1"}}},
    {"two_threads",
     {{"VELMORANT_TEST_LARGE_FILE", "1"},
      {"VELMORANT_TEST_INDEX_MIN", "0"},
      {"VELMORANT_TEST_PLACE_MIN", "0"},
      {"VELMORANT_TEST_TOP_STEP", "0"}}},
};
void PrintTo(const Profile& p, std::ostream* os) {
  *os << p.name;
}

const char* const kThresholdNames[] = {"VELMORANT_TEST_LARGE_FILE", "VELMORANT_TEST_INDEX_MIN",
                                       "VELMORANT_TEST_INDEX_FROM", "VELMORANT_TEST_PROGRESS_AFTER",
                                       "VELMORANT_TEST_PLACE_MIN",  "VELMORANT_TEST_TOP_STEP"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

// Every regular file below `dir`, by its path relative to `dir`; anything else is listed
// with a marker so that it cannot pass for an expected file.
Files Snapshot(const fs::path& dir) {
  Files files;
  if (!fs::exists(dir)) return files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::u8string relative = e.path().lexically_relative(dir).generic_u8string();
    const std::string name(relative.begin(), relative.end());
    if (e.is_symlink() || (!e.is_regular_file() && !e.is_directory())) {
      files[name] = "\x01 not a regular file";
    } else if (e.is_regular_file()) {
      files[name] = ReadFile(Utf8Of(e.path()));
    }
  }
  return files;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(VELMORANT_GOLDEN_DIR))
    if (e.is_directory()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program in `dir` with `args`, standard input from nothing and the threshold
// variables of `env` only; a run that hangs is killed after 20 s.
Outcome RunCli(const fs::path& dir, const std::vector<std::string>& args, const Env& env,
               const fs::path& capture) {
  testing_support::ProgramRun run;
  run.program = VELMORANT_CLI_PATH;
  run.dir = Utf8Of(dir);
  run.args = args;
  run.env = env;
  run.unset.assign(std::begin(kThresholdNames), std::end(kThresholdNames));
  run.outPath = Utf8Of(capture / "stdout");
  run.errPath = Utf8Of(capture / "stderr");
  Outcome o;
  o.status = testing_support::RunProgram(run);
  o.out = ReadFile(run.outPath);
  o.err = ReadFile(run.errPath);
  return o;
}

// The system's own words for a cause ("(ENOENT)", or Windows' code and text) are left out:
// each system words them its own way.
std::string WithoutCauseDetails(const std::string& text) {
  std::string out;
  for (const std::string& line : Lines(text)) {
    const auto paren = line.rfind(" (");
    out +=
        line.rfind("原因: ", 0) == 0 && paren != std::string::npos ? line.substr(0, paren) : line;
    out += '\n';
  }
  return out;
}

class Golden : public ::testing::TestWithParam<std::tuple<std::string, Profile>> {};

TEST_P(Golden, LeavesExactlyTheExpectedFiles) {
  const auto& [name, profile] = GetParam();
  const fs::path src = fs::path(VELMORANT_GOLDEN_DIR) / name;
  const TempDir tmp;
  const fs::path run = PathOf(tmp.Path()) / "run";
  fs::create_directory(run);
  if (fs::exists(src / "in")) fs::copy(src / "in", run, fs::copy_options::recursive);

  ASSERT_TRUE(fs::exists(src / "args")) << "a case needs its args file";
  ASSERT_TRUE(fs::exists(src / "status")) << "a case needs its status file";
  Env env = profile.env;
  for (const std::string& line : Lines(ReadFile(Utf8Of(src / "env")))) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) env.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }

  Files expected = Snapshot(run);
  for (const auto& [file, bytes] : Snapshot(src / "expected")) expected[file] = bytes;
  const Outcome o = RunCli(run, Lines(ReadFile(Utf8Of(src / "args"))), env, PathOf(tmp.Path()));

  ASSERT_LT(o.status, 128) << "killed by signal " << o.status - 128 << " (9: hanging)\n" << o.err;
  EXPECT_EQ(o.status, std::stoi(ReadFile(Utf8Of(src / "status")))) << o.err;
  EXPECT_EQ(o.out, ReadFile(Utf8Of(src / "stdout"))) << "standard output";
  if (fs::exists(src / "stderr")) {
    EXPECT_EQ(WithoutCauseDetails(o.err), WithoutCauseDetails(ReadFile(Utf8Of(src / "stderr"))));
  }

  // Inputs and files the run should not touch stay as they were; nothing else appears.
  const Files after = Snapshot(run);
  for (const auto& [file, bytes] : expected) {
    const auto it = after.find(file);
    if (it == after.end()) {
      ADD_FAILURE() << file << " is missing";
    } else {
      EXPECT_EQ(it->second, bytes) << file;
    }
  }
  for (const auto& [file, bytes] : after)
    EXPECT_TRUE(expected.count(file)) << file << " should not exist";
}

// A wrong data path would otherwise run nothing and pass.
TEST(GoldenCorpus, IsFound) {
  EXPECT_GE(CaseNames().size(), 40u) << VELMORANT_GOLDEN_DIR;
}

INSTANTIATE_TEST_SUITE_P(Corpus, Golden,
                         ::testing::Combine(::testing::ValuesIn(CaseNames()),
                                            ::testing::ValuesIn(kProfiles)),
                         [](const auto& info) {
                           return std::get<0>(info.param) + "__" + std::get<1>(info.param).name;
                         });

}  // namespace
