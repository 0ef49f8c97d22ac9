#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/FileBuffer.h"
#include "platform/FileException.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

using testing_support::TempDir;

const std::size_t kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

// Three pages and a bit, no zero byte in them.
std::string Pattern() {
  std::string s(3 * kPage + 100, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(1 + i % 251);
  return s;
}

struct OpenFile {
  int fd;
  explicit OpenFile(const std::string& path) : fd(::open(path.c_str(), O_RDONLY)) {}
  ~OpenFile() { ::close(fd); }
};

TEST(FileBuffer, MapsTheFile) {
  TempDir dir;
  const std::string bytes = Pattern();
  OpenFile f(dir.Write("in", bytes));
  FileBuffer b = MapFile(f.fd, bytes.size());
  ASSERT_TRUE(IsMapped(b));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.get()), bytes.size()), bytes);
  EXPECT_EQ(CheckMappedFile(b, f.fd), CFileException::none);
  EXPECT_FALSE(MapFile(f.fd, 0));
  EXPECT_FALSE(IsMapped(AllocateFileBuffer(10)));
}

// Another program cuts the file while it is mapped: what is left reads as before, the
// rest as zeros (the process goes on), and the loss is reported.
TEST(FileBuffer, BytesCutFromTheFileReadAsZerosAndAreReported) {
  const std::string bytes = Pattern();
  for (const std::size_t cut :
       {std::size_t{0}, std::size_t{10}, kPage, kPage + 10, 3 * kPage + 5}) {
    TempDir dir;
    const std::string path = dir.Write("in", bytes);
    OpenFile f(path);
    FileBuffer b = MapFile(f.fd, bytes.size());
    ASSERT_TRUE(IsMapped(b));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(cut)), 0);
    std::string seen(reinterpret_cast<const char*>(b.get()), bytes.size());
    EXPECT_EQ(seen.substr(0, cut), bytes.substr(0, cut)) << cut;
    EXPECT_EQ(seen.substr(cut), std::string(bytes.size() - cut, '\0')) << cut;
    EXPECT_EQ(CheckMappedFile(b, f.fd), CFileException::endOfFile) << cut;
  }
}

// The handler takes only faults in views it made; any other bus error must still end
// the process instead of being retried for ever.
TEST(FileBufferDeathTest, OtherBusErrorsStillEndTheProcess) {
  TempDir dir;
  const std::string bytes = Pattern();
  const std::string path = dir.Write("in", bytes);
  EXPECT_EXIT(
      {
        ::alarm(10);  // a fault retried for ever ends with SIGALRM instead
        OpenFile f(path);
        FileBuffer mine = MapFile(f.fd, bytes.size());
        void* other = ::mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, f.fd, 0);
        if (!mine || other == MAP_FAILED) ::_exit(3);
        if (::truncate(path.c_str(), 0) != 0) ::_exit(4);
        volatile char c = static_cast<const char*>(other)[2 * kPage];
        (void)c;
        ::_exit(0);
      },
      [](int status) {
        // Killed by the bus error, or ended by a handler installed before (a sanitizer's).
        const int code = WEXITSTATUS(status);  // 3 and 4: the set-up failed
        return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS
                                   : code != 0 && code != 3 && code != 4;
      },
      "");
}

// Views are tracked in a small table: past it, files are read instead of mapped.
TEST(FileBuffer, ViewsBeyondTheTableAreRefusedUntilOneIsReleased) {
  TempDir dir;
  OpenFile f(dir.Write("in", Pattern()));
  std::vector<FileBuffer> held;
  for (;;) {
    FileBuffer b = MapFile(f.fd, 100);
    if (!b) break;
    held.push_back(std::move(b));
    ASSERT_LT(held.size(), 1000u);
  }
  EXPECT_GE(held.size(), 4u);
  held.pop_back();
  EXPECT_TRUE(MapFile(f.fd, 100));
}

}  // namespace
}  // namespace platform
