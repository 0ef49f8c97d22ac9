// Replacing a file without ever truncating it: the new bytes go to a file of their own in
// the target's folder, which the system deletes should the program end before it is
// complete (Task Manager, taskkill /f, a crash), and which takes the target's place only
// once everything reached it.
#include <windows.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "platform/EndingSignals.h"
#include "platform/File.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WidePath.h"

namespace platform {
namespace {

// A name in `folder` that is unlikely to be taken; callers retry when it is.
std::wstring TempName(const std::wstring& folder) {
  static std::atomic<unsigned> counter{0};
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  unsigned long long x = static_cast<unsigned long long>(now.QuadPart) ^
                         (static_cast<unsigned long long>(::GetCurrentProcessId()) << 20) ^
                         (static_cast<unsigned long long>(counter.fetch_add(1)) << 40);
  static const wchar_t kDigits[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring name = folder + L"\\.velmorant-";
  for (int i = 0; i < 10; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    name += kDigits[(x >> 33) % 36];
  }
  return name + L".tmp";
}

// Whether the system deletes the file when its last handle closes.
bool SetDeleteOnClose(HANDLE h, bool bDelete) {
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = bDelete;
  return ::SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != 0;
}

bool SetAttributes(HANDLE h, DWORD attributes) {
  FILE_BASIC_INFO info{};
  info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != 0;
}

// Gives the open file the name `target` in one step; false when that name is taken.
bool RenameTo(HANDLE h, const std::wstring& target) {
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  target.copy(info->FileName, target.size());
  return ::SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size()));
}

// The final name of an open file, so that a replacement goes where a link leads.
std::wstring FinalPath(HANDLE h, const std::wstring& fallback) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()), 0);
  if (n >= path.size()) {
    path.resize(n);
    n = ::GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()), 0);
  }
  if (n == 0 || n >= path.size()) return fallback;
  path.resize(n);
  return path;
}

// The attributes a new file takes over from the one it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

bool CFile::OpenReplacing(const std::string& path, unsigned flags, CFileException* pError) {
  auto fail = [&](DWORD err, std::string folder = {}) {
    if (pError) {
      *pError = CFileException(CauseFromOsError(err, path), static_cast<long>(err), path);
      pError->m_strFolder = std::move(folder);
    }
    return false;
  };
  const std::wstring wide = WidePath(path);
  if (wide.rfind(L"\\\\.\\", 0) == 0) return OpenDirect(path, flags, pError);  // NUL, CON
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return fail(kErrorIsFolder);
  }
  // What could not be written before must not be replaced now: a read-only file (which an
  // administrator could open for writing all the same), one that cannot be opened for
  // writing. A device or a pipe is written as it is.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return fail(ERROR_ACCESS_DENIED);
  }
  // Asked for as a new file: one that someone else made since then is theirs.
  if (attributes != INVALID_FILE_ATTRIBUTES && (flags & modeNoReplace)) {
    return fail(ERROR_FILE_EXISTS);
  }
  std::wstring target = wide;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    CHandle probe(::CreateFileW(wide.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) return fail(::GetLastError());
    if (::GetFileType(probe.Get()) != FILE_TYPE_DISK) return OpenDirect(path, flags, pError);
    target = FinalPath(probe.Get(), wide);
  }

  const std::wstring folder = FolderOf(target);
  std::wstring temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD err = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TempName(folder);
    h = ::CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    err = h == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
  }
  // A missing folder is a bad path, as it was when the file itself was opened.
  if (h == INVALID_HANDLE_VALUE) {
    return fail(err, err == ERROR_PATH_NOT_FOUND ? std::string() : Narrow(folder));
  }
  if (!SetDeleteOnClose(h, true)) {
    err = ::GetLastError();
    ::CloseHandle(h);
    ::DeleteFileW(temp.c_str());
    return fail(err, Narrow(folder));
  }
  m_fd = reinterpret_cast<FileHandle>(h);
  m_bOwned = true;
  m_bCreated = true;
  m_bReplacing = true;
  m_strPath = path;
  m_strTarget = Narrow(target);
  m_strTempPath = Narrow(temp);
  m_bNoReplace = (flags & modeNoReplace) != 0;
  ResetWriteState();
  return true;
}

void CFile::Commit() {
  HANDLE h = AsHandle(std::exchange(m_fd, kNoFileHandle));
  const std::wstring target = Widen(m_strTarget);
  const std::wstring temp = Widen(m_strTempPath);
  auto finish = [&] {
    m_bReplacing = false;
    ResetWriteState();
  };
  // Nothing of the new file may stay behind; the target is as it was.
  auto fail = [&](DWORD err, bool bFolder) {
    if (h != INVALID_HANDLE_VALUE) {
      SetDeleteOnClose(h, true);
      ::CloseHandle(h);
    }
    ::DeleteFileW(temp.c_str());
    finish();
    CFileException e(CauseFromOsError(err, m_strPath), static_cast<long>(err), m_strPath);
    if (bFolder) e.m_strFolder = Narrow(FolderOf(target));
    throw e;
  };

  // From here an event that ends the program either ends it before the new file is kept
  // (it goes, the target stays) or waits until the new file has taken the target's place.
  EndingSignalHold hold;
  if (hold.Pending()) fail(ERROR_OPERATION_ABORTED, false);
  DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && m_bNoReplace) fail(ERROR_FILE_EXISTS, false);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // No file there yet: the new one takes the name itself, in one step.
    if (!SetAttributes(h, FILE_ATTRIBUTE_NORMAL) || !SetDeleteOnClose(h, false)) {
      fail(::GetLastError(), false);
    }
    if (RenameTo(h, target)) {
      ::CloseHandle(h);
      hold.Placed();
      finish();
      return;
    }
    const DWORD err = ::GetLastError();
    const bool bTaken = err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS;
    if (!bTaken || m_bNoReplace) fail(err, !bTaken);
    attributes = ::GetFileAttributesW(target.c_str());  // made by someone else meanwhile
  }
  // ReplaceFileW keeps the old file's attributes, ACL, alternate streams and creation time.
  // It needs the new file closed, and not all versions keep the attributes: they are set
  // here first.
  if (!SetAttributes(h, attributes & kKeptAttributes) || !SetDeleteOnClose(h, false)) {
    fail(::GetLastError(), false);
  }
  ::CloseHandle(std::exchange(h, INVALID_HANDLE_VALUE));
  if (!::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                      nullptr)) {
    const DWORD err = ::GetLastError();
    // Where ReplaceFileW cannot, a plain rename over the old file still takes its place
    // in one step; should that fail too, the old file is as it was.
    if (!::MoveFileExW(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) fail(err, true);
      // ReplaceFileW took the old file away and could not put the new one in its place:
      // the new one stays, complete, under its own name, which the message gives.
      finish();
      throw CFileException(CauseFromOsError(err, m_strPath), static_cast<long>(err), m_strTempPath);
    }
  }
  hold.Placed();
  finish();
}

void CFile::Discard() noexcept {
  HANDLE h = AsHandle(std::exchange(m_fd, kNoFileHandle));
  SetDeleteOnClose(h, true);
  ::CloseHandle(h);
  if (!m_strTempPath.empty()) ::DeleteFileW(Widen(m_strTempPath).c_str());
  m_bReplacing = false;
  ResetWriteState();
}

}  // namespace platform
