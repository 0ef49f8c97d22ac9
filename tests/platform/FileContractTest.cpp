// What the file layer promises on every system: an output appears only whole, at Close; a
// name that had to stay free is never taken from whoever made it meanwhile; only a regular
// file is an existing output; two names of one file are known as one.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "platform/File.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::FileNames;
using testing_support::ReadFile;
using testing_support::ReadIfExists;
using testing_support::TempDir;

#ifdef _WIN32
constexpr long kExists = 80;  // ERROR_FILE_EXISTS
const std::string kNullDevice = "NUL";
#else
constexpr long kExists = EEXIST;
const std::string kNullDevice = "/dev/null";
#endif
constexpr unsigned kReplace = CFile::modeCreate | CFile::modeWrite | CFile::modeReplace;

enum Theirs { kNobody, kBeforeTheOpen, kWhileWritten };

// The old bytes stay until Close and after Abort, and no other name is left in the folder.
TEST(FileContract, OutputAppearsOnlyWhole) {
  struct Row {
    const char* name;
    const char* old;  // the file there before; nullptr: none
    Theirs theirs;    // when another program makes the file "theirs"
    bool bNoReplace;
    bool bAbort;
    const char* after;  // nullptr: no file
  };
  const Row rows[] = {
      {"new", nullptr, kNobody, false, false, "new"},
      {"existing", "old", kNobody, false, false, "new"},
      {"existing_aborted", "old", kNobody, false, true, "old"},
      {"new_aborted", nullptr, kNobody, false, true, nullptr},
      {"made_meanwhile_is_replaced", nullptr, kWhileWritten, false, false, "new"},
      {"free_name_stays_free", nullptr, kNobody, true, false, "new"},
      {"free_name_taken_before_the_open", nullptr, kBeforeTheOpen, true, false, "theirs"},
      {"free_name_taken_while_written", nullptr, kWhileWritten, true, false, "theirs"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    const std::string target = dir.File("out.html");
    if (r.old) testing_support::WriteFile(target, r.old);
    if (r.theirs == kBeforeTheOpen) testing_support::WriteFile(target, "theirs");
    CFile f;
    CFileException e;
    const bool bOpened =
        f.Open(target, kReplace | (r.bNoReplace ? unsigned{CFile::modeNoReplace} : 0u), &e);
    EXPECT_EQ(bOpened, !(r.bNoReplace && r.theirs == kBeforeTheOpen));
    if (bOpened) {
      f.Write("new", 3);
      f.Flush();
      if (r.old) {
        EXPECT_EQ(ReadFile(target), r.old);
      }
      if (r.theirs == kWhileWritten) testing_support::WriteFile(target, "theirs");
      try {
        r.bAbort ? f.Abort() : f.Close();
      } catch (const CFileException& thrown) {
        e = thrown;
      }
    }
    EXPECT_EQ(e.m_lOsError == kExists, r.bNoReplace && r.theirs != kNobody) << e.m_lOsError;
    EXPECT_EQ(ReadIfExists(target), r.after ? std::optional<std::string>(r.after) : std::nullopt);
    EXPECT_EQ(FileNames(dir.Path()),
              r.after ? std::set<std::string>{"out.html"} : std::set<std::string>{});
  }
}

// Only a file on a disk is one the overwrite question is about; devices and folders are
// written to or refused as they are.
TEST(FileContract, OnlyRegularFilesExistAsOutputs) {
  TempDir dir;
  const std::pair<std::string, bool> rows[] = {
      {dir.Write("a.html", "x"), true},
      {dir.Path(), false},
      {dir.File("none.html"), false},
      {kNullDevice, false},
  };
  for (const auto& [path, bExists] : rows) EXPECT_EQ(RegularFileExists(path), bExists) << path;
}

TEST(FileContract, HardLinksNameOneFile) {
  TempDir dir;
  const std::string a = dir.Write("a", "x");
  std::filesystem::create_hard_link(testing_support::PathOf(a),
                                    testing_support::PathOf(dir.File("h")));
  EXPECT_TRUE(IsSameFile(a, dir.File("h")) && IsSameFile(a, a));
  EXPECT_FALSE(IsSameFile(a, dir.Write("b", "x")) || IsSameFile(a, dir.File("missing")));
}

// A read at a place gives exactly the bytes there, or fails when the file ends first; the
// file is still read in order from its start afterwards.
TEST(FileContract, ReadsAtAPlace) {
  TempDir dir;
  const std::string path = dir.Write("in", "0123456789");
  CFile f;
  CFileException e;
  ASSERT_TRUE(f.Open(path, CFile::modeRead, &e)) << e.m_lOsError;
  struct Row {
    std::uint64_t at;
    std::size_t count;
    const char* bytes;  // nullptr: the read fails
  };
  const Row rows[] = {{0, 10, "0123456789"},
                      {3, 4, "3456"},
                      {9, 1, "9"},
                      {5, 0, ""},
                      {8, 3, nullptr},
                      {10, 1, nullptr},
                      {std::uint64_t{1} << 33, 1, nullptr}};
  for (const Row& r : rows) {
    std::string got(r.count, '-');
    EXPECT_EQ(ReadAt(f.GetHandle(), r.at, got.data(), r.count), r.bytes != nullptr) << r.at;
    if (r.bytes) {
      EXPECT_EQ(got, r.bytes) << r.at;
    }
  }
  f.SeekToBegin();
  std::string all(10, '-');
  EXPECT_EQ(f.Read(all.data(), all.size()), 10u);
  EXPECT_EQ(all, "0123456789");
}

}  // namespace
}  // namespace platform
