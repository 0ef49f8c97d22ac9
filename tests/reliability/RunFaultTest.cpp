// Every way a file operation of a run can fail, through the request as a front end runs it:
// the messages, the outcome, the partial output left on disk, every file closed afterwards
// and the inputs untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/Messages.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "platform/SysCalls.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated plan fields

namespace engine {
namespace {

using testing_support::FileExists;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

// System-call failures for the file layer. Paths are matched by their ending, so a row of
// a test table can name a file without knowing its folder.
struct FaultPlan {
  std::string openPath;  // open of this file fails with openErrno
  int openErrno = 0;
  std::string fstatPath;  // the fstatCall-th fstat (1-based) on this file fails
  int fstatCall = 0;
  int fstatErrno = 0;
  std::string seekPath;  // every seek on this file fails
  int seekErrno = 0;
  std::string readPath;  // reads of this file fail, or the file seems to end early
  int readErrno = 0;
  std::size_t readEofAfter = std::numeric_limits<std::size_t>::max();
  std::size_t readChunk = 0;  // nonzero: no read call returns more than this
  // Bytes that reach all outputs together; the write that crosses the limit writes up to
  // it, the next one fails with writeErrno (a disk that fills up).
  std::size_t writeBudget = std::numeric_limits<std::size_t>::max();
  int writeErrno = 28;         // ENOSPC
  std::size_t writeChunk = 0;  // nonzero: no write call takes more than this
  bool interrupt = false;      // every read and write is first interrupted once (EINTR)
  bool map = false;            // inputs may be mapped; otherwise they are read
  std::string cutPath;         // another program cuts this file to cutTo bytes right after
  std::size_t cutTo = 0;       // it is mapped, or with cutOnWrite at the first gathered write
  bool cutOnWrite = false;
  std::string closePath;  // close of this file releases it but reports closeErrno
  int closeErrno = 0;
};

// One open the file layer made.
struct OpenRecord {
  std::string path;
  bool bWrite = false;
};

struct FdState {
  std::string path;
  bool bWrite = false;
  std::size_t read = 0;  // bytes read since the last seek
  int fstats = 0;
  bool bInterrupted = false;
};

// The plan in force; system calls have no room for a context pointer.
struct State {
  FaultPlan plan;
  std::map<int, FdState> fds;
  std::vector<OpenRecord> opens;
  std::size_t written = 0;
};
State* g_state = nullptr;

bool EndsWith(const std::string& s, const std::string& tail) {
  return !tail.empty() && s.size() >= tail.size() &&
         s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

FdState* Find(int fd) {
  const auto it = g_state->fds.find(fd);
  return it == g_state->fds.end() ? nullptr : &it->second;
}

int Fail(int err) {
  errno = err;
  return -1;
}

bool Interrupt(FdState* s) {
  if (!g_state->plan.interrupt || s == nullptr || s->bInterrupted) return false;
  s->bInterrupted = true;
  errno = EINTR;
  return true;
}

ssize_t FaultWrite(int fd, const void* buf, size_t count) {
  FdState* s = Find(fd);
  if (Interrupt(s)) return -1;
  const FaultPlan& p = g_state->plan;
  if (p.writeChunk != 0) count = std::min(count, p.writeChunk);
  if (s != nullptr && s->bWrite && count > 0) {
    const std::size_t room = p.writeBudget - std::min(p.writeBudget, g_state->written);
    if (room == 0) return Fail(p.writeErrno);
    count = std::min(count, room);
  }
  const ssize_t n = ::write(fd, buf, count);
  if (n > 0) g_state->written += static_cast<std::size_t>(n);
  if (s != nullptr) s->bInterrupted = false;
  return n;
}

void Cut(const std::string& path) {
  if (::truncate(path.c_str(), static_cast<off_t>(g_state->plan.cutTo)) != 0) std::abort();
  g_state->plan.cutPath.clear();
}

// A gathered write is a run of writes that stops at the first short one, as the kernel's does.
ssize_t FaultWritev(int fd, const iovec* iov, int count) {
  const FaultPlan& p = g_state->plan;
  if (p.cutOnWrite && !p.cutPath.empty()) {
    for (const auto& [other, s] : g_state->fds) {
      if (EndsWith(s.path, p.cutPath)) {
        Cut(s.path);
        break;
      }
    }
  }
  // The kernel copies from the caller's memory as one call would: a range it cannot read
  // ends the call there.
  if (p.cutOnWrite) return ::writev(fd, iov, count);
  ssize_t total = 0;
  for (int i = 0; i < count; ++i) {
    const ssize_t n = FaultWrite(fd, iov[i].iov_base, iov[i].iov_len);
    if (n < 0) return total > 0 ? total : n;
    total += n;
    if (static_cast<std::size_t>(n) < iov[i].iov_len) break;
  }
  return total;
}

const platform::SysCalls kFaultCalls = {
    [](const char* path, int flags, mode_t mode) -> int {
      if (EndsWith(path, g_state->plan.openPath)) return Fail(g_state->plan.openErrno);
      const int fd = ::open(path, flags, mode);
      const bool bWrite = (flags & O_ACCMODE) != O_RDONLY;
      if (fd >= 0) g_state->fds[fd] = FdState{path, bWrite};
      if (fd >= 0) g_state->opens.push_back({path, bWrite});
      return fd;
    },
    [](int fd, void* buf, size_t count) -> ssize_t {
      FdState* s = Find(fd);
      if (Interrupt(s)) return -1;
      const FaultPlan& p = g_state->plan;
      if (s != nullptr && EndsWith(s->path, p.readPath)) {
        if (p.readErrno != 0) return Fail(p.readErrno);
        if (s->read >= p.readEofAfter) return 0;
        count = std::min(count, p.readEofAfter - s->read);
      }
      if (p.readChunk != 0) count = std::min(count, p.readChunk);
      const ssize_t n = ::read(fd, buf, count);
      if (n > 0 && s != nullptr) s->read += static_cast<std::size_t>(n);
      return n;
    },
    FaultWrite,
    [](int fd) -> int {
      FdState* s = Find(fd);
      const std::string path = s ? s->path : std::string();
      g_state->fds.erase(fd);
      const int r = ::close(fd);
      if (r == 0 && EndsWith(path, g_state->plan.closePath)) return Fail(g_state->plan.closeErrno);
      return r;
    },
    [](int fd, struct stat* st) -> int {
      FdState* s = Find(fd);
      const FaultPlan& p = g_state->plan;
      if (s != nullptr && EndsWith(s->path, p.fstatPath) && ++s->fstats == p.fstatCall)
        return Fail(p.fstatErrno);
      return ::fstat(fd, st);
    },
    [](int fd, off_t offset, int whence) -> off_t {
      FdState* s = Find(fd);
      if (s != nullptr && EndsWith(s->path, g_state->plan.seekPath))
        return Fail(g_state->plan.seekErrno);
      const off_t r = ::lseek(fd, offset, whence);
      if (r >= 0 && s != nullptr) s->read = static_cast<std::size_t>(r);
      return r;
    },
    [](int fd, int cmd, int arg) -> int { return ::fcntl(fd, cmd, arg); },
    FaultWritev,
    [](void* address, size_t length, int prot, int flags, int fd, off_t offset) -> void* {
      const FaultPlan& p = g_state->plan;
      if (!p.map) {
        errno = ENODEV;
        return MAP_FAILED;
      }
      void* view = ::mmap(address, length, prot, flags, fd, offset);
      FdState* s = Find(fd);
      if (view != MAP_FAILED && s != nullptr && !p.cutOnWrite && EndsWith(s->path, p.cutPath))
        Cut(s->path);
      return view;
    },
    ::munmap,
    ::fallocate,
    ::ftruncate};

// Installs a FaultPlan over the real system calls for its lifetime and keeps track of the
// descriptors the file layer opened (state.fds: not closed yet) and closed.
struct FaultInjector {
  State state;
  platform::ScopedSysCalls calls{kFaultCalls};
  explicit FaultInjector(FaultPlan plan) : state{std::move(plan)} { g_state = &state; }
  ~FaultInjector() { g_state = nullptr; }
  std::string FirstOpen() const { return state.fds.empty() ? "" : state.fds.begin()->second.path; }
};

const std::vector<std::string> kInputs = {"<HTML><BODY>a<HR>b</BODY></HTML>",
                                          "<html><body>c<hr>d</body></html>",
                                          "<HTML><BODY>e<HR>f</BODY></HTML>"};
// Layer 1 reversed, separator first, the <HR SIZE="50"> line between files.
const std::string kHr = "<HR SIZE=\"50\">";
const std::string kHeader0 = "<HTML><BODY>";
const std::string kOneFile =
    kHeader0 + "b<HR>a" + kHr + "d<hr>c" + kHr + "f<HR>e" + "</BODY></HTML>";
const std::string kRev[] = {"<HTML><BODY>b<HR>a</BODY></HTML>", "<html><body>d<hr>c</body></html>",
                            "<HTML><BODY>f<HR>e</BODY></HTML>"};
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

const FaultPlan kChoppy{.readChunk = 3, .writeChunk = 2, .interrupt = true};
const std::string kFirstPart = kHeader0 + "b<HR>a" + kHr;
const std::string kErrorEnd = msg::kErrorEnd;
const std::string kNormalEnd = msg::kNormalEnd;
const std::string kAccess = kOpenText + "ファイル アクセス禁止";
constexpr auto kOne = Mode::kOneFile;
constexpr auto kPer = Mode::kPerFile;
constexpr auto kFailed = RequestOutcome::kFailed;
constexpr auto kSucceeded = RequestOutcome::kSucceeded;
const auto kNone = std::nullopt;

// clang-format off
const FaultCase kCases[] = {
    {"output_cannot_be_created", kOne, {.openPath = "out.html", .openErrno = EACCES}, kFailed,
     {kAccess, kErrorEnd}, {{"out.html", kNone}}, {"in0.html", "in1.html", "in2.html"}},
    {"output_on_a_full_disk", kOne, {.openPath = "out.html", .openErrno = ENOSPC}, kFailed,
     {kOpenText + "ディスク フル", kErrorEnd}, {{"out.html", kNone}}, {"in0.html"}},
    {"second_rev_file_cannot_be_created", kPer, {.openPath = "Rev_in1.html", .openErrno = EACCES},
     kFailed, {kAccess, kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kNone}, {"Rev_in2.html", kNone}},
     {"in1.html", "in2.html"}},
    {"second_input_cannot_be_opened", kOne, {.openPath = "/in1.html", .openErrno = EMFILE},
     kFailed, {kOpenText + "オープン ファイル数超過", kErrorEnd}, {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_cannot_be_opened_per_file", kPer,
     {.openPath = "/in1.html", .openErrno = EACCES}, kFailed, {kAccess, kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", ""}, {"Rev_in2.html", kNone}}, {"in2.html"}},
    {"input_length_unknown", kOne,
     {.fstatPath = "/in0.html", .fstatCall = 2, .fstatErrno = EIO}, kFailed,
     {kOpenText + "ハードウェア エラー", kErrorEnd}, {{"out.html", ""}}, {"in1.html"}},
    {"input_cannot_be_rewound", kOne, {.seekPath = "/in1.html", .seekErrno = EIO}, kFailed,
     {kReadText + "ハードウェア エラー", kErrorEnd}, {{"out.html", kFirstPart}}, {"in2.html"}},
    {"read_error_in_the_second_input", kOne, {.readPath = "/in1.html", .readErrno = EIO},
     kFailed, {kReadText + "ハードウェア エラー", kErrorEnd}, {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_shrank_after_opening", kOne, {.readPath = "/in1.html", .readEofAfter = 5},
     kFailed, {kReadText + "ファイルの終わりに到達", kErrorEnd}, {{"out.html", kFirstPart}},
     {"in2.html"}},
    {"second_input_shrank_per_file", kPer, {.readPath = "/in1.html", .readEofAfter = 5},
     kFailed, {kReadText + "ファイルの終わりに到達", kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", ""}, {"Rev_in2.html", kNone}}, {"in2.html"}},
    // The last bytes reach the disk only when the output is closed.
    {"output_close_fails", kOne, {.closePath = "out.html", .closeErrno = EIO}, kFailed,
     {kErrorEnd}, {{"out.html", kOneFile}}, {}},
    {"first_rev_close_fails", kPer, {.closePath = "Rev_in0.html", .closeErrno = EIO}, kFailed,
     {kErrorEnd}, {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kNone}}, {"in1.html", "in2.html"}},
    // A read-only file loses nothing when its close fails.
    {"input_close_fails", kOne, {.closePath = "/in1.html", .closeErrno = EIO}, kSucceeded,
     {kNormalEnd}, {{"out.html", kOneFile}}, {}},
    {"mapped_inputs", kOne, {.map = true}, kSucceeded, {kNormalEnd}, {{"out.html", kOneFile}},
     {}},
    // Zeros stand in for the bytes cut off; the run must not pass them off as the file.
    {"mapped_input_cut_during_the_run", kOne,
     {.map = true, .cutPath = "/in1.html", .cutTo = 5}, kFailed,
     {kReadText + "ファイルの終わりに到達", kErrorEnd}, {{"out.html", kFirstPart}}, {"in2.html"}},
    {"mapped_input_cut_per_file", kPer, {.map = true, .cutPath = "/in1.html", .cutTo = 5},
     kFailed, {kReadText + "ファイルの終わりに到達", kErrorEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", ""}, {"Rev_in2.html", kNone}}, {"in2.html"}},
    {"mapped_input_cut_while_written", kOne,
     {.map = true, .cutPath = "/in0.html", .cutTo = 5, .cutOnWrite = true}, kFailed,
     {kReadText + "ファイルの終わりに到達", kErrorEnd}, {}, {"in1.html"}},
    {"short_and_interrupted_transfers", kOne, kChoppy, kSucceeded, {kNormalEnd},
     {{"out.html", kOneFile}}, {}},
    {"short_and_interrupted_transfers_per_file", kPer, kChoppy, kSucceeded, {kNormalEnd},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kRev[1]}, {"Rev_in2.html", kRev[2]}}, {}},
};
// clang-format on

// Inputs in a fresh folder and a request set up as the command line sets it.
struct Fixture {
  TempDir dir;
  std::vector<std::string> contents;
  RunInputs inputs;
  COptionValues options;
  CRunRequest request;
  CExecutor executor;

  explicit Fixture(Mode mode, std::vector<std::string> in = kInputs) : contents(std::move(in)) {
    for (std::size_t i = 0; i < contents.size(); ++i) {
      inputs.astrInputPaths.push_back(dir.Write("in" + std::to_string(i) + ".html", contents[i]));
    }
    inputs.strOutputPath = dir.File("out.html");
    request.m_bOptionsOpened = 1;
    options.m_abyReverse[1] = 1;
    options.m_bSeparatorFirst = 1;
    options.m_nSeparatorStyle = 0;
    options.m_bOneFile = mode == Mode::kOneFile ? 1 : 0;
    executor.m_nLargeFile = 0;  // every input is mapped where the plan lets it
  }

  // Untouched by the run; a file another program cut has lost only what it cut.
  void ExpectInputsUntouched(const FaultPlan& plan = {}) const {
    for (std::size_t i = 0; i < contents.size(); ++i) {
      std::string expected = contents[i];
      if (EndsWith(inputs.astrInputPaths[i], plan.cutPath)) expected.resize(plan.cutTo);
      EXPECT_EQ(ReadFile(inputs.astrInputPaths[i]), expected) << inputs.astrInputPaths[i];
    }
  }
};

// A file's bytes; nullopt: it does not exist.
std::optional<std::string> Content(const std::string& path) {
  return FileExists(path) ? std::optional(ReadFile(path)) : std::nullopt;
}

class RunFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RunFault, FailsCleanly) {
  const FaultCase& c = GetParam();
  Fixture f(c.mode);
  MessageRecorder rec;
  RequestOutcome outcome;
  {
    FaultInjector faults(c.plan);
    outcome = f.request.OnRun(f.inputs, f.options, f.executor);
    EXPECT_TRUE(faults.state.fds.empty()) << "left open: " << faults.FirstOpen();
    for (const auto& o : faults.state.opens) {
      const bool bInput = o.path.find("/in") != std::string::npos;
      EXPECT_FALSE(bInput && o.bWrite) << "input opened for writing: " << o.path;
      for (const std::string& name : c.unopenedInputs) {
        EXPECT_NE(o.path, f.dir.File(name)) << "the run went on after the failure";
      }
    }
  }
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(rec.Texts(), c.messages);
  for (const auto& [name, content] : c.outputs)
    EXPECT_EQ(Content(f.dir.File(name)), content) << name;
  f.ExpectInputsUntouched(c.plan);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFault, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using Files = std::vector<std::pair<std::string, std::string>>;

// A disk that fills up after n bytes: the files hold exactly the first n bytes of the
// complete output, in order, files after the one that failed are never created, and the
// run fails with no message of its own. The small logs are cut at every byte; in the large
// one, big sections go to the file directly and small ones through the write buffer.
TEST(RunFaultDiskFull, FilesHoldTheStartOfTheOutputInOrder) {
  std::string body;
  for (int i = 0; i < 6; ++i) {
    body += std::string(300 << 10, static_cast<char>('a' + i)) + "<HR>";
    for (int j = 0; j < 2000; ++j) body += "post " + std::to_string(i * 2000 + j) + "<HR>";
  }
  const std::string big = "<HTML><BODY>" + body + "</BODY></HTML>";
  std::string bigOut;
  {
    Fixture f(kOne, {big});
    ASSERT_EQ(f.request.OnRun(f.inputs, f.options, f.executor), kSucceeded);
    bigOut = ReadFile(f.inputs.strOutputPath);
    ASSERT_EQ(bigOut.size(), big.size());
    ASSERT_NE(bigOut, big);
  }
  const std::size_t m = std::size_t{1} << 20;
  const struct {
    Mode mode;
    std::vector<std::string> inputs;
    Files full;
    std::vector<std::size_t> budgets;  // empty: every byte
  } cases[] = {
      {kOne, kInputs, {{"out.html", kOneFile}}, {}},
      {kPer,
       kInputs,
       {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kRev[1]}, {"Rev_in2.html", kRev[2]}},
       {}},
      {kOne,
       {big},
       {{"out.html", bigOut}},
       {0, 12, 300 << 10, m, m + 1, bigOut.size() / 2, bigOut.size() - 1}},
  };
  for (const auto& c : cases) {
    std::vector<std::size_t> budgets = c.budgets;
    std::size_t total = 0;
    for (const auto& [name, bytes] : c.full) total += bytes.size();
    for (std::size_t n = 0; budgets.empty() && n < total; ++n) budgets.push_back(n);
    for (const std::size_t n : budgets) {
      Fixture f(c.mode, c.inputs);
      MessageRecorder rec;
      FaultInjector faults({.writeBudget = n, .writeErrno = c.mode == kOne ? ENOSPC : EIO});
      EXPECT_EQ(f.request.OnRun(f.inputs, f.options, f.executor), kFailed) << n;
      EXPECT_TRUE(faults.state.fds.empty()) << n;
      EXPECT_EQ(rec.Texts(), std::vector<std::string>{kErrorEnd}) << n;
      std::size_t left = n;
      bool bAfter = false;  // after the file that failed: never created
      for (const auto& [name, bytes] : c.full) {
        const auto expected = bAfter ? std::nullopt : std::optional(bytes.substr(0, left));
        EXPECT_TRUE(Content(f.dir.File(name)) == expected)
            << "disk full after " << n << " in " << name;
        bAfter = bAfter || left < bytes.size();
        left -= std::min(left, bytes.size());
      }
      f.ExpectInputsUntouched();
    }
  }
}

// Pages cut off a mapped file cannot be copied by the kernel: the write fails, and the
// run says why (the file, not the output).
TEST(RunFaultMapped, WriteFromPagesCutOffFailsWithTheReadMessage) {
  const std::string big = "<HTML><BODY>" + std::string(5 << 12, 'x') + "<HR>y</BODY></HTML>";
  Fixture f(Mode::kOneFile, {big});
  MessageRecorder rec;
  const FaultPlan plan{.map = true, .cutPath = "/in0.html", .cutTo = 0, .cutOnWrite = true};
  {
    FaultInjector faults(plan);
    EXPECT_EQ(f.request.OnRun(f.inputs, f.options, f.executor), kFailed);
    EXPECT_TRUE(faults.state.fds.empty());
  }
  EXPECT_EQ(rec.Texts(),
            (std::vector<std::string>{kReadText + "ファイルの終わりに到達", kErrorEnd}));
  f.ExpectInputsUntouched(plan);
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
