// What the Windows build does with files and the console that the POSIX one does not: share
// modes, delete-on-close, attributes, long and Japanese paths, code pages and console
// events. Where Wine cannot show a behaviour, the test says so and skips it. (Binary
// standard output: the golden case standard_output_copy, whose log has bare LF line ends.
// One file under two names: the file contract's hard links.)
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Encoding.h"
#include "platform/File.h"
#include "platform/win32/WidePath.h"
#include "tests/support/Program.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::FileNames;
using testing_support::ReadFile;
using testing_support::TempDir;

constexpr unsigned kRead = CFile::modeRead;
constexpr unsigned kReplace = CFile::modeCreate | CFile::modeWrite | CFile::modeReplace;
const std::string kLog = "<HTML><BODY>one<HR>two</BODY></HTML>";

// velmorant-cli run in `dir`, its standard output and error in files there.
testing_support::ProgramRun Cli(const TempDir& dir, std::vector<std::string> args) {
  testing_support::ProgramRun run;
  run.program = VELMORANT_CLI_PATH;
  run.dir = dir.Path();
  run.args = std::move(args);
  run.outPath = dir.File("stdout");
  run.errPath = dir.File("stderr");
  return run;
}

void SkipRow(const std::string& row, const std::string& reason) {
  std::printf("row skipped, %s: %s\n", row.c_str(), reason.c_str());
}

// An input open for a run can be read by others, but not written, renamed or deleted.
TEST(WindowsFile, InputIsSharedWithReadersOnly) {
  TempDir dir;
  const std::wstring in = WidePath(dir.Write("in.html", kLog));
  CFile input;
  ASSERT_TRUE(input.Open(dir.File("in.html"), kRead, nullptr));
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  auto open = [&](DWORD access) {
    HANDLE h = ::CreateFileW(in.c_str(), access, all, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    return h != INVALID_HANDLE_VALUE;
  };
  const std::tuple<const char*, std::function<bool()>, bool> rows[] = {
      {"read", [&] { return open(GENERIC_READ); }, true},
      {"write", [&] { return open(GENERIC_WRITE); }, false},
      {"delete", [&] { return ::DeleteFileW(in.c_str()) != 0; }, false},
      {"rename", [&] { return ::MoveFileW(in.c_str(), (in + L".moved").c_str()) != 0; }, false},
  };
  for (const auto& [what, attempt, bAllowed] : rows) {
    EXPECT_EQ(attempt(), bAllowed) << what;
    if (!bAllowed) {
      EXPECT_EQ(::GetLastError(), DWORD{ERROR_SHARING_VIOLATION}) << what;
    }
  }
  input.Close();
  EXPECT_TRUE(open(GENERIC_WRITE));
  EXPECT_EQ(ReadFile(dir.File("in.html")), kLog);
}

// Until Close the new bytes are in a file the system deletes when the program ends: a run
// killed meanwhile leaves the old output, or none where there was none, and nothing else.
// A death test's child runs the test again from its start, so the folder has a fixed name.
TEST(WindowsFileDeathTest, KilledRunLeavesTheOldOutputAndNoOtherFile) {
  const auto folder = std::filesystem::temp_directory_path() / "velmorant-killed-run";
  const std::string target = testing_support::Utf8Of(folder / "out.html");
  for (const bool bExisting : {true, false}) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    if (bExisting) testing_support::WriteFile(target, "old bytes");
    const auto names = FileNames(testing_support::Utf8Of(folder));
    EXPECT_EXIT(
        {
          CFile f;
          if (!f.Open(target, kReplace, nullptr)) ::ExitProcess(3);
          f.Write("new bytes", 9);
          f.Flush();
          ::TerminateProcess(::GetCurrentProcess(), 9);
        },
        ::testing::ExitedWithCode(9), "");
    EXPECT_EQ(FileNames(testing_support::Utf8Of(folder)), names) << bExisting;
    if (bExisting) {
      EXPECT_EQ(ReadFile(target), "old bytes");
    }
  }
  std::filesystem::remove_all(folder);
}

// The new file takes the old one's attributes; a read-only one is refused as before.
TEST(WindowsFile, ReplacementKeepsTheAttributesAndSparesReadOnlyFiles) {
  const std::tuple<const char*, DWORD, bool> rows[] = {
      {"hidden", FILE_ATTRIBUTE_HIDDEN, true},
      {"hidden system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
      {"not indexed", FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, true},
      {"read-only", FILE_ATTRIBUTE_READONLY, false},
  };
  for (const auto& [what, attributes, bReplaced] : rows) {
    TempDir dir;
    const std::string target = dir.Write("out.html", "old bytes");
    const std::wstring wide = WidePath(target);
    ::SetFileAttributesW(wide.c_str(), attributes);
    const DWORD before = ::GetFileAttributesW(wide.c_str());
    if ((before & attributes) != attributes) {
      SkipRow(what, "Wine keeps no such attribute on this file system");
      continue;
    }
    CFile f;
    CFileException e;
    ASSERT_EQ(f.Open(target, kReplace, &e), bReplaced) << what;
    if (bReplaced) {
      f.Write("new", 3);
      f.Close();
    } else {
      EXPECT_EQ(e.m_cause, CFileException::accessDenied) << what;
    }
    EXPECT_EQ(ReadFile(target), bReplaced ? "new" : "old bytes") << what;
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()), before) << what;
    EXPECT_EQ(FileNames(dir.Path()), std::set<std::string>{"out.html"}) << what;
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  SkipRow("ACL and alternate streams", "Wine's files on a Unix file system have neither");
}

// The file standard output was sent to, named as the output, is written through standard
// output: not replaced under the shell's open handle, which would fail or lose the bytes.
TEST(WindowsFile, OutputNamedAsStandardOutputIsWrittenThroughIt) {
  TempDir dir;
  dir.Write("in.html", kLog);
  testing_support::ProgramRun run = Cli(dir, {"-q", "-o", "f.html", "in.html"});
  run.outPath = dir.File("f.html");
  EXPECT_EQ(testing_support::RunProgram(run), 0) << ReadFile(run.errPath);
  EXPECT_EQ(ReadFile(run.outPath), kLog);
  EXPECT_EQ(FileNames(dir.Path()), (std::set<std::string>{"f.html", "in.html", "stderr"}));
}

// A log named with backslashes, as the file dialogs and most users give it, gets its "Rev_"
// file beside it or in the folder given, whichever separator that folder ends with.
TEST(WindowsFile, PerFileOutputOfBackslashedNames) {
  TempDir dir;
  const std::string in = dir.Write("in.html", kLog);
  std::string back = in;
  std::replace(back.begin(), back.end(), '/', '\\');
  const std::vector<std::vector<std::string>> rows = {
      {back}, {"--output-dir", dir.Path() + "\\", back}, {"--output-dir", dir.Path(), back}};
  for (const auto& args : rows) {
    testing_support::ProgramRun run = Cli(dir, {"-q", "-f", "--per-file", "-r", "1"});
    run.args.insert(run.args.end(), args.begin(), args.end());
    EXPECT_EQ(testing_support::RunProgram(run), 0) << ReadFile(run.errPath);
    EXPECT_EQ(FileNames(dir.Path()),
              (std::set<std::string>{"Rev_in.html", "in.html", "stderr", "stdout"}));
  }
}

// Through the real program, whose arguments arrive as UTF-16: a path longer than 260
// characters, and Japanese names.
TEST(WindowsFile, LongAndJapanesePathsConvert) {
  const std::string deep(60, 'd');
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{deep, deep, deep, deep, deep}, "log.html"},
      {{"ログ 置き場"}, "入力ファイル.html"},
  };
  for (const auto& [folders, name] : rows) {
    TempDir dir;
    std::string folder = dir.Path();
    for (const std::string& f : folders) {
      folder += "\\" + f;
      ASSERT_TRUE(::CreateDirectoryW(WidePath(folder).c_str(), nullptr)) << folder;
    }
    const std::string in = folder + "\\" + name;
    const std::string out = folder + "\\出力 " + name;
    CFile file;
    ASSERT_TRUE(file.Open(in, kReplace, nullptr)) << in;
    file.Write(kLog.data(), kLog.size());
    file.Close();
    const testing_support::ProgramRun run =
        Cli(dir, {"-q", "--kind", "2", "--reverse", "1", "-o", out, in});
    EXPECT_EQ(testing_support::RunProgram(run), 0) << ReadFile(run.errPath);
    std::string bytes(64, '\0');
    ASSERT_TRUE(file.Open(out, kRead, nullptr)) << out;
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, "<HTML><BODY>two<HR>one</BODY></HTML>") << out;
    // Wine takes long paths in any form; Windows only with the \\?\ prefix.
    EXPECT_EQ(WidePath(out).rfind(L"\\\\?\\", 0), 0u) << out;
    EXPECT_GT(out.size(), folders.size() > 1 ? 260u : 0u);
    file.Close();
    // Removed here: std::filesystem knows nothing of long paths.
    EXPECT_TRUE(::DeleteFileW(WidePath(in).c_str()) && ::DeleteFileW(WidePath(out).c_str()));
    for (std::size_t i = folders.size(); i > 0; --i, folder.resize(folder.rfind('\\'))) {
      ::RemoveDirectoryW(WidePath(folder).c_str());
    }
  }
}

// Messages redirected from a console are in its code page. Wine gives a console only to
// programs started from a terminal: ctest runs this test under `script`.
TEST(WindowsConsole, RedirectedMessagesAreInTheConsoleCodePage) {
  if (::GetConsoleOutputCP() == 0) {
    GTEST_SKIP() << "no console: Wine gives one only to programs started from a terminal";
  }
  ASSERT_TRUE(::SetConsoleOutputCP(932));
  TempDir dir;
  testing_support::ProgramRun run = Cli(dir, {"-o", "出力.html", "ない.html"});
  run.bConsole = true;
  EXPECT_EQ(testing_support::RunProgram(run), 1);
  const std::string err = ReadFile(run.errPath);
  EXPECT_NE(
      err.find(*Utf8ToCp932("ファイルをオープンできません\nファイル未定義\nファイル: ない.html")),
      std::string::npos)
      << err;
}

// On a console the progress line is drawn in place with the console's calls and cleared:
// what the screen keeps is the closing message alone.
TEST(WindowsConsole, ProgressLineIsClearedFromTheScreen) {
  if (::GetConsoleOutputCP() == 0) {
    GTEST_SKIP() << "no console: Wine gives one only to programs started from a terminal";
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE screen =
      ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, CONSOLE_TEXTMODE_BUFFER, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  TempDir dir;
  dir.Write("a.html", kLog);
  // On a console: drawn in place.
  testing_support::ProgramRun run = Cli(dir, {"--progress", "-o", "out.html", "a.html"});
  run.env = {{"VELMORANT_TEST_PROGRESS_AFTER", "0"}};
  run.hErr = screen;
  run.bConsole = true;
  EXPECT_EQ(testing_support::RunProgram(run), 0);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(::GetConsoleScreenBufferInfo(screen, &info));
  std::vector<std::string> rows;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    DWORD n = 0;
    ::ReadConsoleOutputCharacterW(screen, row.data(), info.dwSize.X, {0, y}, &n);
    row.erase(row.find_last_not_of(L' ') + 1);
    rows.push_back(Narrow(row));
  }
  ::CloseHandle(screen);
  EXPECT_EQ(rows, (std::vector<std::string>{"正常に終了しました", ""}));
}

// A standard handle that is missing, or names nothing open in this process, is put on NUL,
// the wrong way round, so that no file the program opens later is reached through it.
TEST(WindowsConsole, DanglingStandardHandlesAreOpenedOnNul) {
  HANDLE closed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::CloseHandle(closed);
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    for (const HANDLE given : {HANDLE{nullptr}, closed}) {
      const HANDLE saved = ::GetStdHandle(which);
      ::SetStdHandle(which, given);
      OpenStandardStreams();
      const HANDLE now = ::GetStdHandle(which);
      char byte = 'x';
      DWORD n = 0;
      const bool bUsable = which == STD_INPUT_HANDLE ? ::ReadFile(now, &byte, 1, &n, nullptr)
                                                     : ::WriteFile(now, &byte, 1, &n, nullptr);
      EXPECT_EQ(::GetFileType(now), DWORD{FILE_TYPE_CHAR}) << which;
      EXPECT_FALSE(bUsable) << which;
      ::SetStdHandle(which, saved);
      ::CloseHandle(now);
    }
  }
}

// Ctrl-C and Ctrl-Break set the run's stop flag instead of ending the program.
TEST(WindowsConsole, ControlEventsSetTheStopFlag) {
  std::atomic<int> flag{0};
  const ScopedConsoleInterrupt interrupt(flag);
  if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) {
    GTEST_SKIP() << "Wine delivers no console control events (GenerateConsoleCtrlEvent fails): "
                    "Ctrl-C, Ctrl-Break and closing the console cannot be shown here";
  }
  for (int i = 0; i < 100 && flag.load() == 0; ++i) ::Sleep(10);
  EXPECT_EQ(flag.load(), 1);
}

}  // namespace
}  // namespace platform
