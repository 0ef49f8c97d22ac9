#include "tests/reliability/FaultInjection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>

namespace testing_support {
namespace {

struct FdState {
  std::string path;
  bool bWrite = false;
  std::size_t read = 0;  // bytes read since the last seek
  int fstats = 0;
  bool bInterrupted = false;
};

// The plan in force; system calls have no room for a context pointer.
struct State {
  FaultPlan plan;
  std::map<int, FdState> fds;
  std::vector<OpenRecord> opens;
  std::size_t written = 0;
};
State* g_state = nullptr;

bool EndsWith(const std::string& s, const std::string& tail) {
  return !tail.empty() && s.size() >= tail.size() &&
         s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

FdState* Find(int fd) {
  const auto it = g_state->fds.find(fd);
  return it == g_state->fds.end() ? nullptr : &it->second;
}

int Fail(int err) {
  errno = err;
  return -1;
}

bool Interrupt(FdState* s) {
  if (!g_state->plan.interrupt || s == nullptr || s->bInterrupted) return false;
  s->bInterrupted = true;
  errno = EINTR;
  return true;
}

const platform::SysCalls kFaultCalls = {
    [](const char* path, int flags, mode_t mode) -> int {
      if (EndsWith(path, g_state->plan.openPath)) return Fail(g_state->plan.openErrno);
      const int fd = ::open(path, flags, mode);
      const bool bWrite = (flags & O_ACCMODE) != O_RDONLY;
      if (fd >= 0) g_state->fds[fd] = FdState{path, bWrite};
      if (fd >= 0) g_state->opens.push_back({path, bWrite});
      return fd;
    },
    [](int fd, void* buf, size_t count) -> ssize_t {
      FdState* s = Find(fd);
      if (Interrupt(s)) return -1;
      const FaultPlan& p = g_state->plan;
      if (s != nullptr && EndsWith(s->path, p.readPath)) {
        if (p.readErrno != 0) return Fail(p.readErrno);
        if (s->read >= p.readEofAfter) return 0;
        count = std::min(count, p.readEofAfter - s->read);
      }
      if (p.readChunk != 0) count = std::min(count, p.readChunk);
      const ssize_t n = ::read(fd, buf, count);
      if (n > 0 && s != nullptr) s->read += static_cast<std::size_t>(n);
      return n;
    },
    [](int fd, const void* buf, size_t count) -> ssize_t {
      FdState* s = Find(fd);
      if (Interrupt(s)) return -1;
      const FaultPlan& p = g_state->plan;
      if (p.writeChunk != 0) count = std::min(count, p.writeChunk);
      if (s != nullptr && s->bWrite && count > 0) {
        const std::size_t room = p.writeBudget - std::min(p.writeBudget, g_state->written);
        if (room == 0) return Fail(p.writeErrno);
        count = std::min(count, room);
      }
      const ssize_t n = ::write(fd, buf, count);
      if (n > 0) g_state->written += static_cast<std::size_t>(n);
      if (s != nullptr) s->bInterrupted = false;
      return n;
    },
    [](int fd) -> int {
      FdState* s = Find(fd);
      const std::string path = s ? s->path : std::string();
      g_state->fds.erase(fd);
      const int r = ::close(fd);
      if (r == 0 && EndsWith(path, g_state->plan.closePath)) return Fail(g_state->plan.closeErrno);
      return r;
    },
    [](int fd, struct stat* st) -> int {
      FdState* s = Find(fd);
      const FaultPlan& p = g_state->plan;
      if (s != nullptr && EndsWith(s->path, p.fstatPath) && ++s->fstats == p.fstatCall)
        return Fail(p.fstatErrno);
      return ::fstat(fd, st);
    },
    [](int fd, off_t offset, int whence) -> off_t {
      FdState* s = Find(fd);
      if (s != nullptr && EndsWith(s->path, g_state->plan.seekPath))
        return Fail(g_state->plan.seekErrno);
      const off_t r = ::lseek(fd, offset, whence);
      if (r >= 0 && s != nullptr) s->read = static_cast<std::size_t>(r);
      return r;
    },
    [](int fd, int cmd, int arg) -> int { return ::fcntl(fd, cmd, arg); }};

}  // namespace

FaultInjector::FaultInjector(FaultPlan plan) : m_calls(kFaultCalls) {
  g_state = new State{std::move(plan), {}, {}, 0};
}

FaultInjector::~FaultInjector() {
  delete g_state;
  g_state = nullptr;
}

std::vector<std::string> FaultInjector::OpenFiles() const {
  std::vector<std::string> paths;
  for (const auto& [fd, s] : g_state->fds) paths.push_back(s.path);
  return paths;
}

const std::vector<OpenRecord>& FaultInjector::Opens() const {
  return g_state->opens;
}

}  // namespace testing_support
