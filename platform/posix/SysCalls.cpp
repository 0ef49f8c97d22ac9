#include "platform/posix/SysCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

int PosixOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
int PosixFcntl(int fd, int cmd, int arg) {
  return ::fcntl(fd, cmd, arg);
}
void* PosixMremap(void* address, size_t oldLength, size_t newLength, int flags) {
  return ::mremap(address, oldLength, newLength, flags);
}

const SysCalls kPosix = {
    .open = PosixOpen,
    .read = ::read,
    .pread = ::pread,
    .write = ::write,
    .close = ::close,
    .fstat = ::fstat,
    .lseek = ::lseek,
    .fcntl = PosixFcntl,
    .writev = ::writev,
    .pwritev = ::pwritev,
    .mmap = ::mmap,
    .munmap = ::munmap,
    .fallocate = ::fallocate,
    .ftruncate = ::ftruncate,
    .linkat = ::linkat,
    .rename = ::rename,
    .unlink = ::unlink,
    .fchmod = ::fchmod,
    .renameat2 = ::renameat2,
    .stat = ::stat,
    .lstat = ::lstat,
    .readlink = ::readlink,
    .access = ::access,
    .geteuid = ::geteuid,
    .getegid = ::getegid,
    .fchown = ::fchown,
    .flistxattr = ::flistxattr,
    .fgetxattr = ::fgetxattr,
    .fsetxattr = ::fsetxattr,
    .mremap = PosixMremap,
    .madvise = ::madvise,
};
SysCalls g_calls = kPosix;

}  // namespace

SysCalls& Sys() {
  return g_calls;
}
const SysCalls& PosixSysCalls() {
  return kPosix;
}

ScopedSysCalls::ScopedSysCalls(const SysCalls& calls) : m_previous(g_calls) {
  g_calls = calls;
}
ScopedSysCalls::~ScopedSysCalls() {
  g_calls = m_previous;
}

}  // namespace platform
