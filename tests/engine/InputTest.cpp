#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "platform/SysCalls.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace engine {
namespace {

using testing_support::MessageRecorder;
using testing_support::TempDir;

std::string Euc(std::string bytes) {
  ConvertEucToSjis(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

TEST(EucToSjis, ConvertsRowsAndCells) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"\xA4\xA2", "\x82\xA0"},                  // hiragana a
      {"\xB0\xA1", "\x88\x9F"},                  // first kanji row
      {"\xDF\xA1", "\xE0\x40"},                  // rows from 0xDF use the second lead range
      {"\xFE\xFE", "\xEF\xFC"},                  // the last cell
      {"\xA1\xE0", "\x81\x80"},                  // odd row, cell above 0x7E skips 0x7F
      {"\x8E\xB1\x8E\xDE", "\x8E\xB1\x8E\xDE"},  // half-width katakana stay
      {"<TABLE></td>\r\n", "<TABLE></td>\r\n"},  // ASCII stays
      {"a\xA4", "a\xA4"},                        // a lone lead byte at the end stays
      {"\xA4", "\xA4"},                          // one byte: unchanged
      {"", ""},
      {"\x8F\xB0\xA1", "\x8F\x88\x9F"},          // the three-byte shift is not recognised
      {"\x80\xFF\xA0", "\x80\xFF\xA0"},
  };
  for (const Row& r : rows) EXPECT_EQ(Euc(r.in), r.out);
}

TEST(FileErrorText, ComposesTheTwoLines) {
  std::string text;
  EXPECT_EQ(GetFileErrorText(text, platform::CFileException(platform::CFileException::fileNotFound, 2)), 0);
  EXPECT_EQ(text, "ファイルをオープンできません\nファイル未定義");
  EXPECT_EQ(GetFileErrorText(text, platform::CFileException(platform::CFileException::none, 0)), 1);
  EXPECT_EQ(text, "ファイルをオープンできません\nエラーなし");
  GetFileErrorText(text, platform::CFileException(15, 0));
  EXPECT_EQ(text, "ファイルをオープンできません\nUnknown Error");
  EXPECT_STREQ(FileErrorCauseText(11), "SHARE.EXE 未ロードまたは共有領域ロック済み");
}

TEST(OutputNaming, PutsRevBeforeTheFileName) {
  struct Row {
    const char* in;
    const char* out;
  };
  for (const Row& r : {Row{"/log/board.html", "/log/Rev_board.html"}, Row{"board.html", "Rev_board.html"},
                       Row{"Rev_a.html", "Rev_Rev_a.html"}, Row{"dir/sub/a", "dir/sub/Rev_a"},
                       Row{"\x95\x5C/a.html", "\x95\x5C/Rev_a.html"},  // "表" ends in 0x5C
                       Row{"a\\b.html", "Rev_a\\b.html"}}) {
    std::string out;
    CExecutor::MakeOutputPath(out, r.in);
    EXPECT_EQ(out, r.out);
  }
}

// Opening input i of a one-entry list; the message shown, if any.
std::string OpenMessage(const std::string& path, int* result) {
  MessageRecorder rec;
  CExecutor ex;
  ex.SetInputFiles({path});
  *result = ex.OpenInputFile(0);
  EXPECT_EQ(ex.m_bInputOpen, *result == 0 ? 1 : 0);
  return rec.messages.empty() ? "" : rec.messages.front().text;
}

TEST(InputLoading, ReportsEachKindOfFailure) {
  TempDir dir;
  const std::string file = dir.Write("a.html", "<HTML>");
  ::mkfifo(dir.File("fifo").c_str(), 0600);
  struct Row {
    std::string path;
    std::string message;
  };
  const std::string open = "ファイルをオープンできません\n";
  const Row rows[] = {
      {file, ""},
      {dir.File("missing.html"), open + "ファイル未定義"},
      {dir.File("no/such/folder/a.html"), open + "不正パス"},
      {file + "/x", open + "不正パス"},
      {dir.Path(), open + "ファイル アクセス禁止"},
      {dir.File("fifo"), open + "ファイル アクセス禁止"},  // must not block
      {"/dev/zero", open + "ファイル アクセス禁止"},
      {"", open + "不正パス"},
  };
  for (const Row& r : rows) {
    int result = 0;
    EXPECT_EQ(OpenMessage(r.path, &result), r.message) << r.path;
    EXPECT_EQ(result, r.message.empty() ? 0 : -1) << r.path;
  }
}

TEST(InputLoading, MapsSystemErrorsOntoCauses) {
  struct Row {
    int err;
    const char* text;
  };
  static int s_err;
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.open = [](const char*, int, mode_t) -> int {
    errno = s_err;
    return -1;
  };
  platform::ScopedSysCalls scoped(calls);
  for (const Row& r : {Row{EACCES, "ファイル アクセス禁止"}, Row{EROFS, "ファイル アクセス禁止"},
                       Row{EMFILE, "オープン ファイル数超過"}, Row{ENFILE, "オープン ファイル数超過"},
                       Row{ENOSPC, "ディスク フル"}, Row{EIO, "ハードウェア エラー"},
                       Row{EINVAL, "未定義エラー"}}) {
    s_err = r.err;
    int result = 0;
    EXPECT_EQ(OpenMessage("/tmp/x", &result), std::string("ファイルをオープンできません\n") + r.text);
    EXPECT_EQ(result, -1);
  }
}

TEST(InputLoading, RefusesFilesTooLargeForTheTree) {
  platform::SysCalls calls = platform::PosixSysCalls();
  calls.fstat = [](int fd, struct stat* st) -> int {
    const int r = ::fstat(fd, st);
    st->st_size = static_cast<off_t>(kMaxFileSize) + 1;
    return r;
  };
  TempDir dir;
  const std::string file = dir.Write("a.html", "<HTML>");
  platform::ScopedSysCalls scoped(calls);
  int result = 0;
  EXPECT_EQ(OpenMessage(file, &result), "ファイルが大きすぎます\n4 GiB 未満のファイルだけを変換できます");
  EXPECT_EQ(result, -1);
}

TEST(InputLoading, EmptyFileOpensAndCannotBeSplit) {
  TempDir dir;
  const std::string file = dir.Write("a.html", "");
  CExecutor ex;
  RegisterSeparatorGrammar(ex.m_searcher, "");
  ex.SetInputFiles({file});
  ASSERT_EQ(ex.OpenInputFile(0), 0);
  EXPECT_EQ(ex.m_nFileSize, 0u);
  ex.m_searcher.SetBuffer(ex.m_pFileData.get(), 0);
  EXPECT_EQ(ex.Split(), kSplitCannot);
}

}  // namespace
}  // namespace engine
