// The progress line on a terminal: the real program on a pseudo-terminal of a known width,
// and what its screen holds afterwards, which must be the messages alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace {

const std::string kLog = "<HTML><BODY>post 1<HR>post 2</BODY></HTML>";  // 42 bytes
const std::string kLongName = "とても長い名前のログファイル・二〇二四年三月分.html";

struct Transcript {
  std::string bytes;  // all the program wrote to the terminal
  int status = -1;    // its exit status, or 128 + the signal that ended it
};

// Runs the program, its line shown from the start, on a terminal `columns` wide that passes
// bytes unchanged; standard output goes to a file unless `bOutputHere`. With
// `nFramesBeforeStop`, sends SIGINT once the terminal has shown that many lines.
Transcript RunOnTerminal(const std::string& dir, std::vector<std::string> args, bool bOutputHere,
                         unsigned short columns, int nFramesBeforeStop = 0) {
  termios raw{};
  ::cfmakeraw(&raw);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = columns;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, &raw, &size);
  if (pid == 0) {
    ::setenv("VELMORANT_TEST_PROGRESS_AFTER", "0", 1);  // any run is slow enough
    ::signal(SIGINT, SIG_DFL);  // a shell's background job would pass Ctrl-C on ignored
    const int out = ::open((dir + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (::chdir(dir.c_str()) != 0 || out < 0 || (!bOutputHere && ::dup2(out, 1) != 1)) ::_exit(126);
    args.insert(args.begin(), VELMORANT_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Transcript t;
  pollfd readable{master, POLLIN, 0};
  char buffer[4096];
  bool bSent = nFramesBeforeStop == 0;
  while (::poll(&readable, 1, 10000) == 1) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO: the program has closed the terminal
    t.bytes.append(buffer, static_cast<std::size_t>(n));
    int nFrames = 0;
    for (std::size_t at = 0; (at = t.bytes.find(" files ", at + 1)) != std::string::npos;)
      ++nFrames;
    if (!bSent && nFrames >= nFramesBeforeStop) bSent = ::kill(pid, SIGINT) == 0;
  }
  ::kill(pid, SIGKILL);  // hung: the status says so
  int wait = 0;
  ::waitpid(pid, &wait, 0);
  ::close(master);
  t.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  return t;
}

// What the terminal shows after these bytes, a character a cell: its rows without their
// trailing blanks, the empty ones at the end left out.
std::vector<std::string> Screen(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows(1);
  std::size_t column = 0;
  for (std::size_t i = 0, n = 1; i < bytes.size(); i += n) {
    for (n = 1; i + n < bytes.size() && (static_cast<unsigned char>(bytes[i + n]) & 0xC0) == 0x80;)
      ++n;
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      column = 0;
      if (bytes[i] == '\n') rows.emplace_back();
      continue;
    }
    if (rows.back().size() <= column) rows.back().resize(column + 1, " ");
    rows.back()[column++] = bytes.substr(i, n);
  }
  std::vector<std::string> screen;
  for (const auto& row : rows) {
    std::string text;
    for (const std::string& cell : row) text += cell;
    screen.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
  }
  while (!screen.empty() && screen.back().empty()) screen.pop_back();
  return screen;
}

// The line is drawn in place and leaves the messages alone; Ctrl-C while the run waits ends
// the program as it always has, and the line goes with it.
TEST(ProgressOnATerminal, LineIsDrawnInPlaceAndLeavesTheMessagesAlone) {
  const std::string kMismatch = "「u.html」は UTF-8 のようです。--encoding utf-8 を試してください";
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> screen;
    std::vector<std::string> shown;  // lines show these; none: the messages alone reach it
    bool bOutputHere = false;
    int nFramesBeforeStop = 0;
  };
  const Row rows[] = {
      {"slow run",
       {"-f", "-o", "out.html", kLongName, "b.html", "c.html"},
       {"正常に終了しました"},
       // Spaces cover the longer line before.
       {"--:-- left  とても長い名前の...二四年三月分.html\r",
        "126 B / 126 B (100%)  3/3 files        -- B/s  0:00 left" + std::string(30, ' ')}},
      {"message during the run",
       {"-f", "-o", "out.html", "b.html", "u.html"},
       {kMismatch, "正常に終了しました"},
       {"0/2 files"}},
      {"quiet", {"-q", "-f", "-o", "out.html", "b.html"}, {}, {}},
      // No closing message takes the line's place: the end of the run clears it.
      {"quiet, asked for",
       {"--progress", "-q", "-f", "-o", "out.html", "b.html"},
       {},
       {"1/1 files"}},
      {"output on the terminal", {"b.html"}, {kLog + "正常に終了しました"}, {}, true},
      // Writing to a FIFO that is open but never read waits once the pipe is full.
      {"interrupted", {"-o", "fifo", "big.html"}, {}, {"0/1 files"}, false, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    testing_support::TempDir dir;
    for (const std::string& name : {kLongName, std::string("b.html"), std::string("c.html")}) {
      dir.Write(name, kLog);
    }
    dir.Write("u.html", "<HTML><BODY>日本語<HR>テスト</BODY></HTML>");
    dir.Write("big.html", testing_support::MakeBoardLog(1u << 20));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    const Transcript t = RunOnTerminal(dir.Path(), r.args, r.bOutputHere, 100, r.nFramesBeforeStop);
    ::close(reader);
    EXPECT_EQ(t.status, r.nFramesBeforeStop ? 128 + SIGINT : 0) << t.bytes;
    EXPECT_EQ(Screen(t.bytes), r.screen) << t.bytes;
    if (r.shown.empty()) {
      EXPECT_EQ(t.bytes.find('\r'), std::string::npos) << t.bytes;
    }
    for (const std::string& text : r.shown) {
      EXPECT_NE(t.bytes.find(text), std::string::npos) << text << " in " << t.bytes;
    }
  }
}

}  // namespace
