// The golden corpus: every folder of tests/data is one run of the real velmorant-cli with
// the bytes it must leave behind (tests/data/README.md describes a case folder). Each case
// runs once per threshold profile, so that logs of a few hundred bytes also take the
// mapped-input and two-thread search paths, and must give the same bytes on every one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
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
// by the second thread while a third writes each top section as soon as it is complete,
// the mapped bytes touched in the view, or read through the file.
const Profile kProfiles[] = {
    {"default", {}},
    {"mapped", {{"VELMORANT_TEST_LARGE_FILE", "1"}}},
    {"two_threads",
     {{"VELMORANT_TEST_LARGE_FILE", "1"},
      {"VELMORANT_TEST_INDEX_MIN", "0"},
      {"VELMORANT_TEST_PLACE_MIN", "0"},
      {"VELMORANT_TEST_TOP_STEP", "0"},
      {"VELMORANT_TEST_READ_THROUGH", "0"}}},
    {"read_through",
     {{"VELMORANT_TEST_LARGE_FILE", "1"},
      {"VELMORANT_TEST_INDEX_MIN", "0"},
      {"VELMORANT_TEST_PLACE_MIN", "0"},
      {"VELMORANT_TEST_TOP_STEP", "0"},
      {"VELMORANT_TEST_READ_THROUGH", "1"}}},
};
const char* const kThresholdNames[] = {
    "VELMORANT_TEST_LARGE_FILE",     "VELMORANT_TEST_INDEX_MIN", "VELMORANT_TEST_INDEX_FROM",
    "VELMORANT_TEST_PROGRESS_AFTER", "VELMORANT_TEST_PLACE_MIN", "VELMORANT_TEST_TOP_STEP",
    "VELMORANT_TEST_READ_THROUGH"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
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

// The system's own words for a cause ("(ENOENT)", or Windows' code and text) are left out:
// each system words them its own way. Of progress lines the rate is the machine's, and how
// many come between the first and the last depends on its speed.
std::string Comparable(const std::string& text) {
  static const std::regex cause("(原因: [^\n]*) \\([^\n]*"), rate(" +([0-9.]+ [KMGT]?i?|-- )B/s"),
      line("^ *[0-9.]+ [KMGT]?i?B / ");
  const std::vector<std::string> lines =
      Lines(std::regex_replace(std::regex_replace(text, cause, "$1"), rate, "  -- B/s"));
  auto progress = [&](std::size_t i) { return std::regex_search(lines[i], line); };
  std::size_t first = lines.size(), last = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (progress(i)) first = std::min(first, i), last = i;
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!progress(i) || i == first || i == last) out += lines[i] + '\n';
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
  // Standard input from nothing and, of the threshold variables, those of `env` only.
  testing_support::ProgramRun r;
  r.program = VELMORANT_CLI_PATH;
  r.dir = Utf8Of(run);
  r.args = Lines(ReadFile(Utf8Of(src / "args")));
  r.env = env;
  r.unset.assign(std::begin(kThresholdNames), std::end(kThresholdNames));
  r.outPath = tmp.File("stdout");
  r.errPath = tmp.File("stderr");
  const int status = testing_support::RunProgram(r);
  const std::string err = ReadFile(r.errPath);

  ASSERT_LT(status, 128) << "killed by signal " << status - 128 << " (9: hanging)\n" << err;
  EXPECT_EQ(status, std::stoi(ReadFile(Utf8Of(src / "status")))) << err;
  EXPECT_EQ(ReadFile(r.outPath), ReadFile(Utf8Of(src / "stdout"))) << "standard output";
  // A cause in the system's own words may be given per system, in stderr.posix or stderr.windows.
  const fs::path ownErr = src / ("stderr." + std::string(testing_support::kSystem));
  const fs::path errFile = fs::exists(ownErr) ? ownErr : src / "stderr";
  if (fs::exists(errFile)) {
    EXPECT_EQ(Comparable(err), Comparable(ReadFile(Utf8Of(errFile))));
  }

  // Inputs and files the run should not touch stay as they were; nothing else appears.
  const Files after = Snapshot(run);
  for (const auto& [file, bytes] : expected)
    EXPECT_EQ(after.count(file) ? after.at(file) : "\x01 missing", bytes) << file;
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
