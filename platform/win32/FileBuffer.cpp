#include "platform/FileBuffer.h"

#include <windows.h>

#include <new>

#include "platform/FileException.h"
#include "platform/win32/Handle.h"

namespace platform {

void FileBufferRelease::operator()(std::uint8_t* p) const noexcept {
  if (nMapped == 0) {
    delete[] p;
    return;
  }
  ::UnmapViewOfFile(p);
}

FileBuffer AllocateFileBuffer(std::size_t size) {
  return FileBuffer(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
}

// The view keeps the mapping alive after its handle is closed. The input is shared with
// readers only, so no other program can cut it under the view.
FileBuffer MapFile(FileHandle fd, std::size_t size) {
  if (size == 0) return nullptr;
  const CHandle mapping(::CreateFileMappingW(AsHandle(fd), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return nullptr;
  void* p = ::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, size);
  if (p == nullptr) return nullptr;
  return FileBuffer(static_cast<std::uint8_t*>(p), FileBufferRelease{size});
}

bool IsMapped(const FileBuffer& buffer) {
  return buffer && buffer.get_deleter().nMapped != 0;
}

// Windows faults a mapped file's pages in one at a time on first touch.
bool ReadsBeatMappedPages() {
  return true;
}

int CheckMappedFile(const FileBuffer& buffer, FileHandle fd) {
  if (!IsMapped(buffer)) return CFileException::none;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AsHandle(fd), &size)) return CauseFromOsError(LastOsError(), {});
  return static_cast<std::uint64_t>(size.QuadPart) < buffer.get_deleter().nMapped
             ? CFileException::endOfFile
             : CFileException::none;
}

}  // namespace platform
