// The golden corpus: every folder of tests/data is one run of the real velmorant-cli with
// the bytes it must leave behind (tests/data/README.md describes a case folder). Each case
// runs once per threshold profile, so that logs of a few hundred bytes also take the
// mapped-input and two-thread search paths, and must give the same bytes on every one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using Files = std::map<std::string, std::string>;
using Env = std::vector<std::pair<std::string, std::string>>;

struct Profile {
  const char* name;
  Env env;
};

// The thresholds a run takes: as shipped, every input mapped, and every body also searched
// by the second thread.
const Profile kProfiles[] = {
    {"default", {}},
    {"mapped", {{"VELMORANT_TEST_LARGE_FILE", "1"}}},
    {"two_threads", {{"VELMORANT_TEST_LARGE_FILE", "1"}, {"VELMORANT_TEST_INDEX_MIN", "0"}}},
};
void PrintTo(const Profile& p, std::ostream* os) {
  *os << p.name;
}

const char* const kThresholdNames[] = {"VELMORANT_TEST_LARGE_FILE", "VELMORANT_TEST_INDEX_MIN",
                                       "VELMORANT_TEST_INDEX_FROM"};

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
    const std::string name = fs::relative(e.path(), dir).string();
    if (e.is_symlink() || (!e.is_regular_file() && !e.is_directory())) {
      files[name] = "\x01 not a regular file";
    } else if (e.is_regular_file()) {
      files[name] = ReadFile(e.path().string());
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

// Runs the program in `dir` with `args`, standard input from /dev/null and the threshold
// variables of `env` only; a run that hangs is killed after 20 s.
Outcome RunCli(const fs::path& dir, const std::vector<std::string>& args, const Env& env,
               const fs::path& capture) {
  const std::string outPath = (capture / "stdout").string();
  const std::string errPath = (capture / "stderr").string();
  std::vector<std::string> argv = {"timeout", "-s", "KILL", "20", VELMORANT_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const char* name : kThresholdNames) ::unsetenv(name);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execvp(cargv[0], cargv.data());
    ::_exit(127);
  }
  Outcome o;
  int wait = 0;
  if (pid < 0 || ::waitpid(pid, &wait, 0) != pid) return o;
  o.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  o.out = ReadFile(outPath);
  o.err = ReadFile(errPath);
  return o;
}

class Golden : public ::testing::TestWithParam<std::tuple<std::string, Profile>> {};

TEST_P(Golden, LeavesExactlyTheExpectedFiles) {
  const auto& [name, profile] = GetParam();
  const fs::path src = fs::path(VELMORANT_GOLDEN_DIR) / name;
  const TempDir tmp;
  const fs::path run = fs::path(tmp.Path()) / "run";
  fs::create_directory(run);
  if (fs::exists(src / "in")) fs::copy(src / "in", run, fs::copy_options::recursive);

  ASSERT_TRUE(fs::exists(src / "args")) << "a case needs its args file";
  ASSERT_TRUE(fs::exists(src / "status")) << "a case needs its status file";
  Env env = profile.env;
  for (const std::string& line : Lines(ReadFile((src / "env").string()))) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) env.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }

  Files expected = Snapshot(run);
  for (const auto& [file, bytes] : Snapshot(src / "expected")) expected[file] = bytes;
  const Outcome o = RunCli(run, Lines(ReadFile((src / "args").string())), env, tmp.Path());

  ASSERT_LT(o.status, 128) << "killed by signal " << o.status - 128 << " (9: hanging)\n" << o.err;
  EXPECT_EQ(o.status, std::stoi(ReadFile((src / "status").string()))) << o.err;
  EXPECT_EQ(o.out, ReadFile((src / "stdout").string())) << "standard output";
  if (fs::exists(src / "stderr")) {
    EXPECT_EQ(o.err, ReadFile((src / "stderr").string()));
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
