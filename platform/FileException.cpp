#include "platform/FileException.h"

#include <sys/stat.h>

#include <cerrno>

namespace platform {
namespace {

bool FolderExists(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;  // the working folder
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

}  // namespace platform
