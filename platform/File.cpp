// What the file class does alike on every system; the system calls are in posix/ and win32/.
#include "platform/File.h"

#include <utility>

#include "platform/EndingSignals.h"

namespace platform {

CFile::~CFile() {
  Abort();
}

CFile::CFile(CFile&& other) noexcept {
  TakeFrom(other);
}

CFile& CFile::operator=(CFile&& other) noexcept {
  if (this != &other) {
    Abort();
    TakeFrom(other);
  }
  return *this;
}

void CFile::TakeFrom(CFile& other) noexcept {
  m_fd = std::exchange(other.m_fd, kNoFileHandle);
  m_bOwned = other.m_bOwned;
  m_bCreated = other.m_bCreated;
  m_bPositioned = other.m_bPositioned;
  m_pTurns = std::exchange(other.m_pTurns, nullptr);
  m_strPath = std::move(other.m_strPath);
  m_pWriteBuffer = std::move(other.m_pWriteBuffer);
  m_nBuffered = std::exchange(other.m_nBuffered, 0);
  m_aPending = std::move(other.m_aPending);
  other.m_aPending.clear();
  m_nOffset = std::exchange(other.m_nOffset, 0);
  m_nPendingBytes = std::exchange(other.m_nPendingBytes, 0);
  m_nReservedEnd = std::exchange(other.m_nReservedEnd, 0);
  m_bReplacing = std::exchange(other.m_bReplacing, false);
  m_strTarget = std::move(other.m_strTarget);
  m_strTempPath = std::move(other.m_strTempPath);
  m_nTempSlot = std::exchange(other.m_nTempSlot, -1);
  m_bNoReplace = std::exchange(other.m_bNoReplace, false);
  m_strLostAttributes = std::move(other.m_strLostAttributes);
}

void CFile::Close() {
  if (m_fd == kNoFileHandle) return;
  int err = 0;
  try {
    Flush();
  } catch (const CFileException& e) {
    err = static_cast<int>(e.m_lOsError);
  }
  if (m_bReplacing) {
    if (err != 0) {
      Discard();
      Throw(err);
    }
    ReleaseReserve();
    Commit();  // discards and throws on failure
    return;
  }
  ReleaseReserve();
  const int closeErr = ReleaseHandle();
  if (err == 0) err = closeErr;
  ResetWriteState();
  if (err != 0) Throw(err);
}

void CFile::Abort() noexcept {
  if (m_fd == kNoFileHandle) return;
  if (m_bReplacing) return Discard();  // nothing of it may reach the target
  try {
    Flush();
  } catch (...) {
  }
  ReleaseReserve();
  ReleaseHandle();
  ResetWriteState();
}

void CFile::ResetWriteState() noexcept {
  m_nBuffered = 0;
  m_aPending.clear();
  m_nOffset = 0;
  m_nPendingBytes = 0;
  m_nReservedEnd = 0;
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* pError) {
  Abort();
  ReleaseHeldSignals();  // the last output is in place; a signal held since then ends it here
  m_strLostAttributes.clear();
  m_bPositioned = false;
  m_pTurns = nullptr;
  if ((flags & modeReplace) && (flags & modeWrite)) return OpenReplacing(path, flags, pError);
  return OpenDirect(path, flags, pError);
}

void CFile::Attach(FileHandle fd, std::string name) {
  Abort();
  m_fd = fd;
  m_bOwned = false;
  m_bReplacing = false;
  m_bCreated = false;
  m_bPositioned = false;
  m_pTurns = nullptr;
  m_strPath = std::move(name);
  ResetWriteState();
}

void CFile::AttachPositioned(FileHandle fd, std::string name, std::mutex* pTurns) {
  Attach(fd, std::move(name));
  m_bPositioned = true;
  m_pTurns = pTurns;
}

void CFile::Throw(int err) const {
  throw CFileException(CauseFromOsError(err, m_strPath), err, m_strPath);
}

bool IsSameFile(const std::string& a, const std::string& b) {
  FileId ia, ib;
  return GetFileId(a, &ia) && GetFileId(b, &ib) && ia == ib;
}

}  // namespace platform
