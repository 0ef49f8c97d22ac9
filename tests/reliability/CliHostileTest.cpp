// Hostile inputs and outputs end to end through the real velmorant-cli program: it must
// neither crash nor hang, must exit with the documented status and message, and must
// leave every input as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/reliability/Spawn.h"
#include "tests/support/TestFiles.h"

namespace {

using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::Spawn;
using testing_support::TempDir;

const std::string kCli = VELMORANT_CLI_PATH;
const std::string kErrorEnd = "エラーのため終了します\n";
const std::string kOpenFailed = "ファイルをオープンできません\n";
const std::string kFixedFooter = "\r\n</BODY>\r\n</HTML>\r\n";

std::string Repeat(const std::string& s, std::size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) r += s;
  return r;
}

// Deterministic bytes of every value.
std::string Noise(std::size_t n, std::uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

// Every regular file below `dir` with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file() && !e.is_symlink()) files[e.path().string()] = ReadFile(e.path());
  }
  return files;
}

struct HostileCase {
  const char* name;
  // Creates the files in the folder and returns the command line.
  std::function<std::vector<std::string>(const TempDir&)> setup;
  int status;
  std::string err;  // standard error, exactly
  // Output files (relative to the folder) and their bytes; nullopt: must not exist.
  std::function<std::map<std::string, std::optional<std::string>>()> outputs;
  std::string stdoutTo = {};  // where standard output goes, appended; empty: captured
};

void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.name;
}

using Args = std::vector<std::string>;
using Outputs = std::map<std::string, std::optional<std::string>>;

// One input file, one output file "out.html" in the folder.
std::function<Args(const TempDir&)> OneInput(std::string name, std::string bytes, Args options) {
  return [=](const TempDir& dir) {
    dir.Write(name, bytes);
    Args args = {"-q", "-o", "out.html"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(name);
    return args;
  };
}

std::function<Outputs()> Out(std::optional<std::string> bytes) {
  return [=] { return Outputs{{"out.html", bytes}}; };
}

const std::string kNestedTables =
    "<HTML><BODY>" + Repeat("<TABLE>", 10000) + "x" + Repeat("</TABLE>", 10000) + "</BODY></HTML>";
const std::string kInvalidSjis = "<HTML><BODY>\x81<HR>\xFF\xFC\x80<HR>\x82</BODY></HTML>";
// A lead byte before '<' turns the tag into other bytes; a 0x8E carries the '<' along.
const std::string kInvalidEuc = "<HTML><BODY>\xA4\xA2<HR>\xFF\x8E<HR>\xB0</BODY></HTML>";

const HostileCase kCases[] = {
    {"empty_file", OneInput("e.html", "", {}), 1, kErrorEnd, Out("")},
    {"one_byte", OneInput("e.html", "<", {"-r", "1"}), 1, kErrorEnd, Out("")},
    {"binary_noise", OneInput("n.bin", Noise(1 << 20, 7), {"-r", "1-15", "--euc"}), 1, kErrorEnd,
     Out("")},
    {"nested_tables_reversed_in_every_layer",
     OneInput("t.html", kNestedTables, {"-k", "1", "-r", "1-15"}), 0, "", Out(kNestedTables)},
    {"nested_tables_text_first",
     OneInput("t.html", kNestedTables, {"-r", "1-15", "--order", "body"}), 0, "",
     Out(kNestedTables)},
    {"a_million_rules",
     OneInput("hr.html", "<HTML><BODY>" + Repeat("p<HR>", 1000000) + "</BODY></HTML>",
              {"-k", "2", "-r", "1"}),
     0, "", Out("<HTML><BODY>" + Repeat("<HR>p", 1000000) + "</BODY></HTML>")},
    {"tag_without_close_at_the_end",
     OneInput("x.html", "<HTML><BODY>a<HR>b<TABLE border=1", {"-r", "1"}), 0, "",
     Out("<HTML><BODY>b<TABLE border=1<HR>a" + kFixedFooter)},
    {"lt_as_the_last_byte", OneInput("x.html", "<HTML><BODY>a<HR>b<", {"-r", "1"}), 0, "",
     Out("<HTML><BODY>b<<HR>a" + kFixedFooter)},
    {"invalid_shift_jis", OneInput("s.html", kInvalidSjis, {"-k", "2", "-r", "1"}), 0, "",
     Out("<HTML><BODY>\x82<HR>\xFF\xFC\x80<HR>\x81</BODY></HTML>")},
    {"invalid_euc", OneInput("e.html", kInvalidEuc, {"--euc", "-k", "2", "-r", "1"}), 0, "",
     Out("<HTML><BODY>\x88:/BODY><HR>\xFF\x8E<HR>\x82\xA0</HTML>")},
    {"directory_as_input",
     [](const TempDir& dir) {
       std::filesystem::create_directory(dir.File("sub"));
       return Args{"-q", "-o", "out.html", "sub"};
     },
     1, kOpenFailed + "ファイル アクセス禁止\n" + kErrorEnd, Out("")},
    {"fifo_as_input",
     [](const TempDir& dir) {
       ::mkfifo(dir.File("pipe").c_str(), 0600);
       return Args{"-q", "-o", "out.html", "pipe"};
     },
     1, kOpenFailed + "ファイル アクセス禁止\n" + kErrorEnd, Out("")},
    {"device_as_input",
     [](const TempDir&) {
       return Args{"-q", "-o", "out.html", "/dev/zero"};
     },
     1, kOpenFailed + "ファイル アクセス禁止\n" + kErrorEnd, Out("")},
    {"output_in_a_missing_folder",
     [](const TempDir& dir) {
       dir.Write("in.html", "<HTML><BODY>a</BODY></HTML>");
       return Args{"-q", "-o", "missing/out.html", "in.html"};
     },
     1, kOpenFailed + "不正パス\n" + kErrorEnd,
     [] {
       return Outputs{{"missing/out.html", std::nullopt}};
     }},
    {"output_on_a_full_device",
     [](const TempDir& dir) {
       dir.Write("in.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
       return Args{"-q", "-f", "-o", "/dev/full", "-r", "1", "in.html"};
     },
     1, kErrorEnd, [] { return Outputs{}; }},
    {"output_is_a_link_to_the_input",
     [](const TempDir& dir) {
       dir.Write("in.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
       ::symlink("in.html", dir.File("link.html").c_str());
       return Args{"-q", "-f", "-o", "link.html", "in.html"};
     },
     2, "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\n",
     [] { return Outputs{}; }},
    {"standard_output_on_a_full_device",
     [](const TempDir& dir) {
       dir.Write("in.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
       return Args{"-q", "-r", "1", "in.html"};
     },
     1, kErrorEnd, [] { return Outputs{}; }, "/dev/full"},
    // The shell's ">>" does not empty the file, so only the program can keep it intact.
    {"standard_output_appends_to_the_input",
     [](const TempDir& dir) {
       dir.Write("in.html", "<HTML><BODY>a<HR>b</BODY></HTML>");
       return Args{"-q", "-r", "1", "in.html"};
     },
     2, "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\n",
     [] {
       return Outputs{{"in.html", "<HTML><BODY>a<HR>b</BODY></HTML>"}};
     },
     "in.html"},
    {"names_with_spaces_japanese_and_a_leading_dash",
     [](const TempDir& dir) {
       dir.Write("-a b 掲示板.html", "<HTML><BODY>1<HR>2</BODY></HTML>");
       return Args{"-q", "-r", "1", "-o", "-出力 結果.html", "--", "-a b 掲示板.html"};
     },
     0, "",
     [] {
       return Outputs{{"-出力 結果.html", "<HTML><BODY>2<HR>1</BODY></HTML>"}};
     }},
    {"per_file_names_with_spaces_and_japanese",
     [](const TempDir& dir) {
       std::filesystem::create_directory(dir.File("ログ 置き場"));
       dir.Write("ログ 置き場/-一 二.html", "<HTML><BODY>1<HR>2</BODY></HTML>");
       return Args{"-q", "-r", "1", "--per-file", "./ログ 置き場/-一 二.html"};
     },
     0, "",
     [] {
       return Outputs{{"ログ 置き場/Rev_-一 二.html", "<HTML><BODY>2<HR>1</BODY></HTML>"}};
     }},
    {"leading_dash_without_end_of_options_is_an_option",
     [](const TempDir& dir) {
       dir.Write("-a.html", "<HTML><BODY>1</BODY></HTML>");
       return Args{"-q", "-o", "out.html", "-a.html"};
     },
     2, "",
     [] {
       return Outputs{{"out.html", std::nullopt}};
     }},
};

class CliHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(CliHostile, NeitherCrashesNorHangsNorTouchesInputs) {
  const HostileCase& c = GetParam();
  TempDir dir;
  const Args args = c.setup(dir);
  const auto before = Snapshot(dir.Path());
  const ProcessResult r = Spawn(kCli, args, dir.Path(), 120, c.stdoutTo);
  ASSERT_FALSE(r.bHung) << "still running after the time limit";
  ASSERT_TRUE(r.bExited) << "killed by signal " << r.signal << "\n" << r.err;
  EXPECT_EQ(r.status, c.status) << r.err;
  // A usage error prints the usage text after its one line; its wording is the parser's.
  if (c.status != 2 || !c.err.empty()) {
    EXPECT_EQ(r.err, c.err);
  }
  const Outputs outputs = c.outputs();
  for (const auto& [name, bytes] : outputs) {
    const std::string path = dir.File(name);
    if (!bytes) {
      EXPECT_FALSE(testing_support::FileExists(path)) << name;
    } else {
      EXPECT_EQ(ReadFile(path), *bytes) << name;
    }
  }
  for (const auto& [path, bytes] : before) {
    EXPECT_EQ(ReadFile(path), bytes) << "input changed: " << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CliHostile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Random bytes with block tags and rules that are opened and never closed: every layer
// down to 15 is cut, the buffer ends inside all of them, and the body keeps its bytes.
TEST(CliHostileNoise, UnclosedBlocksInNoiseKeepTheBodyBytes) {
  static const char* const kTags[] = {"<TABLE>", "<TR>", "<TD>", "<HR>", "<CENTER>", "<table x>"};
  std::string noise = Noise(1 << 20, 11);
  // No closing tag at all, so nothing can end the body or a block.
  for (std::size_t i = 0; i + 1 < noise.size(); ++i) {
    if (noise[i] == '<' && noise[i + 1] == '/') noise[i + 1] = 'x';
  }
  std::string body;
  for (std::size_t i = 0; i < noise.size(); i += 997) {
    body += noise.substr(i, 997);
    if (body.back() == '<') body.back() = 'x';
    body += kTags[(i / 997) % 6];
  }
  TempDir dir;
  const std::string input = "<HTML><BODY>" + body;
  dir.Write("in.html", input);
  const ProcessResult r =
      Spawn(kCli, {"-q", "-o", "out.html", "-r", "1-15", "in.html"}, dir.Path());
  ASSERT_TRUE(r.bExited) << r.signal;
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string out = ReadFile(dir.File("out.html"));
  ASSERT_EQ(out.size(), input.size() + kFixedFooter.size());
  EXPECT_EQ(out.substr(0, 12), "<HTML><BODY>");
  EXPECT_EQ(out.substr(out.size() - kFixedFooter.size()), kFixedFooter);
  std::string a = out.substr(12, body.size());
  std::string b = body;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_TRUE(a == b) << "the reordered body lost or gained bytes";
  EXPECT_NE(out.substr(12, body.size()), body) << "nothing was reordered";
  EXPECT_EQ(ReadFile(dir.File("in.html")), input);
}

// Root may read any file, so an unreadable input can only be made for other users.
TEST(CliHostileAccess, UnreadableInputFails) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file; the fault tests cover EACCES";
  TempDir dir;
  dir.Write("in.html", "<HTML><BODY>a</BODY></HTML>");
  ::chmod(dir.File("in.html").c_str(), 0);
  const ProcessResult r = Spawn(kCli, {"-q", "-o", "out.html", "in.html"}, dir.Path());
  ASSERT_TRUE(r.bExited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, kOpenFailed + "ファイル アクセス禁止\n" + kErrorEnd);
}

}  // namespace
