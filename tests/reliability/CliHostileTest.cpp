// The real velmorant-cli program end to end, on requests the golden corpus cannot hold as
// files (links, FIFOs, devices, pipes, limits, generated logs): it must neither crash nor
// hang, must exit with the documented status and messages, must write exactly the expected
// files and must leave every other file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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
const std::string kEnd = "</BODY></HTML>";
const std::string kErrorEnd = "エラーのため終了します";
const std::string kDenied = "ファイルをオープンできません\nファイル アクセス禁止\nファイル: ";
const std::string kFull = "ファイルに書き込めません\nディスク フル\nファイル: ";
const std::string kNoSpace = "\n原因: ディスクに空きがありません (ENOSPC)\n";
const std::string kKept = "\n出力ファイルは実行前のままです: out.html\n";
const std::string kNotMade = "\n出力ファイルは作られていません: out.html\n";
const std::string kPartialStdout = "\n出力先に書き込んだ内容はそのまま残っています: 標準出力\n";
const std::string kWriteFailed = "ファイルに書き込めません\n未定義エラー\nファイル: ";
const std::string kPipe =
    kWriteFailed + "標準出力\n原因: 書き込み先のパイプが閉じられました (EPIPE)\n";
const std::string kLimit = "\n原因: ファイルサイズの上限を超えました (EFBIG)\n";
const std::string kUtf8Log = "<HTML><BODY>日本語<HR>テスト</BODY></HTML>";
// Who may do what with a replaced file: its ACL and attributes, for setfacl and setfattr.
const std::string kSetAcl = "chmod 600 out.html && setfacl -m u:nobody:rw,g::r--,m::rw- out.html";
const std::string kAcl = "user::rw-\nuser:nobody:rw-\ngroup::r--\nmask::rw-\nother::---\n\n";
const std::string kAttributes = "getfattr -d -m '^(user|trusted|security)\\.' out.html";
const std::string kSplit = "ファイルを区切れません\n";
const std::string kCollides =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください\nファイル: ";
// More than a pipe holds, so that writing it waits for a reader.
const std::string kBig =
    "<HTML><BODY>" + Repeat("<dl>a post of the board</dl><HR>\r\n", 40000) + kEnd;
const std::string kNestedTables =
    "<HTML><BODY>" + Repeat("<TABLE>", 10000) + "x" + Repeat("</TABLE>", 10000) + kEnd;
const std::string kAnyBytes = "\x01any";  // an output whose bytes are not compared
// Special contents of a file in a case's folder.
const std::string kMakeFifo = "\x01 fifo", kLinkToIn = "\x01 link";

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
  std::string before = {};    // put before the program: "ulimit -f 64 &&", "setpriv ..."
  std::string redirect = {};  // more redirections, such as "2>&-"
  std::string setup = {};     // run in the folder first; the case is skipped when it fails
  std::string check = {};     // run in the folder afterwards; its output must be `checked`
  std::string checked = {};
};

void PrintTo(const CliCase& c, std::ostream* os) {
  *os << c.name;
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
    // Links and descriptors: the output must never be an input, however it is named.
    {"output_is_a_link_to_the_input", {"-q", "-f", "-o", "link.html", "in.html"}, 2,
     kCollides + "link.html\n", {},
     {{"in.html", kLog}, {"link.html", kLinkToIn}}},
    // The shell's ">>" does not empty the file, so only the program can keep it intact.
    {"standard_output_appends_to_the_input", {"-q", "in.html"}, 2, kCollides + "標準出力\n", {},
     {{"in.html", kLog}},
     "in.html"},
    // Devices, pipes and limits: write failures with their cause, what was written stays.
    {"output_on_a_full_device", {"-q", "-f", "-o", "/dev/full", "in.html"}, 1,
     kFull + "/dev/full" + kNoSpace + kErrorEnd + "\n出力先に書き込んだ内容はそのまま残っています: /dev/full\n"},
    {"standard_output_on_a_full_device", {"-q", "in.html"}, 1,
     kFull + "標準出力" + kNoSpace + kErrorEnd + kPartialStdout, {}, {{"in.html", kLog}}, "/dev/full"},
    {"standard_output_to_a_closed_pipe", {"-q", "big.html"}, 1, kPipe + kErrorEnd + kPartialStdout, {},
     {{"big.html", kBig}}, "|"},
    {"file_size_limit", {"-q", "-f", "-o", "out.html", "big.html"}, 1,
     kWriteFailed + "out.html" + kLimit + kErrorEnd + kKept, {{"out.html", "previous output"}},
     {{"big.html", kBig}, {"out.html", "previous output"}}, "", "ulimit -f 64 &&"},
    // An outline larger than one write fails like any other write: no crash, no exception.
    {"outline_to_a_closed_pipe", {"--outline", "big.html"}, 1, kPipe, {}, {{"big.html", kBig}}, "|"},
    {"outline_json_on_a_full_device", {"--outline=json", "big.html"}, 1,
     kFull + "標準出力" + kNoSpace, {}, {{"big.html", kBig}}, "/dev/full"},
    {"outline_over_the_file_size_limit", {"--outline", "big.html"}, 1,
     kWriteFailed + "標準出力" + kLimit, {{"-", kAnyBytes}}, {{"big.html", kBig}}, "", "ulimit -f 64 &&"},
    {"help_on_a_full_device", {"--help"}, 1, kFull + "標準出力" + kNoSpace, {}, {}, "/dev/full"},
    // A closed standard error is not the next file opened: the warning must not land in it.
    {"warning_with_standard_error_closed", {"-o", "out.html", "u8.html"}, 0, "",
     {{"out.html", kUtf8Log}}, {{"u8.html", kUtf8Log}}, "", "", "2>&-"},
    // Standard output's own file is written through it: what the shell put there stays.
    {"output_named_as_standard_output", {"-q", "-o", "/dev/stdout", "in.html"}, 0, "",
     {{"f.html", "A\n" + kLog}}, {{"in.html", kLog}, {"f.html", "A\n"}}, "f.html"},
    {"device_output_is_not_an_existing_file", {"-q", "-o", "/dev/null", "in.html"}, 0, ""},
    {"json_outline_of_a_path_that_is_no_utf8", {"--outline=json", "r\xc3\xa9\xff.html"}, 0, "",
     {{"-", "{\"inputs\": [\n{\"path\":\"r\xc3\xa9\\udcff.html\",\"encoding\":\"shift_jis\",\"header\":"
            "{\"offset\":0,\"length\":12},\"sections\":[{\"layer\":1,\"index\":0,\"offset\":12,"
            "\"length\":5,\"head_length\":1,\"action\":\"in-order\",\"text\":\"a\",\"sections\":[]},"
            "{\"layer\":1,\"index\":1,\"offset\":17,\"length\":1,\"head_length\":1,\"action\":"
            "\"in-order\",\"text\":\"b\",\"sections\":[]}],\"trailer\":{\"offset\":18,\"length\":14},"
            "\"complete\":true}\n]}\n"}},
     {{"r\xc3\xa9\xff.html", "<HTML><BODY>a<HR>b</BODY></HTML>"}}},
    // A replaced file keeps who may do what with it, or says what it could not keep.
    {"acl_kept", {"-q", "-f", "-o", "out.html", "in.html"}, 0, "", {{"out.html", kLog}},
     {{"in.html", kLog}, {"out.html", "old"}}, "", "", "", kSetAcl, "getfacl -c out.html", kAcl},
    {"attributes_kept", {"-q", "-f", "-o", "out.html", "in.html"}, 0, "", {{"out.html", kLog}},
     {{"in.html", kLog}, {"out.html", "old"}}, "", "", "",
     "setfattr -n user.note -v kept out.html && setfattr -n trusted.note -v root out.html",
     kAttributes, "# file: out.html\ntrusted.note=\"root\"\nuser.note=\"kept\"\n\n"},
    {"attribute_that_cannot_be_kept", {"-q", "-f", "-o", "out.html", "in.html"}, 0,
     "上書きする出力ファイルの ACL や拡張属性を新しいファイルに引き継げません\n"
     "引き継げないもの: security.note\nファイル: out.html\n", {{"out.html", kLog}},
     {{"in.html", kLog}, {"out.html", "old"}}, "", "setpriv --reuid=nobody --regid=nogroup --clear-groups",
     "", "chmod 777 . && chmod 666 out.html && setfattr -n user.note -v kept out.html && "
     "setfattr -n security.note -v root out.html", kAttributes, "# file: out.html\nuser.note=\"kept\"\n\n"},
    {"fifo_as_input", {"-q", "-o", "out.html", "pipe"}, 1,
     kDenied + "pipe\n原因: 通常のファイルではありません (EINVAL)\n" + kErrorEnd + kNotMade, {},
     {{"pipe", kMakeFifo}}},
    {"endless_device_as_input", {"-q", "-o", "out.html", "/dev/zero"}, 1,
     kDenied + "/dev/zero\n原因: 通常のファイルではありません (EINVAL)\n" + kErrorEnd + kNotMade},
    // Hostile logs, too large to keep as files.
    Convert("binary_noise", {"-r", "1-15", "--euc"}, "previous output", 1,
            kSplit + "<HTML> タグが見つかりません\nファイル: in.html\n" + kErrorEnd + kKept, Noise(1 << 20, 7)),
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
    if (bytes == kMakeFifo) ::mkfifo(path.c_str(), 0600);
    if (bytes == kLinkToIn) ::symlink("in.html", path.c_str());
    if (bytes[0] != '\x01') dir.Write(name, bytes);
  }
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (const char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
  };
  const std::string in = "cd " + quote(dir.Path()) + " && ";
  if (!c.setup.empty() && std::system((in + c.setup + " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "the file system or the user cannot do this: " << c.setup;
  }
  // Another user may be unable to reach the build tree (a checkout in a private folder).
  if (!c.before.empty() &&
      std::system((in + c.before + " test -x " + quote(VELMORANT_CLI_PATH)).c_str()) != 0) {
    GTEST_SKIP() << "the program cannot be run this way here: " << c.before;
  }
  Files before = Snapshot(dir.Path());
  std::string command = in + c.before + " timeout -s KILL 120 " + quote(VELMORANT_CLI_PATH);
  for (const std::string& a : c.args) command += " " + quote(a);
  command += " </dev/null 2>" + quote(dir.File(".err"));
  if (c.stdoutTo == "|") {
    command += " " + c.redirect + " | true";
  } else {
    command += " >" + (c.stdoutTo.empty() ? quote(dir.File("-")) : ">" + quote(c.stdoutTo)) + " " +
               c.redirect;
  }
  // The status of the program, not of the command it writes to.
  const int wait = std::system(("bash -o pipefail -c " + quote(command)).c_str());
  const int code = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  const std::string err = ReadFile(dir.File(".err"));
  ASSERT_LT(code, 128) << "killed by signal " << code - 128 << " (9: hanging)\n" << err;
  EXPECT_EQ(code, c.status) << err;
  EXPECT_EQ(err, c.err);
  // Standard output is the file "-": empty unless a row expects more.
  before[dir.File("-")] = before[dir.File(".err")] = "";
  Files after = Snapshot(dir.Path());
  after[dir.File(".err")] = "";
  after.try_emplace(dir.File("-"));
  for (const auto& [name, bytes] : c.outputs) {
    const std::string path = dir.File(name);
    if (bytes != kAnyBytes) {
      EXPECT_EQ(after.count(path) ? std::optional(after[path]) : std::nullopt, bytes) << name;
    }
    before.erase(path);
    after.erase(path);
  }
  EXPECT_TRUE(after == before) << "a file was changed, made or removed";
  if (!c.check.empty()) {
    FILE* pipe = ::popen((in + c.check).c_str(), "r");
    std::string checked;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) checked += static_cast<char>(ch);
    ::pclose(pipe);
    EXPECT_EQ(checked, c.checked) << c.check;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Cli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
