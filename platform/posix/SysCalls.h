#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>

#include <string>

namespace platform {

// Maps an errno value of an operation on `path` onto a cause. ENOENT is a missing
// file when its folder exists, and a bad path when the folder itself is missing.
int CauseFromErrno(int err, const std::string& path);

// Every system call the platform layer makes goes through this table, so tests can
// inject failures (short reads, write errors, a full disk, another user) without touching
// the code.
struct SysCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buf, size_t count);
  ssize_t (*pread)(int fd, void* buf, size_t count, off_t offset);
  ssize_t (*write)(int fd, const void* buf, size_t count);
  int (*close)(int fd);
  int (*fstat)(int fd, struct stat* st);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*fcntl)(int fd, int cmd, int arg);
  ssize_t (*writev)(int fd, const struct iovec* iov, int count);
  ssize_t (*pwritev)(int fd, const struct iovec* iov, int count, off_t offset);
  void* (*mmap)(void* address, size_t length, int prot, int flags, int fd, off_t offset);
  int (*munmap)(void* address, size_t length);
  int (*fallocate)(int fd, int mode, off_t offset, off_t length);
  int (*ftruncate)(int fd, off_t length);
  // Putting a finished file in place.
  int (*linkat)(int oldDir, const char* oldPath, int newDir, const char* newPath, int flags);
  int (*rename)(const char* oldPath, const char* newPath);
  int (*unlink)(const char* path);
  int (*fchmod)(int fd, mode_t mode);
  int (*renameat2)(int oldDir, const char* oldPath, int newDir, const char* newPath,
                   unsigned flags);
  // Looking at names.
  int (*stat)(const char* path, struct stat* st);
  int (*lstat)(const char* path, struct stat* st);
  ssize_t (*readlink)(const char* path, char* buffer, size_t size);
  int (*access)(const char* path, int mode);
  // Keeping the old file's owner and extended attributes.
  uid_t (*geteuid)();
  gid_t (*getegid)();
  int (*fchown)(int fd, uid_t owner, gid_t group);
  ssize_t (*flistxattr)(int fd, char* names, size_t size);
  ssize_t (*fgetxattr)(int fd, const char* name, void* value, size_t size);
  int (*fsetxattr)(int fd, const char* name, const void* value, size_t size, int flags);
  // Memory.
  void* (*mremap)(void* address, size_t oldLength, size_t newLength, int flags);
  int (*madvise)(void* address, size_t length, int advice);
};

// The table in use; starts with the real POSIX calls.
SysCalls& Sys();

// Installs `calls` for the lifetime of the guard and restores the previous table after.
class ScopedSysCalls {
 public:
  explicit ScopedSysCalls(const SysCalls& calls);
  ~ScopedSysCalls();
  ScopedSysCalls(const ScopedSysCalls&) = delete;
  ScopedSysCalls& operator=(const ScopedSysCalls&) = delete;

 private:
  SysCalls m_previous;
};

// The real POSIX calls.
const SysCalls& PosixSysCalls();

}  // namespace platform
