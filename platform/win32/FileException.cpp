#include "platform/FileException.h"

#include <windows.h>

#include <string>
#include <utility>

#include "platform/File.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WidePath.h"

namespace platform {

int CauseFromOsError(long err, const std::string& path) {
  switch (err) {
    case ERROR_SUCCESS:
      return CFileException::none;
    case ERROR_FILE_NOT_FOUND: {
      // A missing file is a bad path when its folder is missing too.
      const std::wstring folder = FolderOf(WidePath(path));
      const DWORD attributes = ::GetFileAttributesW(folder.c_str());
      const bool bFolder =
          attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      return path.empty() || !bFolder ? CFileException::badPath : CFileException::fileNotFound;
    }
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
      return CFileException::badPath;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case kErrorIsFolder:
    case ERROR_BAD_FILE_TYPE:
      return CFileException::accessDenied;
    case ERROR_TOO_MANY_OPEN_FILES:
      return CFileException::tooManyOpenFiles;
    case ERROR_INVALID_HANDLE:
      return CFileException::invalidFile;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
      return CFileException::badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_IO_DEVICE:
      return CFileException::hardIO;
    case ERROR_SHARING_VIOLATION:
      return CFileException::sharingViolation;
    case ERROR_LOCK_VIOLATION:
      return CFileException::lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuota:
      return CFileException::diskFull;
    case ERROR_HANDLE_EOF:
      return CFileException::endOfFile;
    default:
      return CFileException::generic;
  }
}

long LastOsError() {
  return static_cast<long>(::GetLastError());
}

std::string OsErrorText(long err) {
  static const std::pair<DWORD, const char*> kTexts[] = {
      {ERROR_FILE_NOT_FOUND, "ファイルまたはフォルダーがありません"},
      {ERROR_PATH_NOT_FOUND, "ファイルまたはフォルダーがありません"},
      {kErrorIsFolder, "フォルダーです"},
      {ERROR_ACCESS_DENIED, "アクセス権がありません"},
      {ERROR_WRITE_PROTECT, "書き込みが禁止されたディスクです"},
      {ERROR_SHARING_VIOLATION, "別のプログラムが使用中です"},
      {ERROR_LOCK_VIOLATION, "別のプログラムがロックしています"},
      {ERROR_DISK_FULL, "ディスクに空きがありません"},
      {ERROR_HANDLE_DISK_FULL, "ディスクに空きがありません"},
      {kErrorDiskQuota, "ディスク使用量の上限を超えました"},
      {ERROR_BROKEN_PIPE, "書き込み先のパイプが閉じられました"},
      {ERROR_NO_DATA, "書き込み先のパイプが閉じられました"},
      {ERROR_CRC, "入出力エラーです"},
      {ERROR_IO_DEVICE, "入出力エラーです"},
      {ERROR_TOO_MANY_OPEN_FILES, "開いているファイルが多すぎます"},
      {ERROR_FILENAME_EXCED_RANGE, "パスが長すぎます"},
      {ERROR_INVALID_NAME, "ファイル名の形式が正しくありません"},
      {ERROR_BAD_FILE_TYPE, "通常のファイルではありません"},
      {ERROR_NOT_ENOUGH_MEMORY, "メモリーが足りません"},
      {ERROR_OUTOFMEMORY, "メモリーが足りません"},
      {ERROR_UNABLE_TO_REMOVE_REPLACED, "置き換える前のファイルを削除できません"},
      {ERROR_FILE_EXISTS, "実行中にほかのプログラムが同じ名前のファイルを作りました"},
      {ERROR_ALREADY_EXISTS, "実行中にほかのプログラムが同じ名前のファイルを作りました"},
  };
  const auto code = static_cast<DWORD>(err);
  std::string japanese;
  for (const auto& [c, text] : kTexts) {
    if (c == code) japanese = text;
  }
  // Windows' own words for it, in the user's language where Windows has them.
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring system(buffer != nullptr ? buffer : L"", n);
  ::LocalFree(buffer);
  while (!system.empty() &&
         (system.back() == L'\n' || system.back() == L'\r' || system.back() == L' '))
    system.pop_back();
  const std::string number = std::to_string(code);
  if (japanese.empty())
    return system.empty() ? "エラー " + number : Narrow(system) + " (" + number + ")";
  return japanese + " (" + number + (system.empty() ? "" : ": " + Narrow(system)) + ")";
}

}  // namespace platform
