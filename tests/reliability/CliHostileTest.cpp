// The real velmorant-cli program end to end, on ordinary and hostile requests: it must
// neither crash nor hang, must exit with the documented status and messages, must write
// exactly the expected files and must leave every other file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using Args = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

std::string Repeat(const std::string& s, std::size_t n) {
  std::string r;
  while (n-- > 0) r += s;
  return r;
}

// Deterministic bytes of every value.
std::string Noise(std::size_t n, std::uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  return s;
}

// Every regular file below `dir` with its bytes.
Files Snapshot(const std::string& dir) {
  Files files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file() && !e.is_symlink()) files[e.path().string()] = ReadFile(e.path());
  return files;
}

const std::string kLog =
    "<HTML><BODY>\r\n<dl>1</dl><HR>\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n</BODY></HTML>";
const std::string kHead = "<HTML><BODY>\r\n";
const std::string kBody = "<dl>1</dl><HR>\r\n<dl>2</dl><HR>\r\n<dl>3</dl>\r\n";
const std::string kReversed =
    kHead + "<dl>3</dl>\r\n<HR>\r\n<dl>2</dl><HR>\r\n<dl>1</dl></BODY></HTML>";
const std::string kEnd = "</BODY></HTML>";
const std::string kCut = kHead + "<dl>2</dl><HR>\r\n<dl>3</dl>\r\n";  // the first post cut off
// The numbered line after file 0, in Shift_JIS.
const std::string kNumbered =
    "\r\n<CENTER>==============================\x88\xC8\x8F\xE3\x81\x40[0] "
    "\x94\xD4\x96\xDA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xE0\x97\x65 "
    "==============================</CENTER>\r\n";
const std::string kErrorEnd = "エラーのため終了します";
const std::string kOpenFailed = "ファイルをオープンできません\n";
const std::string kDenied = kOpenFailed + "ファイル アクセス禁止\nファイル: ";
const std::string kNoEntry = "ファイルまたはフォルダーがありません (ENOENT)";
const std::string kFull = "ファイルに書き込めません\nディスク フル\nファイル: ";
const std::string kNoSpace = "\n原因: ディスクに空きがありません (ENOSPC)\n";
const std::string kKept = "\n出力ファイルは実行前のままです: out.html\n";
const std::string kPartialStdout = "\n出力先に書き込んだ内容はそのまま残っています: 標準出力\n";
const std::string kSplit = "ファイルを区切れません\n";
const std::string kSeparatorMissing = "区切り用の文字列を入力してください\n";
const std::string kCollides =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\nファイル: ";
// More than a pipe holds, so that writing it waits for a reader.
const std::string kBig =
    "<HTML><BODY>" + Repeat("<dl>a post of the board</dl><HR>\r\n", 40000) + kEnd;
const std::string kNestedTables =
    "<HTML><BODY>" + Repeat("<TABLE>", 10000) + "x" + Repeat("</TABLE>", 10000) + kEnd;
const std::string kUsage = "\x01usage";  // a one-line complaint, then the usage text
// Special contents of a file in a case's folder.
const std::string kMakeDir = "\x01 dir", kMakeFifo = "\x01 fifo", kLinkToIn = "\x01 link";

struct CliCase {
  const char* name;
  Args args;
  int status;
  std::string err;  // standard error, exactly
  // Files written or changed, relative to the folder ("-": standard output); nullopt: no
  // such file. Every other file must be as it was.
  std::map<std::string, std::optional<std::string>> outputs = {};
  std::map<std::string, std::string> files = {{"in.html", kLog}};  // made before the run
  std::string stdoutTo = {};  // where standard output is appended ("|": a pipe closed at once)
  std::string before = {};    // a shell command run first, such as a limit
};

void PrintTo(const CliCase& c, std::ostream* os) {
  *os << c.name;
}

CliCase Usage(const char* name, Args args) {
  return {name, args, 2, kUsage};
}

// "-q -f -o out.html OPTIONS in.html": one log converted to "out.html", which held
// "previous output" before.
CliCase Convert(const char* name, Args options, std::string out, int status = 0,
                std::string err = "", std::string in = kLog) {
  Args args = {"-q", "-f", "-o", "out.html"};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back("in.html");
  return {name,
          args,
          status,
          err,
          {{"out.html", out}},
          {{"in.html", in}, {"out.html", "previous output"}}};
}

// clang-format off
const CliCase kCases[] = {
    Usage("leading_dash_without_end_of_options", {"-o", "out.html", "-in.html"}),
    Usage("huge_count_after_equals", {"--lead-cut=99999999999999999999", "in.html"}),
    Usage("bad_between", {"--between", "dash", "in.html"}),
    Usage("output_with_per_file", {"--per-file", "-o", "x", "in.html"}),
    Usage("option_without_its_value", {"-o"}),
    Usage("flag_with_a_value", {"--euc=1", "in.html"}),
    {"help_on_standard_output", {"--help"}, 0, "", {{"-", kUsage}}},
    // The checks before the run, in their order.
    {"no_input", {"-o", "out.html"}, 2, "入力用ファイル名を入力してください\n"},
    {"empty_output", {"-o", "", "in.html"}, 2, "出力用ファイル名を入力してください\n"},
    {"empty_separator", {"-s", "", "-o", "out.html", "in.html"}, 2, kSeparatorMissing},
    {"kind_3_without_separator", {"-k", "3", "-o", "out.html", "in.html"}, 2, kSeparatorMissing},
    {"separator_without_shift_jis", {"-s", "😀", "-o", "out.html", "in.html"}, 2,
     "区切り用の文字列に Shift_JIS (コードページ 932) で表せない文字があります\n"},
    {"decision_then_collision", {"-s", "<dl", "-o", "in.html", "in.html"}, 2,
     "[<] はありますが [>] がないので [>] を自動サーチします\n" + kCollides + "in.html\n"},
    {"output_is_a_link_to_the_input", {"-q", "-f", "-o", "link.html", "in.html"}, 2,
     kCollides + "link.html\n", {},
     {{"in.html", kLog}, {"link.html", kLinkToIn}}},
    // The shell's ">>" does not empty the file, so only the program can keep it intact.
    {"standard_output_appends_to_the_input", {"-q", "in.html"}, 2, kCollides + "標準出力\n", {},
     {{"in.html", kLog}},
     "in.html"},
    {"rev_name_is_an_input", {"--per-file", "a.html", "Rev_a.html"}, 2, kCollides + "Rev_a.html\n",
     {}, {{"a.html", kLog}, {"Rev_a.html", "keep"}}},
    {"existing_output_without_a_terminal", {"-q", "-o", "out.html", "in.html"}, 2,
     "同名のファイルが存在します。上書きするには -f を指定してください\n", {},
     {{"in.html", kLog}, {"out.html", "old"}}},
    // The options mapped onto the run.
    {"standard_output", {"-o", "-", "in.html"}, 0, "正常に終了しました\n", {{"-", kLog}}},
    Convert("reverse_body_first_simple_header", {"-r", "1", "--order", "body", "--simple-header"},
            "<HTML>\r\n<BODY>\r\n\r\n<dl>3</dl>\r\n\r\n<dl>2</dl><HR>\r\n<dl>1</dl><HR>" + kEnd),
    Convert("lead_cut_between_numbered", {"--range", "1", "--lead-cut", "1", "--between", "numbered", "in.html"},
            kCut + kNumbered + "\r\n" + kCut.substr(kHead.size()) + kEnd),
    Convert("between_none", {"--between=none", "in.html"}, kHead + kBody + "\r\n" + kBody + kEnd),
    Convert("user_separator_only", {"-k", "3", "-s", "<dl>", "-r", "1"},
            "<HTML><BODY>3</dl>\r\n<dl>2</dl><HR>\r\n<dl>1</dl><HR>\r\n<dl>\r\n" + kEnd),
    Convert("euc", {"--euc", "-k", "2", "-r", "1"}, "<HTML><BODY>\x88\x9F<HR>\x82\xA0" + kEnd, 0, "",
            "<HTML><BODY>\xA4\xA2<HR>\xB0\xA1" + kEnd),
    {"per_file_beside_each_input", {"-q", "-r", "1", "--per-file", "a.html", "./ログ 置き場/-一 二.html"},
     0, "", {{"Rev_a.html", kReversed}, {"ログ 置き場/Rev_-一 二.html", kReversed}},
     {{"a.html", kLog}, {"ログ 置き場/-一 二.html", kLog}}},
    {"names_with_spaces_japanese_and_a_leading_dash",
     {"-q", "-r", "1", "-o", "-出力 結果.html", "--", "-a b 掲示板.html"}, 0, "",
     {{"-出力 結果.html", kReversed}}, {{"-a b 掲示板.html", kLog}}},
    // A failed run leaves its output as it was, or not made, and says so, naming each file.
    {"missing_second_input_keeps_the_old_output", {"-q", "-f", "-o", "out.html", "in.html", "missing.html"}, 1,
     kOpenFailed + "ファイル未定義\nファイル: missing.html\n原因: " + kNoEntry + "\n" + kErrorEnd + kKept,
     {{"out.html", "previous output"}}, {{"in.html", kLog}, {"out.html", "previous output"}}},
    {"output_in_a_missing_folder", {"-q", "-o", "missing/out.html", "in.html"}, 1,
     kOpenFailed + "不正パス\nファイル: missing/out.html\n原因: " + kNoEntry + "\n" + kErrorEnd +
     "\n出力ファイルは実行前のままです: missing/out.html\n"},
    {"output_is_a_folder", {"-q", "-f", "-o", "sub", "in.html"}, 2,
     "出力ファイル名がフォルダーを指しています\n出力ファイル名を変更してください\nファイル: sub\n", {},
     {{"in.html", kLog}, {"sub", kMakeDir}}},
    {"output_on_a_full_device", {"-q", "-f", "-o", "/dev/full", "in.html"}, 1,
     kFull + "/dev/full" + kNoSpace + kErrorEnd + "\n出力先に書き込んだ内容はそのまま残っています: /dev/full\n"},
    {"standard_output_on_a_full_device", {"-q", "in.html"}, 1,
     kFull + "標準出力" + kNoSpace + kErrorEnd + kPartialStdout, {}, {{"in.html", kLog}}, "/dev/full"},
    // A closed pipe and the file-size limit are write failures like any other.
    {"standard_output_to_a_closed_pipe", {"-q", "big.html"}, 1,
     "ファイルに書き込めません\n未定義エラー\nファイル: 標準出力\n原因: 書き込み先のパイプが閉じられました (EPIPE)\n" +
     kErrorEnd + kPartialStdout, {}, {{"big.html", kBig}}, "|"},
    {"file_size_limit", {"-q", "-f", "-o", "out.html", "big.html"}, 1,
     "ファイルに書き込めません\n未定義エラー\nファイル: out.html\n原因: ファイルサイズの上限を超えました (EFBIG)\n" +
     kErrorEnd + kKept, {{"out.html", "previous output"}},
     {{"big.html", kBig}, {"out.html", "previous output"}}, "", "ulimit -f 64"},
    {"directory_as_input", {"-q", "-o", "out.html", "sub"}, 1,
     kDenied + "sub\n原因: フォルダーです (EISDIR)\n" + kErrorEnd + kKept, {}, {{"sub", kMakeDir}}},
    {"fifo_as_input", {"-q", "-o", "out.html", "pipe"}, 1,
     kDenied + "pipe\n原因: 通常のファイルではありません (EINVAL)\n" + kErrorEnd + kKept, {},
     {{"pipe", kMakeFifo}}},
    {"endless_device_as_input", {"-q", "-o", "out.html", "/dev/zero"}, 1,
     kDenied + "/dev/zero\n原因: 通常のファイルではありません (EINVAL)\n" + kErrorEnd + kKept},
    // A per-file run names the input it stopped at and what it did not convert; the outputs
    // finished before stay, the others keep what they held.
    {"per_file_stops_at_a_missing_input", {"-q", "-r", "1", "--per-file", "a.html", "b.html", "c.html"}, 1,
     kOpenFailed + "ファイル未定義\nファイル: b.html\n原因: " + kNoEntry + "\n" + kErrorEnd +
     "\n変換できなかった入力ファイル: b.html\n変換していない残りの入力ファイル: 1 個\n"
     "出力ファイルは実行前のままです: Rev_b.html\n",
     {{"Rev_a.html", kReversed}}, {{"a.html", kLog}, {"c.html", kLog}, {"Rev_a.html", "old a"},
                                    {"Rev_b.html", "old b"}, {"Rev_c.html", "old c"}}},
    // Hostile logs: why and where they cannot be split.
    Convert("empty_file", {}, "previous output", 1,
            kSplit + "<HTML> タグが見つかりません\nファイル: in.html\n" + kErrorEnd + kKept, ""),
    Convert("binary_noise", {"-r", "1-15", "--euc"}, "previous output", 1,
            kSplit + "<HTML> タグが見つかりません\nファイル: in.html\n" + kErrorEnd + kKept, Noise(1 << 20, 7)),
    Convert("stray_closing_tag", {"-k", "1"}, "previous output", 1,
            kSplit + "ブロックを閉じるタグが開くタグより多くなりました: </table> (3 行目、オフセット 44)\n"
            "ファイル: in.html\n" + kErrorEnd + kKept,
            "<html><body>\n<table><tr><td>\n</td></td></tr></table></body></html>"),
    // Options that do nothing say so; the run goes on.
    {"cuts_without_range", {"--lead-cut", "3", "--keep-cut", "-o", "out.html", "in.html"}, 0,
     "--lead-cut, --trail-cut と --keep-cut は --range で層を指定しないと効きません\n正常に終了しました\n",
     {{"out.html", kLog}}},
    {"range_without_cuts", {"--range", "1", "-o", "out.html", "in.html"}, 0,
     "--range は --lead-cut か --trail-cut を指定しないと効きません\n正常に終了しました\n",
     {{"out.html", kLog}}},
    Convert("nested_tables_reversed_in_every_layer", {"-k", "1", "-r", "1-15"}, kNestedTables, 0, "",
            kNestedTables),
    Convert("a_million_rules", {"-k", "2", "-r", "1"}, "<HTML><BODY>" + Repeat("<HR>p", 1000000) + kEnd,
            0, "", "<HTML><BODY>" + Repeat("p<HR>", 1000000) + kEnd),
};
// clang-format on

class Cli : public ::testing::TestWithParam<CliCase> {};

// Runs the program in a fresh folder through the shell, with standard input from /dev/null
// and standard output captured, appended to `stdoutTo` or written to a closed pipe.
TEST_P(Cli, ExitsAsDocumentedAndWritesOnlyItsOutputs) {
  const CliCase& c = GetParam();
  TempDir dir;
  for (const auto& [name, bytes] : c.files) {
    const std::filesystem::path path = dir.File(name);
    std::filesystem::create_directories(path.parent_path());
    if (bytes == kMakeDir) std::filesystem::create_directory(path);
    if (bytes == kMakeFifo) ::mkfifo(path.c_str(), 0600);
    if (bytes == kLinkToIn) ::symlink("in.html", path.c_str());
    if (bytes[0] != '\x01') dir.Write(name, bytes);
  }
  Files before = Snapshot(dir.Path());
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (const char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
  };
  std::string command = "cd " + quote(dir.Path()) + " && " +
                        (c.before.empty() ? "" : c.before + " && ") + "timeout -s KILL 120 " +
                        quote(VELMORANT_CLI_PATH);
  for (const std::string& a : c.args) command += " " + quote(a);
  command += " </dev/null 2>" + quote(dir.File(".err"));
  if (c.stdoutTo == "|") {
    command += " | true";
  } else {
    command += " >" + (c.stdoutTo.empty() ? quote(dir.File("-")) : ">" + quote(c.stdoutTo));
  }
  // The status of the program, not of the command it writes to.
  const int wait = std::system(("bash -o pipefail -c " + quote(command)).c_str());
  const int code = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  const std::string err = ReadFile(dir.File(".err"));
  ASSERT_LT(code, 128) << "killed by signal " << code - 128 << " (9: hanging)\n" << err;
  EXPECT_EQ(code, c.status) << err;
  if (c.err == kUsage) {
    EXPECT_NE(err.find("Usage: velmorant-cli [OPTIONS]"), std::string::npos) << err;
  } else {
    EXPECT_EQ(err, c.err);
  }
  // Standard output is the file "-": empty unless a row expects more.
  before[dir.File("-")] = before[dir.File(".err")] = "";
  Files after = Snapshot(dir.Path());
  after[dir.File(".err")] = "";
  after.try_emplace(dir.File("-"));
  for (const auto& [name, bytes] : c.outputs) {
    const std::string path = dir.File(name);
    if (bytes == kUsage) {
      EXPECT_EQ(after[path].rfind("Usage: velmorant-cli [OPTIONS]", 0), 0u) << after[path];
    } else {
      EXPECT_EQ(after.count(path) ? std::optional(after[path]) : std::nullopt, bytes) << name;
    }
    before.erase(path);
    after.erase(path);
  }
  EXPECT_TRUE(after == before) << "a file was changed, made or removed";
}

INSTANTIATE_TEST_SUITE_P(Cases, Cli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
