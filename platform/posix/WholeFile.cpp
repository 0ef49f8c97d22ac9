// Looking at and reading files by name, outside the run's own file handling.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/File.h"
#include "platform/posix/SysCalls.h"

namespace platform {

bool GetFileSize(const std::string& path, std::uint64_t* pSize) {
  struct stat st {};
  if (path.empty() || Sys().stat(path.c_str(), &st) != 0) return false;
  *pSize = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* pText, long* pError) {
  const int fd = Sys().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0);
  if (fd < 0) return *pError = errno, false;
  char buffer[64 << 10];
  long err = 0;
  for (;;) {
    const ssize_t n = Sys().read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    pText->append(buffer, static_cast<std::size_t>(n));
  }
  Sys().close(fd);
  if (err != 0) return *pError = err, false;
  return true;
}

}  // namespace platform
