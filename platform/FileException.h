#pragma once

#include <string>

namespace platform {

// A failed file operation: the cause a caller turns into a message, and the OS error behind it.
class CFileException {
 public:
  enum Cause {
    none = 0,
    generic = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  CFileException() = default;
  CFileException(int cause, long osError, std::string fileName = {})
      : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

  int m_cause = none;
  long m_lOsError = -1;
  std::string m_strFileName;
  // Set when what failed was making or placing a new file in this folder.
  std::string m_strFolder;
};

// A short Japanese description of an OS error for messages, with its name ("ENOSPC").
std::string OsErrorText(long err);

// Maps an errno value of an operation on `path` onto a cause. ENOENT is a missing
// file when its folder exists, and a bad path when the folder itself is missing.
int CauseFromErrno(int err, const std::string& path);

}  // namespace platform
