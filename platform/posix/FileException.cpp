#include "platform/FileException.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "platform/posix/SysCalls.h"

namespace platform {
namespace {

bool FolderExists(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;  // the working folder
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  return Sys().stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int CauseFromErrno(int err, const std::string& path) {
  switch (err) {
    case 0:
      return CFileException::none;
    case ENOENT:
      if (path.empty()) return CFileException::badPath;
      return FolderExists(path) ? CFileException::fileNotFound : CFileException::badPath;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return CFileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return CFileException::accessDenied;
    case EMFILE:
    case ENFILE:
      return CFileException::tooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
      return CFileException::diskFull;
    case EIO:
      return CFileException::hardIO;
    default:
      return CFileException::generic;
  }
}

int CauseFromOsError(long err, const std::string& path) {
  return CauseFromErrno(static_cast<int>(err), path);
}

long LastOsError() {
  return errno;
}

}  // namespace platform

namespace platform {

std::string OsErrorText(long err) {
  static const std::pair<int, const char*> kTexts[] = {
      {ENOENT, "ファイルまたはフォルダーがありません"},
      {ENOTDIR, "パスの途中にフォルダーでないものがあります"},
      {EISDIR, "フォルダーです"},
      {EACCES, "アクセス権がありません"},
      {EPERM, "アクセス権がありません"},
      {EROFS, "読み取り専用のファイルシステムです"},
      {ENOSPC, "ディスクに空きがありません"},
      {EDQUOT, "ディスク使用量の上限を超えました"},
      {EFBIG, "ファイルサイズの上限を超えました"},
      {EPIPE, "書き込み先のパイプが閉じられました"},
      {EIO, "入出力エラーです"},
      {EMFILE, "開いているファイルが多すぎます"},
      {ENFILE, "開いているファイルが多すぎます"},
      {ENAMETOOLONG, "パスが長すぎます"},
      {ELOOP, "シンボリックリンクが多すぎるか、循環しています"},
      {ENXIO, "読み手のいない FIFO か、存在しないデバイスです"},
      {EINVAL, "通常のファイルではありません"},
      {ETXTBSY, "実行中のプログラムのファイルです"},
      {ENOMEM, "メモリーが足りません"},
      {EBUSY, "使用中です"},
      {EEXIST, "実行中にほかのプログラムが同じ名前のファイルを作りました"},
  };
  const int e = static_cast<int>(err);
  std::string text = ::strerror(e);
  for (const auto& [code, japanese] : kTexts) {
    if (code == e) text = japanese;
  }
  const char* name = e > 0 ? ::strerrorname_np(e) : nullptr;
  return text + " (" + (name != nullptr ? name : "errno " + std::to_string(e)) + ")";
}

}  // namespace platform
