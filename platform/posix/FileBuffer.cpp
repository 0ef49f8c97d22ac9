#include "platform/FileBuffer.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>

#include "platform/FileException.h"
#include "platform/GrowableRegion.h"
#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

// The mappings in use, for the bus-error handler: it may only read what it finds here.
// A slot is taken by setting `end` from 0 to 1, and is in use once `begin` is set.
struct Slot {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> bLost{false};
};
constexpr std::size_t kSlots = 16;
Slot g_slots[kSlots];
struct sigaction g_previous {};
std::uintptr_t g_nPageSize = 4096;
bool g_bHandlerInstalled = false;
std::once_flag g_installOnce;

Slot* FindSlot(std::uintptr_t address) {
  for (Slot& s : g_slots) {
    const std::uintptr_t b = s.begin.load(std::memory_order_acquire);
    const std::uintptr_t e = s.end.load(std::memory_order_acquire);
    if (b != 0 && e > 1 && address >= b && address < e) return &s;
  }
  return nullptr;
}

// A page of a mapped input is gone: from it to the end of the view, zeros take the file's
// place, so the access that faulted is repeated and the run goes on to report the loss.
void OnBusError(int sig, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  if (Slot* s = FindSlot(address)) {
    const std::uintptr_t page = address & ~(g_nPageSize - 1);
    const std::uintptr_t end = s->end.load(std::memory_order_acquire);
    void* p = Sys().mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    s->bLost.store(true, std::memory_order_release);
    if (p != MAP_FAILED) return;
  } else if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction != nullptr) {
      g_previous.sa_sigaction(sig, info, context);
      return;
    }
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(sig);
    return;
  }
  // Nothing else can handle it: the default action ends the process when the access repeats.
  ::signal(sig, SIG_DFL);
}

void InstallHandler() {
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page > 0) g_nPageSize = static_cast<std::uintptr_t>(page);
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  g_bHandlerInstalled = ::sigaction(SIGBUS, &action, &g_previous) == 0;
}

Slot* TakeSlot() {
  for (Slot& s : g_slots) {
    std::uintptr_t expected = 0;
    if (s.end.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
      s.bLost.store(false, std::memory_order_relaxed);
      return &s;
    }
  }
  return nullptr;
}

Slot* SlotOf(const std::uint8_t* p) {
  const auto address = reinterpret_cast<std::uintptr_t>(p);
  for (Slot& s : g_slots) {
    if (s.begin.load(std::memory_order_acquire) == address) return &s;
  }
  return nullptr;
}

}  // namespace

void FileBufferRelease::operator()(std::uint8_t* p) const noexcept {
  if (p == nullptr) return;
  if (nMapped == 0) {
    delete[] p;
    return;
  }
  if (Slot* s = SlotOf(p)) {
    s->begin.store(0, std::memory_order_release);
    s->end.store(0, std::memory_order_release);
  }
  Sys().munmap(p, nMapped);
}

FileBuffer AllocateFileBuffer(std::size_t size) {
  FileBuffer buffer(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
  if (buffer) AdviseLargePages(buffer.get(), size);
  return buffer;
}

FileBuffer MapFile(FileHandle fd, std::size_t size) {
  if (size == 0) return nullptr;
  std::call_once(g_installOnce, InstallHandler);
  if (!g_bHandlerInstalled) return nullptr;
  Slot* s = TakeSlot();
  if (s == nullptr) return nullptr;
  void* p = Sys().mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (p == MAP_FAILED) {
    s->end.store(0, std::memory_order_release);
    return nullptr;
  }
  // Pages are mapped as the search reaches them, by both of its threads at once; a file
  // not yet in memory starts to be read ahead now.
  Sys().madvise(p, size, MADV_WILLNEED);
  const auto begin = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t end = (begin + size + g_nPageSize - 1) & ~(g_nPageSize - 1);
  s->begin.store(begin, std::memory_order_release);
  s->end.store(end, std::memory_order_release);
  return FileBuffer(static_cast<std::uint8_t*>(p), FileBufferRelease{size});
}

bool IsMapped(const FileBuffer& buffer) {
  return buffer && buffer.get_deleter().nMapped != 0;
}

bool ReadsBeatMappedPages() {
  return false;
}

int CheckMappedFile(const FileBuffer& buffer, FileHandle fd) {
  if (!IsMapped(buffer)) return CFileException::none;
  struct stat st {};
  if (Sys().fstat(fd, &st) != 0) return CauseFromErrno(errno, std::string());
  if (static_cast<std::uint64_t>(st.st_size) < buffer.get_deleter().nMapped) {
    return CFileException::endOfFile;
  }
  const Slot* s = SlotOf(buffer.get());
  return s != nullptr && s->bLost.load(std::memory_order_acquire) ? CFileException::hardIO
                                                                  : CFileException::none;
}

}  // namespace platform
