// Every way a file operation of a run can fail, through the request as a front end runs it:
// the messages, the outcome, the partial output left on disk, every file closed afterwards
// and the inputs untouched.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/Messages.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "tests/reliability/FaultInjection.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace engine {
namespace {

using testing_support::FaultInjector;
using testing_support::FaultPlan;
using testing_support::FileExists;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

const std::vector<std::string> kInputs = {
    "<HTML><BODY>a<HR>b</BODY></HTML>",
    "<html><body>c<hr>d</body></html>",
    "<HTML><BODY>e<HR>f</BODY></HTML>",
};
// Layer 1 reversed, separator first, the <HR SIZE="50"> line between files.
const std::string kHr = "<HR SIZE=\"50\">";
const std::string kHeader0 = "<HTML><BODY>";
const std::string kOneFile =
    kHeader0 + "b<HR>a" + kHr + "d<hr>c" + kHr + "f<HR>e" + "</BODY></HTML>";
const std::string kRev[] = {
    "<HTML><BODY>b<HR>a</BODY></HTML>",
    "<html><body>d<hr>c</body></html>",
    "<HTML><BODY>f<HR>e</BODY></HTML>",
};
const std::string kOpenText = "ファイルをオープンできません\n";
const std::string kReadText = "ファイルを読み込めません\n";

enum class Mode { kOneFile, kPerFile };

// What one output file holds afterwards; nullopt: it was never created.
using Outputs = std::map<std::string, std::optional<std::string>>;

struct FaultCase {
  const char* name;
  Mode mode;
  FaultPlan plan;
  RequestOutcome outcome;
  std::vector<std::string> messages;
  Outputs outputs;
  std::vector<std::string> unopenedInputs;  // inputs the run must never reach
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

FaultPlan Open(const char* path, int err) {
  FaultPlan p;
  p.openPath = path;
  p.openErrno = err;
  return p;
}

FaultPlan Fstat(const char* path, int call, int err) {
  FaultPlan p;
  p.fstatPath = path;
  p.fstatCall = call;
  p.fstatErrno = err;
  return p;
}

FaultPlan Seek(const char* path, int err) {
  FaultPlan p;
  p.seekPath = path;
  p.seekErrno = err;
  return p;
}

FaultPlan Read(const char* path, int err, std::size_t eofAfter = static_cast<std::size_t>(-1)) {
  FaultPlan p;
  p.readPath = path;
  p.readErrno = err;
  p.readEofAfter = eofAfter;
  return p;
}

FaultPlan Close(const char* path, int err) {
  FaultPlan p;
  p.closePath = path;
  p.closeErrno = err;
  return p;
}

FaultPlan Choppy() {
  FaultPlan p;
  p.readChunk = 3;
  p.writeChunk = 2;
  p.interrupt = true;
  return p;
}

const std::string kFirstPart = kHeader0 + "b<HR>a" + kHr;
const std::string kErrorEnd = msg::kErrorEnd;
const std::string kNormalEnd = msg::kNormalEnd;

const FaultCase kCases[] = {
    {"output_cannot_be_created",
     Mode::kOneFile,
     Open("out.html", EACCES),
     RequestOutcome::kFailed,
     {kOpenText + "ファイル アクセス禁止", kErrorEnd},
     {{"out.html", std::nullopt}},
     {"in0.html", "in1.html", "in2.html"}},
    {"output_on_a_full_disk",
     Mode::kOneFile,
     Open("out.html", ENOSPC),
     RequestOutcome::kFailed,
     {kOpenText + "ディスク フル", kErrorEnd},
     {{"out.html", std::nullopt}},
     {"in0.html"}},
    {"second_rev_file_cannot_be_created",
     Mode::kPerFile,
     Open("Rev_in1.html", EACCES),
     RequestOutcome::kFailed,
     {kOpenText + "ファイル アクセス禁止", kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", std::nullopt}, {"Rev_in2.html", std::nullopt}},
     {"in1.html", "in2.html"}},
    {"second_input_cannot_be_opened",
     Mode::kOneFile,
     Open("/in1.html", EMFILE),
     RequestOutcome::kFailed,
     {kOpenText + "オープン ファイル数超過", kErrorEnd},
     {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_cannot_be_opened_per_file",
     Mode::kPerFile,
     Open("/in1.html", EACCES),
     RequestOutcome::kFailed,
     {kOpenText + "ファイル アクセス禁止", kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", ""}, {"Rev_in2.html", std::nullopt}},
     {"in2.html"}},
    {"input_length_unknown",
     Mode::kOneFile,
     Fstat("/in0.html", 2, EIO),
     RequestOutcome::kFailed,
     {kOpenText + "ハードウェア エラー", kErrorEnd},
     {{"out.html", ""}},
     {"in1.html"}},
    {"input_cannot_be_rewound",
     Mode::kOneFile,
     Seek("/in1.html", EIO),
     RequestOutcome::kFailed,
     {kReadText + "ハードウェア エラー", kErrorEnd},
     {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"read_error_in_the_second_input",
     Mode::kOneFile,
     Read("/in1.html", EIO),
     RequestOutcome::kFailed,
     {kReadText + "ハードウェア エラー", kErrorEnd},
     {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_shrank_after_opening",
     Mode::kOneFile,
     Read("/in1.html", 0, 5),
     RequestOutcome::kFailed,
     {kReadText + "ファイルの終わりに到達", kErrorEnd},
     {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_shrank_per_file",
     Mode::kPerFile,
     Read("/in1.html", 0, 5),
     RequestOutcome::kFailed,
     {kReadText + "ファイルの終わりに到達", kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", ""}, {"Rev_in2.html", std::nullopt}},
     {"in2.html"}},
    // The last bytes reach the disk only when the output is closed.
    {"output_close_fails",
     Mode::kOneFile,
     Close("out.html", EIO),
     RequestOutcome::kFailed,
     {kErrorEnd},
     {{"out.html", kOneFile}},
     {}},
    {"first_rev_close_fails",
     Mode::kPerFile,
     Close("Rev_in0.html", EIO),
     RequestOutcome::kFailed,
     {kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", std::nullopt}},
     {"in1.html", "in2.html"}},
    // A read-only file loses nothing when its close fails.
    {"input_close_fails",
     Mode::kOneFile,
     Close("/in1.html", EIO),
     RequestOutcome::kSucceeded,
     {kNormalEnd},
     {{"out.html", kOneFile}},
     {}},
    {"short_and_interrupted_transfers",
     Mode::kOneFile,
     Choppy(),
     RequestOutcome::kSucceeded,
     {kNormalEnd},
     {{"out.html", kOneFile}},
     {}},
    {"short_and_interrupted_transfers_per_file",
     Mode::kPerFile,
     Choppy(),
     RequestOutcome::kSucceeded,
     {kNormalEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kRev[1]}, {"Rev_in2.html", kRev[2]}},
     {}},
};

// Three inputs in a fresh folder and a request set up as the command line sets it.
struct Fixture {
  TempDir dir;
  std::vector<std::string> contents = kInputs;
  RunInputs inputs;
  COptionValues options;
  CRunRequest request;
  CExecutor executor;

  explicit Fixture(Mode mode) {
    for (std::size_t i = 0; i < contents.size(); ++i) {
      inputs.astrInputPaths.push_back(dir.Write("in" + std::to_string(i) + ".html", contents[i]));
    }
    inputs.strOutputPath = dir.File("out.html");
    request.m_bOptionsOpened = 1;
    options.m_abyReverse[1] = 1;
    options.m_bSeparatorFirst = 1;
    options.m_nSeparatorStyle = 0;
    options.m_bOneFile = mode == Mode::kOneFile ? 1 : 0;
  }

  void ExpectInputsUntouched() const {
    for (std::size_t i = 0; i < contents.size(); ++i) {
      EXPECT_EQ(ReadFile(inputs.astrInputPaths[i]), contents[i]) << inputs.astrInputPaths[i];
    }
  }
};

class RunFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RunFault, FailsCleanly) {
  const FaultCase& c = GetParam();
  Fixture f(c.mode);
  MessageRecorder rec;
  RequestOutcome outcome;
  {
    FaultInjector faults(c.plan);
    outcome = f.request.OnRun(f.inputs, f.options, f.executor);
    EXPECT_TRUE(faults.OpenFiles().empty()) << "left open: " << faults.OpenFiles().front();
    for (const auto& o : faults.Opens()) {
      const bool bInput = o.path.find("/in") != std::string::npos;
      EXPECT_FALSE(bInput && o.bWrite) << "input opened for writing: " << o.path;
      for (const std::string& name : c.unopenedInputs) {
        EXPECT_NE(o.path, f.dir.File(name)) << "the run went on after the failure";
      }
    }
  }
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(rec.Texts(), c.messages);
  for (const auto& [name, content] : c.outputs) {
    const std::string path = f.dir.File(name);
    if (!content) {
      EXPECT_FALSE(FileExists(path)) << name;
    } else {
      EXPECT_TRUE(FileExists(path)) << name;
      EXPECT_EQ(ReadFile(path), *content) << name;
    }
  }
  f.ExpectInputsUntouched();
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFault, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A disk that fills up after n bytes, at every position of the output: the file holds
// exactly the first n bytes of the complete output, the run fails with no message of its own.
TEST(RunFaultDiskFull, OneFileOutputKeepsEveryByteWrittenBeforeTheDiskFilled) {
  for (std::size_t n = 0; n < kOneFile.size(); ++n) {
    Fixture f(Mode::kOneFile);
    MessageRecorder rec;
    FaultPlan plan;
    plan.writeBudget = n;
    FaultInjector faults(plan);
    EXPECT_EQ(f.request.OnRun(f.inputs, f.options, f.executor), RequestOutcome::kFailed) << n;
    EXPECT_TRUE(faults.OpenFiles().empty()) << n;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{kErrorEnd}) << n;
    EXPECT_EQ(ReadFile(f.dir.File("out.html")), kOneFile.substr(0, n));
    f.ExpectInputsUntouched();
  }
}

TEST(RunFaultDiskFull, PerFileOutputKeepsEarlierFilesComplete) {
  const std::size_t total = kRev[0].size() + kRev[1].size() + kRev[2].size();
  for (std::size_t n = 0; n < total; ++n) {
    Fixture f(Mode::kPerFile);
    MessageRecorder rec;
    FaultPlan plan;
    plan.writeBudget = n;
    plan.writeErrno = EIO;
    FaultInjector faults(plan);
    EXPECT_EQ(f.request.OnRun(f.inputs, f.options, f.executor), RequestOutcome::kFailed) << n;
    EXPECT_TRUE(faults.OpenFiles().empty()) << n;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{kErrorEnd}) << n;
    // Files before the one that failed are complete; the failed one holds what fitted.
    std::size_t left = n;
    bool bFailed = false;
    for (int i = 0; i < 3; ++i) {
      const std::string path = f.dir.File("Rev_in" + std::to_string(i) + ".html");
      if (bFailed) {
        EXPECT_FALSE(FileExists(path)) << n << " " << i;
        continue;
      }
      if (left >= kRev[i].size()) {
        EXPECT_EQ(ReadFile(path), kRev[i]) << n << " " << i;
        left -= kRev[i].size();
      } else {
        EXPECT_EQ(ReadFile(path), kRev[i].substr(0, left)) << n << " " << i;
        bFailed = true;
      }
    }
    f.ExpectInputsUntouched();
  }
}

// Large sections go to the file directly, small ones through the write buffer; when the
// disk fills up, what is on it is still the start of the output, in order.
TEST(RunFaultDiskFull, LargeAndSmallSectionsKeepTheirOrderUpToTheFailure) {
  std::string body;
  for (int i = 0; i < 6; ++i) {
    body += std::string(300 << 10, static_cast<char>('a' + i)) + "<HR>";
    for (int j = 0; j < 2000; ++j) body += "post " + std::to_string(i * 2000 + j) + "<HR>";
  }
  const std::string doc = "<HTML><BODY>" + body + "</BODY></HTML>";
  auto run = [&](std::size_t budget, std::string* out) {
    TempDir dir;
    MessageRecorder rec;
    CExecutor ex;
    CRunRequest request;
    COptionValues options;
    request.m_bOptionsOpened = 1;
    options.m_abyReverse[1] = 1;
    RunInputs in;
    in.astrInputPaths = {dir.Write("in.html", doc)};
    in.strOutputPath = dir.File("out.html");
    FaultPlan plan;
    plan.writeBudget = budget;
    FaultInjector faults(plan);
    const RequestOutcome outcome = request.OnRun(in, options, ex);
    EXPECT_TRUE(faults.OpenFiles().empty());
    *out = ReadFile(in.strOutputPath);
    EXPECT_EQ(ReadFile(in.astrInputPaths[0]), doc);
    return outcome;
  };
  std::string full;
  ASSERT_EQ(run(static_cast<std::size_t>(-1), &full), RequestOutcome::kSucceeded);
  ASSERT_EQ(full.size(), doc.size());
  ASSERT_NE(full, doc);
  for (const std::size_t n :
       {std::size_t{0}, std::size_t{12}, std::size_t{300} << 10, std::size_t{1} << 20,
        (std::size_t{1} << 20) + 1, full.size() / 2, full.size() - 1}) {
    std::string out;
    EXPECT_EQ(run(n, &out), RequestOutcome::kFailed) << n;
    EXPECT_TRUE(out == full.substr(0, n)) << "disk full after " << n << " bytes";
  }
}

// A buffer that cannot be had: the input is closed again and the run ends with its message.
// Address space is limited in a child process, so the test process keeps its own.
TEST(RunFaultMemory, BufferThatCannotBeAllocatedClosesTheInput) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
  TempDir dir;
  const std::string input = dir.Write("in.html", kInputs[0]);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    MessageRecorder rec;
    FaultInjector faults(FaultPlan{});
    // The file claims 3 GiB, more than the address space left to this process.
    platform::SysCalls calls = platform::Sys();
    calls.fstat = [](int fd, struct stat* st) -> int {
      const int r = ::fstat(fd, st);
      st->st_size = static_cast<off_t>(3) << 30;
      return r;
    };
    platform::ScopedSysCalls big(calls);
    struct rlimit limit {};
    ::getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(1) << 30;
    if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
    CExecutor ex;
    ex.SetInputFiles({input});
    const int r = ex.OpenInputFile(0);
    const bool ok = r == -1 && ex.m_bInputOpen == 0 && !ex.m_fileIn.IsOpen() &&
                    rec.Texts() == std::vector<std::string>{msg::kBufferAlloc};
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(input), kInputs[0]);
#endif
}

}  // namespace
}  // namespace engine
