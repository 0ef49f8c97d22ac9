#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/TestFiles.h"

namespace cli {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// Runs the installed command line through the shell; returns its exit status.
int Shell(const std::string& command) {
  const int r = std::system(command.c_str());
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TEST(CliBinary, ReversesAShiftJisLogAndKeepsEveryOtherByte) {
  TempDir dir;
  std::string log = "<!DOCTYPE HTML>\r\n<HTML><HEAD><TITLE>\x8E\x47\x92\x6B</TITLE></HEAD>\r\n<BODY>";
  std::string expectedBody;
  std::vector<std::string> posts;
  for (int i = 1; i <= 5; ++i) {
    posts.push_back("\r\n<dl><dt>" + std::to_string(i) + " \x96\xBC\x91\x4F<dd>\x96\x7B\x95\xB6<br></dl>");
  }
  for (const auto& p : posts) log += p + "<HR>";
  log += "\r\n</BODY>\r\n</HTML>\r\n";
  const std::string in = dir.Write("log.html", log);
  const std::string out = dir.File("out.html");
  ASSERT_EQ(Shell(std::string(VELMORANT_CLI_PATH) + " --reverse 1 -f -q -o " + Quote(out) + " " +
                  Quote(in)),
            0);
  std::string expected = "<HTML><HEAD><TITLE>\x8E\x47\x92\x6B</TITLE></HEAD>\r\n<BODY>\r\n";
  for (int i = 4; i >= 0; --i) expected += "<HR>" + posts[i];
  expected += "</BODY>\r\n</HTML>";
  EXPECT_EQ(ReadFile(out), expected);
  EXPECT_EQ(ReadFile(in), log);
}

}  // namespace
}  // namespace cli
