// Handles are not numbered from the lowest free one as POSIX descriptors are, so no file the
// program opens takes the place of a missing standard handle by itself. What can happen is
// that a parent passes a handle value that is not open in this process: the standard handle
// then names whatever the program opens next under that value, and messages or output would
// go into it. Such a handle, and a missing one, is put on NUL.
#include <windows.h>

#include "platform/File.h"

namespace platform {

// Opened the other way round (input for writing, output for reading), so that using one
// fails instead of passing silently.
void OpenStandardStreams() {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = ::GetStdHandle(which);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) {
      ::SetLastError(NO_ERROR);
      if (::GetFileType(h) != FILE_TYPE_UNKNOWN || ::GetLastError() == NO_ERROR) continue;
    }
    const DWORD access = which == STD_INPUT_HANDLE ? GENERIC_WRITE : GENERIC_READ;
    const HANDLE null = ::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (null == INVALID_HANDLE_VALUE || !::SetStdHandle(which, null)) ::ExitProcess(1);
  }
}

}  // namespace platform
