#include "platform/posix/SysCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {
namespace {

int PosixOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
int PosixFcntl(int fd, int cmd, int arg) {
  return ::fcntl(fd, cmd, arg);
}

const SysCalls kPosix = {PosixOpen,   ::read,   ::write,   ::close,  ::fstat,  ::lseek,
                         PosixFcntl,  ::writev, ::pwritev, ::mmap,   ::munmap, ::fallocate,
                         ::ftruncate, ::linkat, ::rename,  ::unlink, ::fchmod};
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
