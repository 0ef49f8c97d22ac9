#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/SysCalls.h"

namespace testing_support {

// System-call failures for the file layer. Paths are matched by their ending, so a row of
// a test table can name a file without knowing its folder.
struct FaultPlan {
  std::string openPath;  // open of this file fails with openErrno
  int openErrno = 0;
  std::string fstatPath;  // the fstatCall-th fstat (1-based) on this file fails
  int fstatCall = 0;
  int fstatErrno = 0;
  std::string seekPath;  // every seek on this file fails
  int seekErrno = 0;
  std::string readPath;  // reads of this file fail, or the file seems to end early
  int readErrno = 0;
  std::size_t readEofAfter = std::numeric_limits<std::size_t>::max();
  std::size_t readChunk = 0;  // nonzero: no read call returns more than this
  // Bytes that reach all outputs together; the write that crosses the limit writes up to
  // it, the next one fails with writeErrno (a disk that fills up).
  std::size_t writeBudget = std::numeric_limits<std::size_t>::max();
  int writeErrno = 28;         // ENOSPC
  std::size_t writeChunk = 0;  // nonzero: no write call takes more than this
  bool interrupt = false;      // every read and write is first interrupted once (EINTR)
  std::string closePath;       // close of this file releases it but reports closeErrno
  int closeErrno = 0;
};

// One open the file layer made.
struct OpenRecord {
  std::string path;
  bool bWrite = false;
};

// Installs a FaultPlan over the real system calls for its lifetime and keeps track of the
// descriptors the file layer opened and closed.
class FaultInjector {
 public:
  explicit FaultInjector(FaultPlan plan);
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // Files opened through the file layer and not closed yet.
  std::vector<std::string> OpenFiles() const;
  // Every successful open, in order.
  const std::vector<OpenRecord>& Opens() const;

 private:
  platform::ScopedSysCalls m_calls;
};

}  // namespace testing_support
