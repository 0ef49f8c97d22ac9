#include "platform/File.h"

#include <emmintrin.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/win32/Handle.h"
#include "platform/win32/WidePath.h"

namespace platform {
namespace {

constexpr std::size_t kWriteBufferSize = 1 << 20;
// Ranges at least this long are written at once: copying them gains nothing.
constexpr std::size_t kDirectWriteSize = 256 << 10;
// One ReadFile or WriteFile call moves a DWORD's worth at the most; less keeps each short.
constexpr std::size_t kMaxTransfer = 1 << 30;

// Opens for looking only: no share mode is taken, so open files can be looked at too.
HANDLE OpenForLooking(const std::string& path) {
  return ::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The C runtime's memcpy is a call into msvcrt.dll, which under Wine is not the fastest: the
// writer copies every byte of a reordered log through here.
void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
  while (count >= 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 48), d);
    from += 64;
    to += 64;
    count -= 64;
  }
  while (count-- > 0) *to++ = *from++;
}

std::int64_t Ticks(const LARGE_INTEGER& t) {
  return t.QuadPart;
}

}  // namespace

// An input is shared with readers only: no other program may write, cut or delete it
// while it is converted.
bool CFile::OpenDirect(const std::string& path, unsigned flags, CFileException* pError) {
  const bool bWrite = (flags & modeWrite) != 0;
  const DWORD disposition = bWrite && (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), bWrite ? GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ, nullptr, disposition,
                           bWrite ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  DWORD err = h == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
  if (err == ERROR_ACCESS_DENIED && IsFolder(path)) err = kErrorIsFolder;
  // Only a file on a disk is read: a pipe or a device would block or never end.
  if (err == ERROR_SUCCESS && !bWrite && ::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    err = ERROR_BAD_FILE_TYPE;
  }
  if (err != ERROR_SUCCESS) {
    if (pError) *pError = CFileException(CauseFromOsError(err, path), static_cast<long>(err), path);
    return false;
  }
  m_fd = reinterpret_cast<FileHandle>(h);
  m_bOwned = true;
  m_bCreated = (flags & modeCreate) != 0;
  m_strPath = path;
  ResetWriteState();
  return true;
}

std::uint64_t CFile::GetLength() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AsHandle(m_fd), &size)) Throw(static_cast<int>(::GetLastError()));
  return static_cast<std::uint64_t>(size.QuadPart);
}

void CFile::SeekToBegin() {
  if (!::SetFilePointerEx(AsHandle(m_fd), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
    Throw(static_cast<int>(::GetLastError()));
  }
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    DWORD n = 0;
    const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
    if (!::ReadFile(AsHandle(m_fd), p + done, chunk, &n, nullptr)) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_HANDLE_EOF || err == ERROR_BROKEN_PIPE) break;
      Throw(static_cast<int>(err));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool ReadAt(FileHandle fd, std::uint64_t offset, void* buffer, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::uint64_t at = offset + done;
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(at);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD n = 0;
    const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
    if (!::ReadFile(AsHandle(fd), p + done, chunk, &n, &place) || n == 0) return false;
    done += n;
  }
  return true;
}

void CFile::WriteThrough(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  const auto turn = TakeTurn();
  while (count > 0) {
    DWORD n = 0;
    const auto chunk = static_cast<DWORD>(std::min(count, kMaxTransfer));
    // A positioned write names its place; on a handle opened for ordinary (not overlapped)
    // writes it also moves the handle's position, which SetPosition sets again.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(m_nOffset);
    at.OffsetHigh = static_cast<DWORD>(m_nOffset >> 32);
    if (!::WriteFile(AsHandle(m_fd), p, chunk, &n, m_bPositioned ? &at : nullptr)) {
      Throw(static_cast<int>(::GetLastError()));
    }
    if (n == 0) Throw(ERROR_WRITE_FAULT);
    p += n;
    count -= n;
    m_nOffset += n;
  }
}

// Windows has no gathered write for ordinary buffers: short ranges are copied into one
// block, which costs a copy but saves a system call per range.
void CFile::Write(const void* data, std::size_t count) {
  if (count == 0) return;
  if (count >= kDirectWriteSize) {
    Flush();
    WriteThrough(data, count);
    return;
  }
  if (!m_pWriteBuffer) m_pWriteBuffer.reset(new std::uint8_t[kWriteBufferSize]);
  if (m_nBuffered + count > kWriteBufferSize) Flush();
  CopyBytes(m_pWriteBuffer.get() + m_nBuffered, static_cast<const std::uint8_t*>(data), count);
  m_nBuffered += count;
}

void CFile::WriteKept(const void* data, std::size_t count) {
  Write(data, count);
}

void CFile::Flush() {
  // Forgotten before writing: a failed write is not repeated by the next flush.
  const std::size_t n = std::exchange(m_nBuffered, 0);
  if (n > 0) WriteThrough(m_pWriteBuffer.get(), n);
}

std::uint64_t CFile::GetPosition() const {
  return m_nOffset + m_nBuffered;
}

void CFile::SetPosition(std::uint64_t offset, bool bCut) {
  Flush();
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!m_bPositioned || bCut) {
    if (!::SetFilePointerEx(AsHandle(m_fd), to, nullptr, FILE_BEGIN) ||
        (bCut && !::SetEndOfFile(AsHandle(m_fd)))) {
      Throw(static_cast<int>(::GetLastError()));
    }
  }
  m_nOffset = offset;
}

// NTFS sets no space aside ahead of the writes that can be given back later; nothing to do.
void CFile::Reserve(std::uint64_t) {}

void CFile::ReleaseReserve() noexcept {}

int CFile::ReleaseHandle() noexcept {
  const FileHandle fd = std::exchange(m_fd, kNoFileHandle);
  return m_bOwned && !::CloseHandle(AsHandle(fd)) ? static_cast<int>(::GetLastError()) : 0;
}

void IgnoreWriteSignals() {}

// Names come from the file dialogs and from users with '\\', from scripts with '/'.
std::size_t FileNameStart(const std::string& path) {
  const auto separator = path.find_last_of("/\\");
  if (separator != std::string::npos) return separator + 1;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// Devices (NUL, CON, \\.\ names) and folders are never files that a run replaces. A device
// is told by its name: some Windows versions give NUL the archive attribute of a file.
bool RegularFileExists(const std::string& path) {
  if (path.empty()) return false;
  const std::wstring wide = WidePath(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  return wide.rfind(L"\\\\.\\", 0) != 0 &&
         ::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0 &&
         (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsFolder(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return !path.empty() &&
         ::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) != 0 &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool GetFileSize(const std::string& path, std::uint64_t* pSize) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() ||
      !::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
    return false;
  }
  *pSize = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* pText, long* pError) {
  const CHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD err = ::GetLastError();
    *pError = err == ERROR_ACCESS_DENIED && IsFolder(path) ? kErrorIsFolder : err;
    return false;
  }
  char buffer[64 << 10];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_BROKEN_PIPE || err == ERROR_HANDLE_EOF) return true;  // the writer ended
      *pError = static_cast<long>(err);
      return false;
    }
    if (n == 0) return true;
    pText->append(buffer, n);
  }
}

bool GetFileId(FileHandle fd, FileId* pId) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(AsHandle(fd), &info)) return false;
  *pId = {info.dwVolumeSerialNumber,
          (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

// The volume and the file's number on it name one file whatever the spelling: letter case,
// / or \, a short 8.3 name, a \\?\ or UNC prefix, another hard link.
bool GetFileId(const std::string& path, FileId* pId) {
  if (path.empty()) return false;
  const CHandle file(OpenForLooking(path));
  return file && GetFileId(reinterpret_cast<FileHandle>(file.Get()), pId);
}

bool GetFileVersion(FileHandle fd, FileVersion* pVersion) {
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  if (!GetFileId(fd, &pVersion->id) ||
      !::GetFileInformationByHandleEx(AsHandle(fd), FileBasicInfo, &basic, sizeof basic) ||
      !::GetFileInformationByHandleEx(AsHandle(fd), FileStandardInfo, &standard, sizeof standard)) {
    return false;
  }
  pVersion->nSize = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
  pVersion->nModified = Ticks(basic.LastWriteTime);
  pVersion->nChanged = Ticks(basic.ChangeTime);
  return true;
}

}  // namespace platform
