// Replacing a file without ever truncating it: the new bytes go to a file of their own in
// the target's folder, renamed over the target only once they are complete.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/EndingSignals.h"
#include "platform/File.h"
#include "platform/KeptAttributes.h"
#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A name in `folder` that is unlikely to be taken; callers retry on EEXIST.
std::string TempName(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  unsigned long long x = static_cast<unsigned long long>(ts.tv_nsec) ^
                         (static_cast<unsigned long long>(::getpid()) << 20) ^
                         (static_cast<unsigned long long>(counter.fetch_add(1)) << 40);
  static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = folder + "/.velmorant-";
  for (int i = 0; i < 10; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    name += kDigits[(x >> 33) % 36];
  }
  return name + ".tmp";
}

// Follows symbolic links from `path` to the file a replacement must take the place of,
// so that the link stays a link. A name that does not exist (yet) is returned as it is.
bool ResolveLinks(const std::string& path, std::string* pTarget, int* pErr) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (Sys().lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) return *pErr = errno, false;
      *pTarget = current;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      *pTarget = current;
      return true;
    }
    char buffer[PATH_MAX];
    const ssize_t n = Sys().readlink(current.c_str(), buffer, sizeof buffer);
    if (n < 0) return *pErr = errno, false;
    if (static_cast<std::size_t>(n) >= sizeof buffer) return *pErr = ENAMETOOLONG, false;
    std::string link(buffer, static_cast<std::size_t>(n));
    if (link.empty()) return *pErr = ENOENT, false;
    if (link[0] != '/' && current.find('/') != std::string::npos) {
      link = current.substr(0, current.rfind('/') + 1) + link;
    }
    current = std::move(link);
  }
  *pErr = ELOOP;
  return false;
}

// Renames `from` to `to` unless `to` exists (EEXIST).
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (Sys().renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without it: a second name, which never replaces a file, then the first goes.
  if (Sys().linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) return false;
  Sys().unlink(from.c_str());
  return true;
}

}  // namespace

bool CFile::OpenReplacing(const std::string& path, unsigned flags, CFileException* pError) {
  auto fail = [&](int err, std::string folder = {}) {
    if (pError) {
      *pError = CFileException(CauseFromErrno(err, path), err, path);
      pError->m_strFolder = std::move(folder);
    }
    return false;
  };
  // Only a regular file is replaced; a folder is refused, and anything else (a device, a
  // FIFO, /dev/stdout on a pipe) is written as it is.
  struct stat st {};
  const bool bExists = Sys().stat(path.c_str(), &st) == 0;
  if (!bExists && errno != ENOENT) return fail(errno);
  if (bExists && S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (bExists && !S_ISREG(st.st_mode)) return OpenDirect(path, flags, pError);
  std::string target;
  int err = 0;
  if (!ResolveLinks(path, &target, &err)) return fail(err);
  // Asked for as a new file: one that someone else made since then is theirs.
  if (bExists && (flags & modeNoReplace)) return fail(EEXIST);
  int probe = -1;
  if (bExists) {
    // What could not be written before must not be replaced now: a rename needs only
    // the folder's permission and would replace a read-only file silently.
    probe = Sys().open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (probe < 0) return fail(errno);
  }

  const std::string folder = FolderOf(target);
  std::string tempPath;
  int fd = Sys().open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // The file system cannot make unnamed files: a hidden name, removed on failure.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      tempPath = TempName(folder);
      fd = Sys().open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
  }
  if (fd < 0) {
    const int openErr = errno;
    if (probe >= 0) Sys().close(probe);
    // A missing folder is a bad path, as it was when the file itself was opened.
    return fail(openErr, openErr == ENOENT ? std::string() : folder);
  }
  if (!tempPath.empty()) m_nTempSlot = RegisterTemp(tempPath);
  if (bExists) {
    // The new file takes the old one's owner where that is allowed, and the rest of what
    // makes up who may do what with it.
    if (st.st_uid != Sys().geteuid() || st.st_gid != Sys().getegid()) {
      if (Sys().fchown(fd, st.st_uid, st.st_gid) != 0) { /* keeps ours */
      }
    }
    m_strLostAttributes = KeepAttributes(probe, fd, st.st_mode & 07777);
    Sys().close(probe);
  }
  m_fd = fd;
  m_bOwned = true;
  m_bCreated = true;
  m_bReplacing = true;
  m_strPath = path;
  m_strTarget = target;
  m_strTempPath = tempPath;
  m_bNoReplace = (flags & modeNoReplace) != 0;
  ResetWriteState();
  return true;
}

void CFile::Commit() {
  int fd = std::exchange(m_fd, -1);
  std::string name = m_strTempPath;
  auto finish = [&] {
    UnregisterTemp(std::exchange(m_nTempSlot, -1));
    m_bReplacing = false;
    ResetWriteState();
  };
  // Nothing of the new file may stay behind; the target is as it was.
  auto fail = [&](int err, bool bFolder) {
    if (!name.empty()) Sys().unlink(name.c_str());
    if (fd >= 0) Sys().close(fd);
    finish();
    CFileException e(CauseFromErrno(err, m_strPath), err, m_strPath);
    if (bFolder) e.m_strFolder = FolderOf(m_strTarget);
    throw e;
  };
  // From here a signal either ends the process before the new file takes the name, or
  // waits until it has.
  EndingSignalHold hold;
  if (name.empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const auto link = [&](const std::string& to) {
      int rc = Sys().linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW);
      if (rc != 0 && errno == ENOENT && Sys().access("/proc/self/fd", X_OK) != 0) {
        // No /proc: linking the descriptor itself needs a capability, but may be allowed.
        rc = Sys().linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH);
      }
      return rc == 0;
    };
    // Where there is no file yet, the new one takes the name itself, in one step: no
    // moment at which a kill could leave a second name behind.
    if (hold.Pending()) fail(EINTR, false);
    if (link(m_strTarget)) {
      const int closed = Sys().close(std::exchange(fd, -1));
      if (closed != 0) {
        name = m_strTarget;  // ours alone: nothing was there before it
        fail(errno, false);
      }
      hold.Placed();
      finish();
      return;
    }
    if (errno != EEXIST || m_bNoReplace) fail(errno, errno != EEXIST);
    // Otherwise a name beside the target, renamed over it at once.
    const std::string folder = FolderOf(m_strTarget);
    for (int attempt = 0;; ++attempt) {
      const std::string candidate = TempName(folder);
      if (link(candidate)) {
        name = candidate;
        break;
      }
      if (errno != EEXIST || attempt == 100) fail(errno, true);
    }
  }
  // A close can report a write the kernel deferred (network file systems).
  const int closed = Sys().close(std::exchange(fd, -1));
  if (closed != 0) fail(errno, false);
  if (hold.Pending()) fail(EINTR, false);
  if (m_bNoReplace ? !RenameNoReplace(name, m_strTarget)
                   : Sys().rename(name.c_str(), m_strTarget.c_str()) != 0) {
    fail(errno, errno != EEXIST);
  }
  hold.Placed();
  finish();
}

void CFile::Discard() noexcept {
  const int fd = std::exchange(m_fd, -1);
  if (!m_strTempPath.empty()) Sys().unlink(m_strTempPath.c_str());
  Sys().close(fd);  // an unnamed file vanishes with its last descriptor
  UnregisterTemp(std::exchange(m_nTempSlot, -1));
  m_bReplacing = false;
  ResetWriteState();
}

void IgnoreWriteSignals() {
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
