#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

constexpr std::size_t kWriteBufferSize = 1 << 20;
// Ranges at least this long are written at once: gathering gains nothing for them.
constexpr std::size_t kDirectWriteSize = 256 << 10;
// Ranges gathered into one writev call (the Linux limit).
constexpr std::size_t kMaxGathered = 1024;
// Linux moves at most this much in one read or write call.
constexpr std::size_t kMaxTransfer = 0x7ffff000;
// The queue of ranges goes to writev as it is.
static_assert(sizeof(GatherRange) == sizeof(iovec) &&
              offsetof(GatherRange, iov_base) == offsetof(iovec, iov_base) &&
              offsetof(GatherRange, iov_len) == offsetof(iovec, iov_len));

}  // namespace

bool CFile::OpenDirect(const std::string& path, unsigned flags, CFileException* pError) {
  const bool bWrite = (flags & modeWrite) != 0;
  int oflags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (bWrite ? O_WRONLY : O_RDONLY);
  if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;

  auto fail = [&](int cause, int err) {
    if (pError) *pError = CFileException(cause, err, path);
    return false;
  };

  int fd = Sys().open(path.c_str(), oflags, 0666);
  if (fd < 0) {
    const int err = errno;
    // Opening a FIFO for writing without a reader reports ENXIO; the file is unusable.
    return fail(CauseFromErrno(err, path), err);
  }
  struct stat st {};
  if (Sys().fstat(fd, &st) != 0) {
    const int err = errno;
    Sys().close(fd);
    return fail(CauseFromErrno(err, path), err);
  }
  if (!bWrite && !S_ISREG(st.st_mode)) {
    Sys().close(fd);
    return fail(CFileException::accessDenied, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }
  const int fl = Sys().fcntl(fd, F_GETFL, 0);
  if (fl >= 0) Sys().fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);

  m_fd = fd;
  m_bOwned = true;
  m_bCreated = (flags & modeCreate) != 0;
  m_strPath = path;
  ResetWriteState();
  return true;
}

std::uint64_t CFile::GetLength() const {
  struct stat st {};
  if (Sys().fstat(m_fd, &st) != 0) Throw(errno);
  return static_cast<std::uint64_t>(st.st_size);
}

void CFile::SeekToBegin() {
  if (Sys().lseek(m_fd, 0, SEEK_SET) < 0) Throw(errno);
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t chunk = std::min(count - done, kMaxTransfer);
    const ssize_t n = Sys().read(m_fd, p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      Throw(errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool ReadAt(FileHandle fd, std::uint64_t offset, void* buffer, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t chunk = std::min(count - done, kMaxTransfer);
    const ssize_t n =
        Sys().pread(static_cast<int>(fd), p + done, chunk, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void CFile::WriteThrough(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  const auto turn = TakeTurn();
  while (count > 0) {
    const std::size_t chunk = std::min(count, kMaxTransfer);
    iovec one{const_cast<std::uint8_t*>(p), chunk};
    const ssize_t n = m_bPositioned ? Sys().pwritev(m_fd, &one, 1, static_cast<off_t>(m_nOffset))
                                    : Sys().write(m_fd, p, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      Throw(errno);
    }
    if (n == 0) Throw(EIO);
    p += n;
    count -= static_cast<std::size_t>(n);
    m_nOffset += static_cast<std::size_t>(n);
  }
}

void CFile::Gather(const std::uint8_t* data, std::size_t count) {
  m_nPendingBytes += count;
  if (!m_aPending.empty()) {
    GatherRange& last = m_aPending.back();
    if (static_cast<const std::uint8_t*>(last.iov_base) + last.iov_len == data) {
      last.iov_len += count;
      return;
    }
  }
  if (m_aPending.capacity() == 0) m_aPending.reserve(kMaxGathered);
  m_aPending.push_back({const_cast<std::uint8_t*>(data), count});
}

void CFile::Write(const void* data, std::size_t count) {
  // Nothing, or so much that it is written at once: nothing is kept either way.
  if (count == 0 || count >= kDirectWriteSize) return WriteKept(data, count);
  if (!m_pWriteBuffer) m_pWriteBuffer.reset(new std::uint8_t[kWriteBufferSize]);
  if (m_nBuffered + count > kWriteBufferSize || m_aPending.size() == kMaxGathered) Flush();
  std::uint8_t* copy = m_pWriteBuffer.get() + m_nBuffered;
  std::memcpy(copy, data, count);
  m_nBuffered += count;
  Gather(copy, count);
}

void CFile::WriteKept(const void* data, std::size_t count) {
  if (count == 0) return;
  if (count >= kDirectWriteSize) {
    Flush();
    WriteThrough(data, count);
    return;
  }
  if (m_aPending.size() == kMaxGathered) Flush();
  Gather(static_cast<const std::uint8_t*>(data), count);
}

void CFile::Flush() {
  if (m_aPending.empty()) return;
  // Forgotten before writing: after a failure nothing may point into the caller's memory.
  std::vector<GatherRange> pending;
  pending.swap(m_aPending);
  m_nBuffered = 0;
  m_nPendingBytes = 0;
  const auto turn = TakeTurn();
  std::size_t i = 0;
  while (i < pending.size()) {
    const int count = static_cast<int>(pending.size() - i);
    const auto* ranges = reinterpret_cast<const iovec*>(pending.data() + i);
    const ssize_t n = m_bPositioned
                          ? Sys().pwritev(m_fd, ranges, count, static_cast<off_t>(m_nOffset))
                          : Sys().writev(m_fd, ranges, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      m_aPending.swap(pending);
      m_aPending.clear();
      Throw(errno);
    }
    if (n == 0) {
      m_aPending.swap(pending);
      m_aPending.clear();
      Throw(EIO);
    }
    m_nOffset += static_cast<std::size_t>(n);
    // Skip what was written; a partly written range goes on from where it stopped.
    auto done = static_cast<std::size_t>(n);
    while (done > 0 && done >= pending[i].iov_len) done -= pending[i++].iov_len;
    if (done > 0) {
      pending[i].iov_base = static_cast<std::uint8_t*>(pending[i].iov_base) + done;
      pending[i].iov_len -= done;
    }
  }
  pending.clear();
  m_aPending.swap(pending);  // keeps the reserved room
}

std::uint64_t CFile::GetPosition() const {
  return m_nOffset + m_nPendingBytes;
}

void CFile::SetPosition(std::uint64_t offset, bool bCut) {
  Flush();
  if (!m_bPositioned && Sys().lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) Throw(errno);
  if (bCut && Sys().ftruncate(m_fd, static_cast<off_t>(offset)) != 0) Throw(errno);
  m_nOffset = offset;
}

void CFile::Reserve(std::uint64_t count) {
  // Only a file created here is known to end where the writes end.
  if (m_fd < 0 || !m_bCreated || count == 0) return;
  const std::uint64_t at = m_nOffset + m_nPendingBytes;
  if (Sys().fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(at),
                      static_cast<off_t>(count)) == 0) {
    m_nReservedEnd = std::max(m_nReservedEnd, at + count);
  }
}

// Space set aside past the last byte written belongs to the file until it is cut off.
void CFile::ReleaseReserve() noexcept {
  if (m_nReservedEnd > m_nOffset) Sys().ftruncate(m_fd, static_cast<off_t>(m_nOffset));
  m_nReservedEnd = 0;
}

int CFile::ReleaseHandle() noexcept {
  const auto fd = static_cast<int>(std::exchange(m_fd, kNoFileHandle));
  return m_bOwned && Sys().close(fd) != 0 ? errno : 0;
}

std::size_t FileNameStart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

bool RegularFileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && Sys().stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && Sys().stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool GetFileId(const std::string& path, FileId* pId) {
  struct stat st {};
  if (path.empty() || Sys().stat(path.c_str(), &st) != 0) return false;
  *pId = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool GetFileId(FileHandle fd, FileId* pId) {
  struct stat st {};
  if (Sys().fstat(static_cast<int>(fd), &st) != 0) return false;
  *pId = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool GetFileVersion(FileHandle fd, FileVersion* pVersion) {
  struct stat st {};
  if (Sys().fstat(fd, &st) != 0) return false;
  auto ns = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
  pVersion->id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  pVersion->nSize = static_cast<std::uint64_t>(st.st_size);
  pVersion->nModified = ns(st.st_mtim);
  pVersion->nChanged = ns(st.st_ctim);
  return true;
}

}  // namespace platform
