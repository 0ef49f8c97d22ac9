// Every way a file operation of a run can fail, through the request as a front end runs it:
// the messages (naming the file and the cause), the outcome, the outputs left exactly as
// they were before the run, no other file made, every file closed afterwards and the
// inputs untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/Messages.h"
#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "platform/posix/SysCalls.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated plan fields

namespace engine {
namespace {

using testing_support::FileNames;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::ReadIfExists;
using testing_support::TempDir;

enum Call { kNoCall, kOpen, kFstat, kSeek, kRead, kClose, kLink, kRename };
// Another program changes the planned input right after it is read: in place (with the same
// size and an older modification time), or by renaming a new file over it.
enum Change { kNoChange, kRewrite, kSwap };
// The name an unnamed new file is known by in a plan, after its folder.
constexpr char kUnnamed[] = "/(unnamed)";

// Failures for the file layer; `path` is matched by its ending.
struct FaultPlan {
  std::string path;
  Call fail = kNoCall;  // this call on `path` fails with err (a close releases the file first)
  int err = EIO;
  off_t longer = 0;  // `path` claims this many bytes more than it holds
  bool map = false;  // inputs may be mapped; otherwise they are read
  // Another program cuts `path` to cutTo bytes right after it is mapped, or with cutOnWrite
  // at the first gathered write.
  std::optional<std::size_t> cutTo;
  bool cutOnWrite = false;
  // Bytes all outputs together take; the write crossing it is short, the next one fails.
  std::size_t writeBudget = SIZE_MAX;
  bool choppy = false;  // reads return 3 bytes at most, writes 2; every other call is interrupted
  bool place = false;   // each top section is written at its place as soon as it is complete
  Change change = kNoChange;
  bool keepsNoChangeTime = false;  // `path` claims one change time throughout
  std::string appears;             // another program makes this output at the first gathered write
  bool force = false;              // the run was asked to replace outputs without a question (-f)
};

// The plan in force; system calls have no room for a context pointer.
struct State {
  FaultPlan plan;
  std::map<int, std::string> fds;                  // open descriptors
  std::vector<std::pair<std::string, int>> opens;  // every open made, with its flags
  std::size_t written = 0;
  int fstats = 0;  // on `path`: the first is the open's own check, the second asks the length
  bool bInterrupted = false;
}* g = nullptr;

bool Planned(const std::string& path) {
  return !g->plan.path.empty() && path.ends_with(g->plan.path);
}

std::string PathOf(int fd) {
  return g->fds.contains(fd) ? g->fds[fd] : "";
}

bool Fails(Call call, const std::string& path) {
  if (g->plan.fail != call || !Planned(path)) return false;
  errno = g->plan.err;
  return true;
}

bool Interrupted() {
  if (!g->plan.choppy || std::exchange(g->bInterrupted, !g->bInterrupted)) return false;
  errno = EINTR;
  return true;
}

void CutIf(const std::string& path) {
  if (!g->plan.cutTo || !Planned(path)) return;
  if (::truncate(path.c_str(), static_cast<off_t>(*g->plan.cutTo)) != 0) std::abort();
  g->plan.cutTo.reset();
}

void ChangeIf(const std::string& path) {
  if (g->plan.change == kNoChange || !Planned(path)) return;
  std::string bytes = ReadFile(path);
  std::ranges::reverse(bytes);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) std::abort();
  const std::string target = g->plan.change == kSwap ? path + ".new" : path;
  testing_support::WriteFile(target, bytes);
  if (g->plan.change == kSwap && ::rename(target.c_str(), path.c_str()) != 0) std::abort();
  if (g->plan.change == kRewrite) {
    // Written within the clock's tick of the run's start, the file must still look changed.
    const timespec times[2] = {st.st_atim, {st.st_mtim.tv_sec - 10, st.st_mtim.tv_nsec}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) std::abort();
  }
  g->plan.change = kNoChange;
}

// A write at the file's position, or at `at`.
ssize_t FaultWriteAt(int fd, const void* buf, size_t count, off_t at) {
  if (Interrupted()) return -1;
  const std::size_t room = g->plan.writeBudget - std::min(g->plan.writeBudget, g->written);
  if (room == 0 && count > 0) return errno = ENOSPC, -1;
  const std::size_t n = std::min({count, room, g->plan.choppy ? 2 : SIZE_MAX});
  const ssize_t done = at < 0 ? ::write(fd, buf, n) : ::pwrite(fd, buf, n, at);
  g->written += static_cast<std::size_t>(std::max<ssize_t>(done, 0));
  return done;
}

// A gathered write is a run of writes that stops at the first short one, as the kernel's does.
ssize_t FaultGather(int fd, const iovec* iov, int count, off_t at) {
  if (!g->plan.appears.empty()) {
    const auto folder = std::filesystem::path(PathOf(fd)).parent_path();
    testing_support::WriteFile(folder / std::exchange(g->plan.appears, ""), "theirs");
  }
  if (g->plan.cutOnWrite) {
    for (const auto& [other, path] : g->fds) CutIf(path);
    // The kernel copies from the cut pages itself.
    return at < 0 ? ::writev(fd, iov, count) : ::pwritev(fd, iov, count, at);
  }
  ssize_t total = 0;
  for (int i = 0; i < count; ++i) {
    const ssize_t n = FaultWriteAt(fd, iov[i].iov_base, iov[i].iov_len, at < 0 ? at : at + total);
    if (n < 0) return total > 0 ? total : n;
    total += n;
    if (static_cast<std::size_t>(n) < iov[i].iov_len) break;
  }
  return total;
}

// The real calls, with those a plan can fail or disturb replaced.
platform::SysCalls FaultCalls() {
  platform::SysCalls c = platform::PosixSysCalls();
  c.open = [](const char* path, int flags, mode_t mode) -> int {
    const bool bUnnamed = (flags & O_TMPFILE) == O_TMPFILE;
    const std::string name = bUnnamed ? path + std::string(kUnnamed) : path;
    if (Fails(kOpen, name)) return -1;
    const int fd = ::open(path, flags, mode);
    if (fd >= 0) g->opens.emplace_back(g->fds[fd] = name, flags);
    return fd;
  };
  c.read = [](int fd, void* buf, size_t count) -> ssize_t {
    if (Interrupted() || Fails(kRead, PathOf(fd))) return -1;
    const ssize_t n = ::read(fd, buf, g->plan.choppy ? std::min<size_t>(count, 3) : count);
    ChangeIf(PathOf(fd));
    return n;
  };
  c.write = [](int fd, const void* buf, size_t count) { return FaultWriteAt(fd, buf, count, -1); };
  c.close = [](int fd) -> int {
    const std::string path = PathOf(fd);
    g->fds.erase(fd);
    return ::close(fd) != 0 || Fails(kClose, path) ? -1 : 0;
  };
  c.fstat = [](int fd, struct stat* st) -> int {
    const bool bPlanned = Planned(PathOf(fd));
    if (bPlanned && ++g->fstats == 2 && Fails(kFstat, PathOf(fd))) return -1;
    const int r = ::fstat(fd, st);
    if (bPlanned) st->st_size += g->plan.longer;
    if (bPlanned && g->plan.keepsNoChangeTime) st->st_ctim = {};
    return r;
  };
  c.lseek = [](int fd, off_t offset, int whence) -> off_t {
    return Fails(kSeek, PathOf(fd)) ? -1 : ::lseek(fd, offset, whence);
  };
  c.writev = [](int fd, const iovec* iov, int count) { return FaultGather(fd, iov, count, -1); };
  c.pwritev = FaultGather;
  c.mmap = [](void* address, size_t length, int prot, int flags, int fd, off_t offset) -> void* {
    if (fd < 0) return ::mmap(address, length, prot, flags, fd, offset);  // memory
    if (!g->plan.map) return errno = ENODEV, MAP_FAILED;
    void* view = ::mmap(address, length, prot, flags, fd, offset);
    if (view != MAP_FAILED && !g->plan.cutOnWrite) CutIf(PathOf(fd));
    return view;
  };
  c.linkat = [](int oldDir, const char* oldPath, int newDir, const char* newPath, int flags) {
    return Fails(kLink, newPath) ? -1 : ::linkat(oldDir, oldPath, newDir, newPath, flags);
  };
  c.rename = [](const char* oldPath, const char* newPath) {
    return Fails(kRename, newPath) ? -1 : ::rename(oldPath, newPath);
  };
  return c;
}

// Installs a FaultPlan over the real system calls for its lifetime.
struct FaultInjector {
  State state;
  platform::ScopedSysCalls calls{FaultCalls()};
  explicit FaultInjector(FaultPlan plan) : state{std::move(plan)} { g = &state; }
  ~FaultInjector() { g = nullptr; }
};

const std::vector<std::string> kInputs = {"<HTML><BODY>a<HR>b</BODY></HTML>",
                                          "<html><body>c<hr>d</body></html>",
                                          "<HTML><BODY>e<HR>f</BODY></HTML>"};
// Layer 1 reversed, separator first, the <HR SIZE="50"> line between files.
const std::string kHr = "<HR SIZE=\"50\">";
const std::string kOneFile = "<HTML><BODY>b<HR>a" + kHr + "d<hr>c" + kHr + "f<HR>e</BODY></HTML>";
const std::string kRev[] = {"<HTML><BODY>b<HR>a</BODY></HTML>", "<html><body>d<hr>c</body></html>",
                            "<HTML><BODY>f<HR>e</BODY></HTML>"};
// Messages, with "$" for the folder of the run.
const std::string kOpenText = "ファイルをオープンできません\n";
const std::string kReadText = "ファイルを読み込めません\n";
const std::string kWriteText = "ファイルに書き込めません\n";
const std::string kEof = kReadText + "ファイルの終わりに到達";
const std::string kHardware = "ハードウェア エラー";
const std::string kDenied = "ファイル アクセス禁止";
const std::string kFull = "ディスク フル";
const std::string kEio = "入出力エラーです (EIO)";
const std::string kEacces = "アクセス権がありません (EACCES)";
const std::string kEnospc = "ディスクに空きがありません (ENOSPC)";
// What failed, its kind, the file in the folder of the run and the cause.
std::string Failure(const std::string& what, const std::string& kind, const std::string& file,
                    const std::string& cause) {
  return what + kind + "\nファイル: $/" + file + "\n原因: " + cause;
}
const std::string kErrorEnd = msg::kErrorEnd;
const std::string kUnchanged = kErrorEnd + "\n出力ファイルは実行前のままです: $/out.html";
const std::string kNotMade = kErrorEnd + "\n出力ファイルは作られていません: $/out.html";
const std::string kChanged =
    kReadText + "変換中に入力ファイルが変更されました\nファイル: $/in1.html";
const std::string kPages = "<HTML><BODY>" + std::string(5 << 12, 'x') + "<HR>y</BODY></HTML>";
const std::string kOld = "old output, longer than any new one";
const std::string kTheirsCause =
    "実行中にほかのプログラムが同じ名前のファイルを作りました (EEXIST)";
const std::string kTheirs = Failure(kWriteText, "未定義エラー", "out.html", kTheirsCause);

// The end of a per-file run that failed on input `i` of three.
std::string Stopped(int i) {
  const std::string in = "in" + std::to_string(i) + ".html";
  return kErrorEnd + "\n変換できなかった入力ファイル: $/" + in +
         (i < 2 ? "\n変換していない残りの入力ファイル: " + std::to_string(2 - i) + " 個" : "") +
         "\n出力ファイルは実行前のままです: $/Rev_" + in;
}

enum Mode { kOne, kPer };

struct FaultCase {
  const char* name;
  Mode mode;
  FaultPlan plan;
  std::size_t stopsBefore;            // inputs from this one on are never opened
  std::vector<std::string> messages;  // the run succeeds when the last is msg::kNormalEnd
  // Outputs after the run; before it each held kOld.
  std::map<std::string, std::string> outputs = {{"out.html", kOld}};
  std::vector<std::string> inputs = kInputs;
};

// clang-format off
const FaultCase kCases[] = {
    {"output_cannot_be_created", kOne, {.path = "out.html", .fail = kOpen, .err = EACCES}, 0,
     {Failure(kOpenText, kDenied, "out.html", kEacces), kUnchanged}},
    // A rename needs the folder: a writable file in a read-only folder cannot be replaced.
    {"folder_cannot_take_a_new_file", kOne, {.path = kUnnamed, .fail = kOpen, .err = EACCES}, 0,
     {Failure(kOpenText, kDenied, "out.html", kEacces) + "\nフォルダー: $", kUnchanged}},
    {"second_input_cannot_be_opened", kOne, {.path = "/in1.html", .fail = kOpen, .err = EMFILE}, 2,
     {Failure(kOpenText, "オープン ファイル数超過", "in1.html", "開いているファイルが多すぎます (EMFILE)"), kUnchanged}},
    // One byte more than a run can convert (the first input is 32 bytes).
    {"input_too_large", kOne, {.path = "/in0.html", .longer = 0xFFFFFFFF - 32}, 1,
     {"ファイルが大きすぎます\n変換できるのは 4,294,967,294 バイトまでのファイルです\nファイル: $/in0.html"
      "\n大きさ: 4294967295 バイト", kUnchanged}},
    {"input_length_unknown", kOne, {.path = "/in0.html", .fail = kFstat}, 1,
     {Failure(kOpenText, kHardware, "in0.html", kEio), kUnchanged}},
    {"input_cannot_be_rewound", kOne, {.path = "/in1.html", .fail = kSeek}, 2,
     {Failure(kReadText, kHardware, "in1.html", kEio), kUnchanged}},
    {"read_error", kOne, {.path = "/in1.html", .fail = kRead}, 2,
     {Failure(kReadText, kHardware, "in1.html", kEio), kUnchanged}},
    {"input_shrank_after_opening", kOne, {.path = "/in1.html", .longer = 5}, 2,
     {kEof + "\nファイル: $/in1.html", kUnchanged}},
    // The last bytes are known to be on disk only when the new file is closed; one that had
    // taken the name of an output that was not there gives it up.
    {"output_close_fails", kOne, {.path = kUnnamed, .fail = kClose}, 3,
     {Failure(kWriteText, kHardware, "out.html", kEio), kUnchanged}},
    {"new_output_close_fails", kOne, {.path = kUnnamed, .fail = kClose}, 3,
     {Failure(kWriteText, kHardware, "out.html", kEio), kNotMade}, {}},
    {"output_cannot_be_linked_in", kOne, {.path = ".tmp", .fail = kLink, .err = ENOSPC}, 3,
     {Failure(kWriteText, kFull, "out.html", kEnospc) + "\nフォルダー: $", kUnchanged}},
    {"output_cannot_be_renamed", kOne, {.path = "/out.html", .fail = kRename, .err = EACCES}, 3,
     {Failure(kWriteText, kDenied, "out.html", kEacces) + "\nフォルダー: $", kUnchanged}},
    // Zeros stand in for the bytes cut off; the run must not pass them off as the file.
    {"mapped_input_cut", kOne, {.path = "/in1.html", .map = true, .cutTo = 5}, 2,
     {kEof + "\nファイル: $/in1.html", kUnchanged}},
    {"mapped_input_cut_while_written", kOne,
     {.path = "/in0.html", .map = true, .cutTo = 5, .cutOnWrite = true}, 1,
     {kEof + "\nファイル: $/in0.html", kUnchanged}},
    // Whole pages cut off: the kernel's copy fails, and the run blames the input, not the output.
    {"mapped_pages_cut_while_written", kOne,
     {.path = "/in0.html", .map = true, .cutTo = 0, .cutOnWrite = true}, 1,
     {kEof + "\nファイル: $/in0.html", kUnchanged}, {{"out.html", kOld}}, {kPages}},
    {"mapped_pages_cut_while_placed", kOne,
     {.path = "/in0.html", .map = true, .cutTo = 0, .cutOnWrite = true, .place = true}, 1,
     {kEof + "\nファイル: $/in0.html", kUnchanged}, {{"out.html", kOld}}, {kPages}},
    // Bytes of two versions of an input never pass for one file.
    {"input_rewritten_while_converted", kOne, {.path = "/in1.html", .change = kRewrite}, 2,
     {kChanged, kUnchanged}},
    // Replaced where change times are not kept (some network and FUSE file systems): only
    // its name tells.
    {"input_replaced_while_converted", kPer,
     {.path = "/in1.html", .change = kSwap, .keepsNoChangeTime = true}, 2, {kChanged, Stopped(1)},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kOld}, {"Rev_in2.html", kOld}}},
    {"short_and_interrupted_transfers_placed", kOne, {.choppy = true, .place = true}, 3,
     {msg::kNormalEnd}, {{"out.html", kOneFile}}},
    // An output that did not exist when the run was asked for is never put in place over a
    // file someone else made meanwhile, unless the run was to replace without asking.
    {"output_made_meanwhile", kOne, {.appears = "out.html"}, 3, {kTheirs, kUnchanged},
     {{"out.html", "theirs"}}},
    {"output_made_meanwhile_without_unnamed_files", kOne,
     {.path = kUnnamed, .fail = kOpen, .err = EOPNOTSUPP, .appears = "out.html"}, 3,
     {kTheirs, kUnchanged}, {{"out.html", "theirs"}}},
    {"rev_file_made_before_its_turn", kPer, {.appears = "Rev_in1.html"}, 1,
     {Failure(kOpenText, "未定義エラー", "Rev_in1.html", kTheirsCause), Stopped(1)},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", "theirs"}}},
    // A disk that fills up: the outputs that fit whole are written, the one that does not
    // stays as it was and nothing follows it.
    {"disk_full_at_the_last_byte", kOne, {.writeBudget = kOneFile.size() - 1}, 3,
     {Failure(kWriteText, kFull, "out.html", kEnospc), kUnchanged}},
    {"disk_full_at_the_last_byte_of_a_rev_file", kPer, {.writeBudget = kRev[0].size() - 1}, 1,
     {Failure(kWriteText, kFull, "Rev_in0.html", kEnospc), Stopped(0)},
     {{"Rev_in0.html", kOld}, {"Rev_in1.html", kOld}, {"Rev_in2.html", kOld}}},
    {"disk_full_in_the_last_rev_file", kPer, {.writeBudget = kRev[0].size() + kRev[1].size() + 9}, 3,
     {Failure(kWriteText, kFull, "Rev_in2.html", kEnospc), Stopped(2)},
     {{"Rev_in0.html", kRev[0]}, {"Rev_in1.html", kRev[1]}, {"Rev_in2.html", kOld}}},
    {"output_made_meanwhile_replaced_when_forced", kOne, {.appears = "out.html", .force = true}, 3,
     {msg::kNormalEnd}, {{"out.html", kOneFile}}},
};
// clang-format on

class RunFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RunFault, FailsCleanly) {
  const FaultCase& c = GetParam();
  // Inputs in a fresh folder and a request set up as the command line sets it.
  TempDir dir;
  RunInputs inputs;
  for (std::size_t i = 0; i < c.inputs.size(); ++i)
    inputs.astrInputPaths.push_back(dir.Write("in" + std::to_string(i) + ".html", c.inputs[i]));
  inputs.strOutputPath = dir.File("out.html");
  inputs.bForce = c.plan.force;
  const COptionValues options{.m_abyReverse = LayerSet(0b10),  // layer 1 reversed
                              .m_bOneFile = c.mode == kOne,
                              .m_bSeparatorFirst = true,
                              .m_nSeparatorStyle = 0};
  CRunRequest request;
  request.m_bOptionsOpened = true;
  CExecutor executor;
  executor.m_nLargeFile = 0;  // every input is mapped where the plan lets it
  if (c.plan.place) {
    executor.m_nPlaceMin = 0;
    executor.m_searcher.m_nTopStep = 0;
  }
  std::set<std::string> names = FileNames(dir.Path());
  for (const auto& [name, content] : c.outputs) {
    if (name != c.plan.appears) dir.Write(name, kOld);
    names.insert(name);
  }
  MessageRecorder rec(platform::kIdYes);
  {
    FaultInjector faults(c.plan);
    const bool bNormal = c.messages.back() == msg::kNormalEnd;
    EXPECT_EQ(request.OnRun(inputs, options, executor),
              bNormal ? RequestOutcome::kSucceeded : RequestOutcome::kFailed);
    EXPECT_TRUE(faults.state.fds.empty()) << "left open: " << faults.state.fds.begin()->second;
    for (const auto& [path, flags] : faults.state.opens) {
      EXPECT_FALSE((flags & O_ACCMODE) != O_RDONLY && path.find("/in") != std::string::npos);
      for (std::size_t i = c.stopsBefore; i < c.inputs.size(); ++i)
        EXPECT_NE(path, inputs.astrInputPaths[i]) << "the run went on after the failure";
    }
  }
  std::vector<std::string> expected;
  for (std::string m : c.messages) {
    for (auto at = m.find('$'); at != std::string::npos; at = m.find('$', at + 1))
      m.replace(at, 1, dir.Path());
    expected.push_back(m);
  }
  // The overwrite question comes first, answered yes; per-file, it names the Rev_ files.
  std::string question = msg::kOverwrite;
  if (c.mode == kPer) {
    question = "出力ファイルのうち " + std::to_string(c.outputs.size() - !c.plan.appears.empty()) +
               " 個が既に存在します。上書きしますか？";
    for (const auto& [name, content] : c.outputs)
      if (name != c.plan.appears) question += "\nファイル: " + dir.File(name);
  }
  if (c.outputs.size() > !c.plan.appears.empty()) expected.insert(expected.begin(), question);
  EXPECT_EQ(rec.Texts(), expected);
  for (const auto& [name, content] : c.outputs)
    EXPECT_EQ(ReadIfExists(dir.File(name)), content) << name;
  EXPECT_EQ(FileNames(dir.Path()), names) << "a file was left behind or removed";
  // The inputs are untouched; one another program cut or changed has only that change.
  for (std::size_t i = 0; i < c.inputs.size(); ++i) {
    std::string content = c.inputs[i];
    if (inputs.astrInputPaths[i].ends_with(c.plan.path)) {
      if (c.plan.cutTo) content.resize(*c.plan.cutTo);
      if (c.plan.change != kNoChange) std::ranges::reverse(content);
    }
    EXPECT_EQ(ReadFile(inputs.astrInputPaths[i]), content) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFault, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
    // The file claims 3 GiB, more than the address space left to this process.
    FaultInjector big({.path = "/in.html", .longer = (off_t{3} << 30) - 32});
    struct rlimit limit {};
    ::getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(1) << 30;
    if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
    CExecutor ex;
    ex.SetInputFiles({input});
    const bool ok = ex.OpenInputFile(0) == -1 && !ex.HoldsFiles() &&
                    rec.Texts() == std::vector<std::string>{std::string(msg::kBufferAlloc) +
                                                            "\nファイル: " + input +
                                                            "\n大きさ: 3221225472 バイト"};
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(status, 0);  // exited, with 0
  EXPECT_EQ(ReadFile(input), kInputs[0]);
#endif
}

}  // namespace
}  // namespace engine
