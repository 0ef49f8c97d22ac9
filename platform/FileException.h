#pragma once

#include <string>

namespace platform {

// A failed file operation: the cause a caller turns into a message, and the OS error behind
// it (an errno value, or a Windows system error code).
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

// A short Japanese description of an OS error for messages, with the system's own name or
// text for it ("ENOSPC"; on Windows, the code and FormatMessageW's text).
std::string OsErrorText(long err);

// Maps an OS error of an operation on `path` onto a cause. A missing file is a bad path
// when its folder is missing too.
int CauseFromOsError(long err, const std::string& path);

// The OS error of the calling thread's last failed system call.
long LastOsError();

}  // namespace platform
