// Replacing a file without ever truncating it: the new bytes go to a file of their own in
// the target's folder, renamed over the target only once they are complete.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "platform/File.h"
#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

// Names of new files not yet in place, removed if SIGINT, SIGTERM or SIGHUP ends the
// process. Fixed slots: the handler may only read memory and call unlink.
constexpr int kTempSlots = 8;
char g_tempNames[kTempSlots][PATH_MAX];
std::atomic<bool> g_tempUsed[kTempSlots];
std::once_flag g_cleanupOnce;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnEndingSignal(int sig) {
  for (int i = 0; i < kTempSlots; ++i) {
    if (g_tempUsed[i].load(std::memory_order_acquire)) ::unlink(g_tempNames[i]);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);  // delivered when the handler returns: the process ends as it would have
}

// Only where the signal would end the process: a handler of the program's own, or an
// ignored SIGHUP (nohup), stays as it is.
void InstallCleanup() {
  for (const int sig : kCleanupSignals) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
        old.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(sig, &action, nullptr);
  }
}

int RegisterTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  std::call_once(g_cleanupOnce, InstallCleanup);
  for (int i = 0; i < kTempSlots; ++i) {
    if (g_tempUsed[i].load(std::memory_order_acquire)) continue;
    std::memcpy(g_tempNames[i], path.c_str(), path.size() + 1);
    bool expected = false;
    if (g_tempUsed[i].compare_exchange_strong(expected, true)) return i;
  }
  return -1;
}

void UnregisterTemp(int slot) {
  if (slot >= 0) g_tempUsed[slot].store(false, std::memory_order_release);
}

// Blocks the ending signals while a name that no handler knows exists (between linking
// an unnamed file in and renaming it): only SIGKILL can then leave it behind.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : kCleanupSignals) sigaddset(&set, sig);
    ::pthread_sigmask(SIG_BLOCK, &set, &m_old);
  }
  ~SignalBlock() { ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t m_old;
};

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
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) return *pErr = errno, false;
      *pTarget = current;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      *pTarget = current;
      return true;
    }
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer);
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
  const bool bExists = ::stat(path.c_str(), &st) == 0;
  if (!bExists && errno != ENOENT) return fail(errno);
  if (bExists && S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (bExists && !S_ISREG(st.st_mode)) return OpenDirect(path, flags, pError);
  std::string target;
  int err = 0;
  if (!ResolveLinks(path, &target, &err)) return fail(err);
  if (bExists) {
    // What could not be written before must not be replaced now: a rename needs only
    // the folder's permission and would replace a read-only file silently.
    const int probe = Sys().open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (probe < 0) return fail(errno);
    Sys().close(probe);
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
    // A missing folder is a bad path, as it was when the file itself was opened.
    return fail(openErr, openErr == ENOENT ? std::string() : folder);
  }
  if (!tempPath.empty()) m_nTempSlot = RegisterTemp(tempPath);
  if (bExists) {
    // The new file takes the old one's owner where that is allowed, and its permissions.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) { /* keeps ours */
      }
    }
    Sys().fchmod(fd, st.st_mode & 07777);
  }
  m_fd = fd;
  m_bOwned = true;
  m_bCreated = true;
  m_bReplacing = true;
  m_strPath = path;
  m_strTarget = target;
  m_strTempPath = tempPath;
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
  const SignalBlock block;
  if (name.empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const auto link = [&](const std::string& to) {
      int rc = Sys().linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW);
      if (rc != 0 && errno == ENOENT && ::access("/proc/self/fd", X_OK) != 0) {
        // No /proc: linking the descriptor itself needs a capability, but may be allowed.
        rc = Sys().linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH);
      }
      return rc == 0;
    };
    // Where there is no file yet, the new one takes the name itself, in one step: no
    // moment at which a kill could leave a second name behind.
    if (link(m_strTarget)) {
      const int closed = Sys().close(std::exchange(fd, -1));
      if (closed != 0) {
        name = m_strTarget;  // ours alone: nothing was there before it
        fail(errno, false);
      }
      finish();
      return;
    }
    if (errno != EEXIST) fail(errno, true);
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
  if (Sys().rename(name.c_str(), m_strTarget.c_str()) != 0) fail(errno, true);
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
