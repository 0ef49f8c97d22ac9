// Hostile inputs and outputs end to end through the real velmorant-cli program: it must
// neither crash nor hang, must exit with the documented status and message, and must
// leave every input as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>  // symlink

#include <algorithm>
#include <cstdint>
#include <filesystem>
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

using Args = std::vector<std::string>;
using Outputs = std::map<std::string, std::optional<std::string>>;

// Special contents of a file in a case's folder.
const std::string kMakeDir = "\x01dir", kMakeFifo = "\x01fifo", kLinkToIn = "\x01link";

struct HostileCase {
  const char* name;
  std::map<std::string, std::string> files;  // made in the folder before the run
  Args args;
  int status;
  std::string err;  // standard error, exactly
  Outputs outputs;  // files of the folder afterwards; nullopt: must not exist
  std::string stdoutTo = {};  // where standard output goes, appended; empty: captured
};

void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.name;
}

// One input file converted to "out.html".
HostileCase One(const char* name, std::string bytes, Args options, int status,
                std::string err, std::optional<std::string> out) {
  Args args = {"-q", "-o", "out.html"};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back("in.html");
  return {name, {{"in.html", bytes}}, args, status, err, {{"out.html", out}}};
}

const std::string kNestedTables =
    "<HTML><BODY>" + Repeat("<TABLE>", 10000) + "x" + Repeat("</TABLE>", 10000) + "</BODY></HTML>";
const std::string kInvalidSjis = "<HTML><BODY>\x81<HR>\xFF\xFC\x80<HR>\x82</BODY></HTML>";
// A lead byte before '<' turns the tag into other bytes; a 0x8E carries the '<' along.
const std::string kInvalidEuc = "<HTML><BODY>\xA4\xA2<HR>\xFF\x8E<HR>\xB0</BODY></HTML>";
const std::string kAB = "<HTML><BODY>a<HR>b</BODY></HTML>";
const std::string k12 = "<HTML><BODY>1<HR>2</BODY></HTML>", k21 = "<HTML><BODY>2<HR>1</BODY></HTML>";
const std::string kDenied = kOpenFailed + "ファイル アクセス禁止\n" + kErrorEnd;
const std::string kCollides = "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\n";

// clang-format off
const HostileCase kCases[] = {
    One("empty_file", "", {}, 1, kErrorEnd, ""),
    One("one_byte", "<", {"-r", "1"}, 1, kErrorEnd, ""),
    One("binary_noise", Noise(1 << 20, 7), {"-r", "1-15", "--euc"}, 1, kErrorEnd, ""),
    One("nested_tables_reversed_in_every_layer", kNestedTables, {"-k", "1", "-r", "1-15"}, 0, "",
        kNestedTables),
    One("nested_tables_text_first", kNestedTables, {"-r", "1-15", "--order", "body"}, 0, "",
        kNestedTables),
    One("a_million_rules", "<HTML><BODY>" + Repeat("p<HR>", 1000000) + "</BODY></HTML>",
        {"-k", "2", "-r", "1"}, 0, "", "<HTML><BODY>" + Repeat("<HR>p", 1000000) + "</BODY></HTML>"),
    One("tag_without_close_at_the_end", "<HTML><BODY>a<HR>b<TABLE border=1", {"-r", "1"}, 0, "",
        "<HTML><BODY>b<TABLE border=1<HR>a" + kFixedFooter),
    One("lt_as_the_last_byte", "<HTML><BODY>a<HR>b<", {"-r", "1"}, 0, "",
        "<HTML><BODY>b<<HR>a" + kFixedFooter),
    One("invalid_shift_jis", kInvalidSjis, {"-k", "2", "-r", "1"}, 0, "",
        "<HTML><BODY>\x82<HR>\xFF\xFC\x80<HR>\x81</BODY></HTML>"),
    One("invalid_euc", kInvalidEuc, {"--euc", "-k", "2", "-r", "1"}, 0, "",
        "<HTML><BODY>\x88:/BODY><HR>\xFF\x8E<HR>\x82\xA0</HTML>"),
    {"directory_as_input", {{"sub", kMakeDir}}, {"-q", "-o", "out.html", "sub"}, 1, kDenied,
     {{"out.html", ""}}},
    {"fifo_as_input", {{"pipe", kMakeFifo}}, {"-q", "-o", "out.html", "pipe"}, 1, kDenied,
     {{"out.html", ""}}},
    {"device_as_input", {}, {"-q", "-o", "out.html", "/dev/zero"}, 1, kDenied, {{"out.html", ""}}},
    {"output_in_a_missing_folder", {{"in.html", kAB}}, {"-q", "-o", "missing/out.html", "in.html"},
     1, kOpenFailed + "不正パス\n" + kErrorEnd, {{"missing/out.html", std::nullopt}}},
    {"output_on_a_full_device", {{"in.html", kAB}},
     {"-q", "-f", "-o", "/dev/full", "-r", "1", "in.html"}, 1, kErrorEnd, {}},
    {"output_is_a_link_to_the_input", {{"in.html", kAB}, {"link.html", kLinkToIn}},
     {"-q", "-f", "-o", "link.html", "in.html"}, 2, kCollides, {}},
    {"standard_output_on_a_full_device", {{"in.html", kAB}}, {"-q", "-r", "1", "in.html"}, 1,
     kErrorEnd, {}, "/dev/full"},
    // The shell's ">>" does not empty the file, so only the program can keep it intact.
    {"standard_output_appends_to_the_input", {{"in.html", kAB}}, {"-q", "-r", "1", "in.html"}, 2,
     kCollides, {{"in.html", kAB}}, "in.html"},
    {"names_with_spaces_japanese_and_a_leading_dash", {{"-a b 掲示板.html", k12}},
     {"-q", "-r", "1", "-o", "-出力 結果.html", "--", "-a b 掲示板.html"}, 0, "",
     {{"-出力 結果.html", k21}}},
    {"per_file_names_with_spaces_and_japanese", {{"ログ 置き場/-一 二.html", k12}},
     {"-q", "-r", "1", "--per-file", "./ログ 置き場/-一 二.html"}, 0, "",
     {{"ログ 置き場/Rev_-一 二.html", k21}}},
    {"leading_dash_without_end_of_options_is_an_option", {{"-a.html", k12}},
     {"-q", "-o", "out.html", "-a.html"}, 2, "", {{"out.html", std::nullopt}}},
};
// clang-format on

class CliHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(CliHostile, NeitherCrashesNorHangsNorTouchesInputs) {
  const HostileCase& c = GetParam();
  TempDir dir;
  for (const auto& [name, bytes] : c.files) {
    const std::filesystem::path path = dir.File(name);
    std::filesystem::create_directories(path.parent_path());
    if (bytes == kMakeDir) std::filesystem::create_directory(path);
    else if (bytes == kMakeFifo) ::mkfifo(path.c_str(), 0600);
    else if (bytes == kLinkToIn) ::symlink("in.html", path.c_str());
    else dir.Write(name, bytes);
  }
  const auto before = Snapshot(dir.Path());
  const ProcessResult r = Spawn(kCli, c.args, dir.Path(), 120, c.stdoutTo);
  ASSERT_FALSE(r.bHung) << "still running after the time limit";
  ASSERT_TRUE(r.bExited) << "killed by signal " << r.signal << "\n" << r.err;
  EXPECT_EQ(r.status, c.status) << r.err;
  // A usage error prints the usage text after its one line; its wording is the parser's.
  if (c.status != 2 || !c.err.empty()) {
    EXPECT_EQ(r.err, c.err);
  }
  for (const auto& [name, bytes] : c.outputs) {
    const std::string path = dir.File(name);
    const auto content = testing_support::FileExists(path) ? std::optional(ReadFile(path)) : std::nullopt;
    EXPECT_TRUE(content == bytes) << name;
  }
  for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << "input changed: " << path;
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

}  // namespace
